#include "tests/support/SuporteTestes.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <mysql.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/Programa.h"
#include "platform/Win1252.h"
#include "settings/UConfigSistemaKOT.h"

namespace fs = std::filesystem;

namespace suporte {
namespace {

std::string Ambiente(const char* nome, const std::string& padrao) {
  const char* v = std::getenv(nome);
  return v && *v ? std::string(v) : padrao;
}

// An administrative connection of the tests' own, straight on the C API.
class TAdmin {
 public:
  explicit TAdmin(const std::string& banco = "") {
    auto s = TServidorTeste::DoAmbiente();
    m_ = mysql_init(nullptr);
    unsigned protocolo = MYSQL_PROTOCOL_TCP;
    mysql_options(m_, MYSQL_OPT_PROTOCOL, &protocolo);
    mysql_options(m_, MYSQL_SET_CHARSET_NAME, "latin1");
    if (!mysql_real_connect(m_, s.Host.c_str(), s.Usuario.c_str(), s.Senha.c_str(),
                            banco.empty() ? nullptr : banco.c_str(), static_cast<unsigned>(s.Porta), nullptr,
                            CLIENT_MULTI_STATEMENTS)) {
      std::string erro = mysql_error(m_);
      mysql_close(m_);
      throw std::runtime_error("test server not reachable (scripts/db-server start): " + erro);
    }
  }
  ~TAdmin() { mysql_close(m_); }
  void Executar(const std::string& sql) {
    if (mysql_real_query(m_, sql.data(), sql.size()) != 0)
      throw std::runtime_error(std::string("test SQL failed: ") + mysql_error(m_) + "\n" + sql.substr(0, 400));
    do {
      MYSQL_RES* r = mysql_store_result(m_);
      if (r)
        mysql_free_result(r);
      else if (mysql_field_count(m_) != 0)
        throw std::runtime_error(mysql_error(m_));
      int prox = mysql_next_result(m_);
      if (prox > 0) throw std::runtime_error(std::string("test SQL failed: ") + mysql_error(m_));
      if (prox < 0) break;
    } while (true);
  }
  std::string Valor(const std::string& sql) {
    if (mysql_real_query(m_, sql.data(), sql.size()) != 0)
      throw std::runtime_error(std::string("test SQL failed: ") + mysql_error(m_));
    MYSQL_RES* r = mysql_store_result(m_);
    if (!r) return "";
    std::string v;
    if (MYSQL_ROW row = mysql_fetch_row(r)) {
      unsigned long* len = mysql_fetch_lengths(r);
      v = row[0] ? std::string(row[0], len[0]) : "NULL";
    }
    mysql_free_result(r);
    return v;
  }

