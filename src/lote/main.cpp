// inventario-p7-lote: the P7 register of one, several or every branch, without a window.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "lote/ExecucaoLote.h"
#include "platform/Regional.h"
#include "report/urelatorio.h"

namespace {

// Ctrl+C or SIGTERM: no half file of any session stays behind; the servers drop the temporary
// tables with the connections, which end with the process.
extern "C" void AoInterromper(int sinal) {
  ApagarRelatorioTemporarioEmCurso();
  static const char texto[] = "\ninventario-p7-lote: interrompido\n";
  (void)!::write(STDERR_FILENO, texto, sizeof texto - 1);
  ::_exit(128 + sinal);
}

}  // namespace

int main(int argc, char** argv) {
  struct sigaction acao {};
  acao.sa_handler = AoInterromper;
  sigemptyset(&acao.sa_mask);
  sigaddset(&acao.sa_mask, SIGINT);
  sigaddset(&acao.sa_mask, SIGTERM);
  sigaction(SIGINT, &acao, nullptr);
  sigaction(SIGTERM, &acao, nullptr);
  // A standard error whose reader went makes its writes fail, not the run: the files matter.
  signal(SIGPIPE, SIG_IGN);

  // A fiscal book of Brazil on a server whose locale nobody chose for it: every file and line of
  // the command takes the Brazilian settings, whatever LANG or LC_* say.
  plataforma::DefinirFormatSettings(plataforma::FormatSettingsBrasil());
  std::vector<std::string> argumentos(argv + 1, argv + argc);
  return ExecutarLinhaComandoLote(argumentos, stdout, stderr, ::isatty(STDERR_FILENO) == 1);
}
