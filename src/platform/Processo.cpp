#include "platform/Processo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace plataforma {

std::vector<std::string> DividirLinhaComando(const std::string& linha) {
  std::vector<std::string> args;
  size_t i = 0, n = linha.size();
  auto branco = [](char c) { return c == ' ' || c == '\t'; };
  while (i < n && branco(linha[i])) ++i;
  if (i >= n) return args;

  // Program name: quoted up to the next quote, else up to the first blank.
  std::string prog;
  if (linha[i] == '"') {
    ++i;
    while (i < n && linha[i] != '"') prog += linha[i++];
    if (i < n) ++i;
  } else {
    while (i < n && !branco(linha[i])) prog += linha[i++];
  }
  args.push_back(prog);

  while (true) {
    while (i < n && branco(linha[i])) ++i;
    if (i >= n) break;
    std::string arg;
    bool entreAspas = false;
    while (i < n && (entreAspas || !branco(linha[i]))) {
      if (linha[i] == '\\') {
        size_t barras = 0;
        while (i < n && linha[i] == '\\') {
          ++barras;
          ++i;
        }
        if (i < n && linha[i] == '"') {
          arg.append(barras / 2, '\\');
          if (barras % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(barras, '\\');
        }
      } else if (linha[i] == '"') {
        if (entreAspas && i + 1 < n && linha[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          entreAspas = !entreAspas;
          ++i;
        }
      } else {
        arg += linha[i++];
      }
    }
    args.push_back(arg);
  }
  return args;
}

bool IniciarPrograma(const std::string& linha) { return IniciarPrograma(DividirLinhaComando(linha)); }

bool IniciarPrograma(std::vector<std::string> args) {
  if (args.empty() || args[0].empty()) return false;
  if (::access(args[0].c_str(), X_OK) != 0) return false;

  // Everything the children need is built before fork: after it only async-signal-safe calls.
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  // Report an exec failure of the grandchild through a close-on-exec pipe.
  int canal[2];
  if (::pipe2(canal, O_CLOEXEC) != 0) return false;

  pid_t filho = ::fork();
  if (filho < 0) {
    ::close(canal[0]);
    ::close(canal[1]);
    return false;
  }
  if (filho == 0) {
    // Double fork: the intermediate child exits at once, so the program is adopted by init and
    // we never have to reap it.
    ::setsid();
    pid_t neto = ::fork();
    if (neto == 0) {
      ::close(canal[0]);
      ::execv(argv[0], argv.data());
      int erro = errno;
      (void)!::write(canal[1], &erro, sizeof erro);
      ::_exit(127);
    }
    ::_exit(neto < 0 ? 1 : 0);
  }
  ::close(canal[1]);
  int estado = 0;
  while (::waitpid(filho, &estado, 0) < 0 && errno == EINTR) {
  }
  int erro = 0;
  ssize_t lidos;
  do {
    lidos = ::read(canal[0], &erro, sizeof erro);
  } while (lidos < 0 && errno == EINTR);
  ::close(canal[0]);
  return WIFEXITED(estado) && WEXITSTATUS(estado) == 0 && lidos == 0;
}

}  // namespace plataforma
