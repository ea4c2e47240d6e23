#include "app/GeracaoP7.h"

#include <QPointer>

#include "app/UProdSugCompraAguarde.h"
#include "app/UtilsApp.h"
#include "inventory/UInventarioP7Params.h"
#include "platform/Mensagens.h"
#include "platform/Win1252.h"
#include "report/urelatorio.h"
#include "settings/UConfigSistemaKOT.h"
#include "settings/UDatabase.h"

void GerarRelatorio(IDatabase& banco, const TEscolhasGeracao& escolhas,
                    const std::function<void(bool)>& habilitarBotoes) {
  const TParamsRelatorio params = ParametrosRelatorio(escolhas, TConfigSistemaKOT::GetCodLogica());

  // The window frees itself when closed; the pointer goes null if anything else closed it.
  QPointer<TFProdSugCompraAguarde> aguarde = TFProdSugCompraAguarde::Exibir(W("Gerando relatório..."));
  TExecucaoRegistroP7 execucao(banco, params);

  // Always run: the waiting window, the rows and the temporary tables go, and the buttons come
  // back, also after a database error while the branch or the rows were read. Each failed drop
  // is a box of its own, as every failed statement of a script that goes on.
  auto limpar = [&]() {
    if (aguarde) aguarde->close();
    for (const std::string& falha : execucao.Encerrar()) plataforma::MostrarErroPadrao(falha);
    if (habilitarBotoes) habilitarBotoes(true);
  };

  try {
    const bool comLinhas = execucao.Produzir(
        [&] {
          if (habilitarBotoes) habilitarBotoes(false);
        },
        [](TImpressao& impressao) { impressao.EmitirRelatorio(TConfigSistemaKOT::GetPermissao()); });
    if (!comLinhas) Informar(W("Não existem registros para esta seleção!"), W("Informação..."));
  } catch (...) {
    // The first error is the one the user sees; one of the clean-up would only hide it.
    try {
      limpar();
    } catch (...) {
    }
    throw;
  }
  limpar();
}
