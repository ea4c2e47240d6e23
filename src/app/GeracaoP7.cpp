#include "app/GeracaoP7.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

#include "app/UProdSugCompraAguarde.h"
#include "app/UtilsApp.h"
#include "inventory/UInventarioP7Params.h"
#include "platform/Mensagens.h"
#include "platform/Win1252.h"
#include "report/urelatorio.h"
#include "settings/UConfigSistemaKOT.h"
#include "settings/UDatabase.h"

namespace {

// How often the window's thread looks whether the run moved on: often enough for the eye, and the
// run's thread touches nothing of Qt (only atomics and its own work), so the two share no Qt object.
constexpr int IntervaloEsperaMs = 15;

// Runs `trabalho` on a thread of its own while this (the window's) thread goes on serving events,
// so the waiting window repaints and the desktop sees a live program during a long run; returns
// when it ends and raises here what it raised. `aoMarco` runs here, once, after the run set
// `marco` (the rows are read). The session is used by that thread alone meanwhile.
void ExecutarForaDaJanela(const std::function<void()>& trabalho, const std::atomic<bool>& marco,
                          const std::function<void()>& aoMarco) {
  std::atomic<bool> terminado{false};
  std::exception_ptr erro;
  std::thread trabalhador([&] {
    try {
      trabalho();
    } catch (...) {
      erro = std::current_exception();
    }
    terminado.store(true);
  });
  bool marcoVisto = false;
  auto olhar = [&] {
    if (!marcoVisto && marco.load()) {
      marcoVisto = true;
      if (aoMarco) aoMarco();
    }
  };
  QEventLoop espera;
  QTimer relogio;
  QObject::connect(&relogio, &QTimer::timeout, [&] {
    olhar();
    if (terminado.load()) espera.quit();
  });
  relogio.start(IntervaloEsperaMs);
  // Input goes nowhere meanwhile: the caller disabled the window, and the waiting window takes none.
  espera.exec(QEventLoop::ExcludeUserInputEvents);
  trabalhador.join();
  olhar();
  if (erro) std::rethrow_exception(erro);
}

}  // namespace

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
    bool comLinhas = false;
    std::atomic<bool> linhasLidas{false};
    ExecutarForaDaJanela(
        [&] {
          comLinhas = execucao.Produzir(
              [&] { linhasLidas.store(true); },
              [&](TImpressao& impressao) { impressao.EmitirRelatorio(TConfigSistemaKOT::GetPermissao()); });
        },
        linhasLidas,
        [&] {
          if (habilitarBotoes) habilitarBotoes(false);
        });
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