 private:
  MYSQL* m_;
};

}  // namespace

TServidorTeste TServidorTeste::DoAmbiente() {
  TServidorTeste s;
  s.Porta = std::atoi(Ambiente("P7_DB_PORT", "33061").c_str());
  s.Usuario = Ambiente("P7_DB_USER", "p7");
  s.Senha = Ambiente("P7_DB_PASSWORD", "p7senha");
  return s;
}

TPastaTemporaria::TPastaTemporaria() {
  std::string modelo = (fs::temp_directory_path() / "p7teste-XXXXXX").string();
  if (!::mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp failed");
  caminho_ = modelo;
}

TPastaTemporaria::~TPastaTemporaria() {
  std::error_code ec;
  // Tests may leave read-only folders behind; make them writable before removing.
  for (auto it = fs::recursive_directory_iterator(caminho_, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(caminho_, ec);
}

void TPastaTemporaria::EscreverArquivo(const std::string& nome, const std::string& conteudo) const {
  std::ofstream f(caminho_ / nome, std::ios::binary);
  f << conteudo;
}

TBancoTeste::TBancoTeste() {
  static std::atomic<int> contador{0};
  nome_ = "t" + std::to_string(::getpid()) + "_" + std::to_string(contador++);
  TAdmin admin;
  admin.Executar("DROP DATABASE IF EXISTS `" + nome_ + "`; CREATE DATABASE `" + nome_ + "` CHARACTER SET latin1");
  TAdmin banco(nome_);
  banco.Executar(LerArquivo(CaminhoFonte("db/schema.sql")));
}

TBancoTeste::~TBancoTeste() {
  try {
    TAdmin admin;
    admin.Executar("DROP DATABASE IF EXISTS `" + nome_ + "`");
  } catch (...) {
  }
}

void TBancoTeste::Executar(const std::string& sql) const { TAdmin(nome_).Executar(sql); }
std::string TBancoTeste::Valor(const std::string& sql) const { return TAdmin(nome_).Valor(sql); }

TPastaProgramaTeste::TPastaProgramaTeste() {
  fs::create_directory(pasta_.Caminho() / "relatorio");
  plataforma::DefinirPastaPrograma(pasta_.Caminho().string());
}

TPastaProgramaTeste::~TPastaProgramaTeste() { plataforma::DefinirPastaPrograma(""); }

void TPastaProgramaTeste::EscreverIni(const std::string& conteudo) const {
  pasta_.EscreverArquivo("sistema_kot.ini", plataforma::Utf8ParaW1252(conteudo));
}

void TPastaProgramaTeste::EscreverIniBanco(const std::string& banco, int codLogica, const std::string& local) const {
  auto s = TServidorTeste::DoAmbiente();
  std::ostringstream ini;
  ini << "[FilialMatriz]\r\nCodLogica=" << codLogica << "\r\n"
      << "[IP]\r\nlocal=" << (local.empty() ? s.Host + ":" + std::to_string(s.Porta) : local) << "\r\n"
      << "database=" << banco << "\r\n"
      << "usuario=" << s.Usuario << "\r\n"
      << "senha=" << ScrambleText("E", s.Senha, "QEW") << "\r\n";
  EscreverIni(ini.str());
}

bool TCaixasGravadas::Perguntar(const std::string& texto, const std::string& titulo, bool padraoSim) {
  Mostradas.push_back({texto, titulo, plataforma::TIconeMensagem::Pergunta, true, padraoSim});
  if (AoMostrar) AoMostrar(Mostradas.back());
  if (Respostas.empty()) return false;
  bool r = Respostas.front();
  Respostas.pop_front();
  return r;
}

void TCaixasGravadas::Avisar(const std::string& texto, const std::string& titulo, plataforma::TIconeMensagem icone) {
  Mostradas.push_back({texto, titulo, icone, false, false});
  if (AoMostrar) AoMostrar(Mostradas.back());
}

TCaixasInstaladas::TCaixasInstaladas() : caixas_(std::make_shared<TCaixasGravadas>()) {
  anteriores_ = plataforma::InstalarCaixasMensagem(caixas_);
}
TCaixasInstaladas::~TCaixasInstaladas() { plataforma::InstalarCaixasMensagem(anteriores_); }

TRegionalBrasil::TRegionalBrasil() : anterior_(plataforma::FormatSettings()) {
  plataforma::DefinirFormatSettings(plataforma::FormatSettingsBrasil());
}
TRegionalBrasil::~TRegionalBrasil() { plataforma::DefinirFormatSettings(anterior_); }

bool RepetirSemPrivilegios() {
  if (::geteuid() != 0) return false;
  constexpr uid_t kNinguem = 65534;
  const auto* teste = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string filtro = std::string("--gtest_filter=") + teste->test_suite_name() + "." + teste->name();
  const std::string programa = fs::read_symlink("/proc/self/exe").string();
  // Everything the child needs is made before the fork: a forked copy of a process with threads
  // may only make system calls.
  std::vector<std::string> variaveis{"TMPDIR=/tmp"};
  for (char** v = environ; *v; ++v)
    if (std::strncmp(*v, "TMPDIR=", 7) != 0) variaveis.emplace_back(*v);
  std::vector<char*> ambiente;
  for (auto& v : variaveis) ambiente.push_back(v.data());
  ambiente.push_back(nullptr);
  char* argv[] = {const_cast<char*>(programa.c_str()), const_cast<char*>(filtro.c_str()), nullptr};
  const std::string falhaUsuario = "cannot become uid 65534\n", falhaExec = "uid 65534 cannot run " + programa + "\n";
  int canal[2];
  if (::pipe(canal) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(canal[1], 1);
    ::dup2(canal[1], 2);
    ::close(canal[0]);
    ::close(canal[1]);
    // Groups first: after setuid nothing can be dropped any more.
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNinguem) != 0 || ::setuid(kNinguem) != 0) {
      (void)!::write(2, falhaUsuario.data(), falhaUsuario.size());
      ::_exit(126);
    }
    ::execve(argv[0], argv, ambiente.data());
    (void)!::write(2, falhaExec.data(), falhaExec.size());
    ::_exit(127);
  }
  ::close(canal[1]);
  std::string saida;
  char bloco[4096];
  for (ssize_t n; (n = ::read(canal[0], bloco, sizeof bloco)) != 0;)
    if (n > 0)
      saida.append(bloco, static_cast<size_t>(n));
    else if (errno != EINTR)
      break;
  ::close(canal[0]);
  int estado = 0;
  while (::waitpid(pid, &estado, 0) < 0 && errno == EINTR) {
  }
  std::cout << "---- the same test as uid " << kNinguem << " ----\n"
            << saida << "---- end of uid " << kNinguem << " ----" << std::endl;
  EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0) << "the unprivileged run failed (status " << estado << ")";
  // Exactly the one test, run and passed: not skipped, not filtered away.
  EXPECT_NE(saida.find("[  PASSED  ] 1 test."), std::string::npos) << "the unprivileged run did not pass its test";
  return true;
}

std::string LerArquivo(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + p.string());
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string CaminhoFonte(const std::string& relativo) { return std::string(P7_SOURCE_DIR) + "/" + relativo; }

}  // namespace suporte
