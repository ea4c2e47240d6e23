// inventario-p7-lote: the P7 register of one, several or every branch, without a window.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "lote/ExecucaoLote.h"
#include "platform/Regional.h"
#include "report/urelatorio.h"

namespace {

// Every signal that ends a process by default and can be caught, SIGPIPE aside (ignored below):
// Ctrl+C, SIGTERM, a closed ssh session, Ctrl+\, a stray kill or a limit reached all get the same
// clean-up.
constexpr int SinaisDeFim[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2,
                               SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ};

// No half file of any session stays behind; the servers drop the temporary tables with the
// connections, which end with the process.
extern "C" void AoInterromper(int sinal) {
  ApagarRelatorioTemporarioEmCurso();
  static const char texto[] = "\ninventario-p7-lote: interrompido\n";
  (void)!::write(STDERR_FILENO, texto, sizeof texto - 1);
  ::_exit(128 + sinal);
}

void TratarSinaisDeFim() {
  struct sigaction acao {};
  acao.sa_handler = AoInterromper;
  sigemptyset(&acao.sa_mask);
  for (int sinal : SinaisDeFim) sigaddset(&acao.sa_mask, sinal);
  for (int sinal : SinaisDeFim) sigaction(sinal, &acao, nullptr);
}

// A scheduler may start the job with standard descriptors closed: the first connection would take
// descriptor 2 and standard error would write into it. Each closed one is /dev/null instead; false
// when that cannot be done.
bool AbrirDescritoresPadrao() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int nulo = ::open("/dev/null", O_RDWR);  // the lowest free descriptor: `fd` itself
    if (nulo != fd) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!AbrirDescritoresPadrao()) {
    static const char texto[] = "inventario-p7-lote: /dev/null não pôde ser aberto\n";
    (void)!::write(STDERR_FILENO, texto, sizeof texto - 1);
    return SaidaFalha;
  }
  TratarSinaisDeFim();
  // A standard error whose reader went makes its writes fail, not the run: the files matter.
  signal(SIGPIPE, SIG_IGN);

  // A fiscal book of Brazil on a server whose locale nobody chose for it: every file and line of
  // the command takes the Brazilian settings, whatever LANG or LC_* say.
  plataforma::DefinirFormatSettings(plataforma::FormatSettingsBrasil());
  std::vector<std::string> argumentos(argv + 1, argv + argc);
  return ExecutarLinhaComandoLote(argumentos, stdout, stderr, ::isatty(STDERR_FILENO) == 1);
}
