#include "app/GeracaoP7.h"

#include <QPointer>

#include <exception>
#include <memory>

#include "app/RegistroP7.h"
#include "app/UProdSugCompraAguarde.h"
#include "app/UtilsApp.h"
#include "dbclient/DbClient.h"
#include "inventory/UInventarioP7Dao.h"
#include "inventory/UInventarioP7Params.h"
#include "platform/Win1252.h"
#include "report/urelatorio.h"
#include "settings/UConfigSistemaKOT.h"
#include "settings/UDatabase.h"

void GerarRelatorio(const TEscolhasGeracao& escolhas, const std::function<void(bool)>& habilitarBotoes) {
  const TParamsRelatorio params = ParametrosRelatorio(escolhas, TConfigSistemaKOT::GetCodLogica());

  // The window frees itself when closed; the pointer goes null if anything else closed it.
  QPointer<TFProdSugCompraAguarde> aguarde = TFProdSugCompraAguarde::Exibir(W("Gerando relatório..."));
  std::unique_ptr<dbclient::TConsulta> linhas;

  // Always run: the waiting window, the rows and the temporary tables go, and the buttons come
  // back, also after a database error while the branch or the rows were read.
  auto limpar = [&]() {
    if (aguarde) aguarde->close();
    linhas.reset();
    std::exception_ptr erro;
    try {
      // Temporary tables die with their connection: after a lost one, a drop would only add a
      // box per table before the run's own error.
      if (DatabaseSession && DatabaseSession->IsConnected()) TInventarioP7Dao::ApagarTabelasTemporarias();
    } catch (...) {
      erro = std::current_exception();
    }
    if (habilitarBotoes) habilitarBotoes(true);
    if (erro) std::rethrow_exception(erro);
  };

  try {
    const bool comLinhas = ProduzirRegistroP7(
        params, linhas, [&] { if (habilitarBotoes) habilitarBotoes(false); },
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
