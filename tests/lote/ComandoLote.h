#pragma once
// Runs the built inventario-p7-lote as a user would, with a database and folders of the test's
// own, and reads back its exit code, standard output and standard error.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "settings/UConfigSistemaKOT.h"
#include "tests/support/SuporteTestes.h"

namespace lote {

struct TResultado {
  int Codigo = -1;  // exit code, or 128 + signal
  std::string Saida, Erro;
};

// An ini for the command: the test server (or `porta`), the database, a user and its password
// scrambled with key QEW.
inline void EscreverIni(const std::filesystem::path& arquivo, const std::string& banco, int codLogica,
                        const std::string& usuario = "", const std::string& senha = "", int porta = 0) {
  auto s = suporte::TServidorTeste::DoAmbiente();
  std::ostringstream ini;
  ini << "[FilialMatriz]\r\nCodLogica=" << codLogica << "\r\n[IP]\r\nlocal=" << s.Host << ":"
      << (porta ? porta : s.Porta) << "\r\ndatabase=" << banco
      << "\r\nusuario=" << (usuario.empty() ? s.Usuario : usuario)
      << "\r\nsenha=" << ScrambleText("E", senha.empty() ? s.Senha : senha, "QEW") << "\r\n";
  std::ofstream(arquivo, std::ios::binary) << ini.str();
}

class TProcesso {
 public:
  // Starts the command; its output goes to files in `pasta`. `ambiente` holds "NOME=valor" to set and
  // "NOME" to unset, after the default LC_ALL=C.
  TProcesso(const std::vector<std::string>& argumentos, const std::filesystem::path& pasta,
            const std::vector<std::string>& ambiente = {})
      : pasta_(pasta) {
    pid_ = ::fork();
    if (pid_ == 0) {
      int out = ::open((pasta / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = ::open((pasta / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(out, 1);
      ::dup2(err, 2);
      // The window's side of the tests uses Brazilian settings; so does the command in the C locale.
      ::setenv("LC_ALL", "C", 1);
      for (const std::string& v : ambiente) {
        size_t igual = v.find('=');
        if (igual == std::string::npos)
          ::unsetenv(v.c_str());
        else
          ::setenv(v.substr(0, igual).c_str(), v.c_str() + igual + 1, 1);
      }
      std::vector<char*> argv{const_cast<char*>(P7_LOTE)};
      for (const auto& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(P7_LOTE, argv.data());
      ::_exit(127);
    }
  }
  pid_t Pid() const { return pid_; }
  TResultado Esperar() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    TResultado r;
    r.Codigo = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.Saida = suporte::LerArquivo(pasta_ / "stdout");
    r.Erro = suporte::LerArquivo(pasta_ / "stderr");
    return r;
  }

 private:
  std::filesystem::path pasta_;
  pid_t pid_ = -1;
};

inline TResultado Executar(const std::vector<std::string>& argumentos, const std::vector<std::string>& ambiente = {}) {
  suporte::TPastaTemporaria saidas;
  return TProcesso(argumentos, saidas.Caminho(), ambiente).Esperar();
}

// The names of the files in a folder, sorted.
inline std::vector<std::string> Arquivos(const std::filesystem::path& pasta) {
  std::vector<std::string> r;
  for (auto& e : std::filesystem::directory_iterator(pasta)) r.push_back(e.path().filename().string());
  std::sort(r.begin(), r.end());
  return r;
}

}  // namespace lote
