// Faults the tool must survive, grouped by where they come from: the server, the configuration,
// the report folder, the data and the viewer. The window is driven as a user drives it (clicks
// through the program's own application object), and after each fault the error is shown, the
// buttons are back, the waiting window is gone, the earlier report is whole, nothing stray is left
// in the report folder and the window still closes.
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

#include "app/AplicacaoP7.h"
#include "app/UMain.h"
#include "app/UProdSugCompraAguarde.h"
#include "dbclient/DbClient.h"
#include "platform/Programa.h"
#include "platform/TextoQt.h"
#include "platform/Win1252.h"
#include "settings/UConfigSistemaKOT.h"
#include "settings/UDatabase.h"
#include "tests/support/JanelaAguarde.h"
#include "tests/support/SuporteTestes.h"

QApplication* p7CriarAplicacaoTeste(int& argc, char** argv) { return new TAplicacaoP7(argc, argv); }

namespace {

using suporte::AguardeNaTela;

namespace fs = std::filesystem;
using plataforma::TIconeMensagem;
using suporte::TCaixasGravadas;

const std::string kAnterior = "RELATORIO ANTERIOR\r\n";

std::vector<std::string> Linhas(const std::string& arquivo) {
  std::vector<std::string> r;
  size_t i = 0;
  for (size_t f; (f = arquivo.find("\r\n", i)) != std::string::npos; i = f + 2) r.push_back(arquivo.substr(i, f - i));
  if (i != arquivo.size()) r.push_back(arquivo.substr(i));  // an unterminated tail, caught below
  return r;
}

// A connection of the test's own to the private server (for locks and KILL).
std::unique_ptr<dbclient::TConexao> ConexaoTeste(const std::string& banco) {
  auto s = suporte::TServidorTeste::DoAmbiente();
  auto c = std::make_unique<dbclient::TConexao>();
  c->Servidor = s.Host;
  c->Porta = s.Porta;
  c->Usuario = s.Usuario;
  c->Senha = s.Senha;
  c->Banco = banco;
  c->Conectar();
  return c;
}

// The main window over a program folder and database of its own, branch 2, with a stand-in viewer
// that writes its arguments to "<its own path>.args" (whatever characters the folder holds).
class Falhas : public ::testing::Test {
 protected:
  void SetUp() override {
    pasta_.EscreverIniBanco(banco_.Nome(), 2);
    banco_.Executar("INSERT INTO filial (filial_id, psi_nomest, cgc, inscr) VALUES (2, 'LOJA', '1', '2')");
    InstalarVisualizador(pasta_.Caminho());
  }
  void TearDown() override {
    janela_.reset();
    DatabaseSession.reset();
  }

  static void InstalarVisualizador(const fs::path& pasta) {
    fs::path script = pasta / "visualizador";
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\" && "
                             "mv \"$0.tmp\" \"$0.args\"\n";
    fs::permissions(script, fs::perms::owner_all);
  }

  void Produto(int id, const std::string& descricao, const std::string& estoque, const std::string& pmc,
               int filial = 2) {
    banco_.Executar("INSERT INTO produto (produto_id, descricao, ncm, unidade, preco_cmp_un) VALUES (" +
                    std::to_string(id) + ", '" + descricao + "', '84713012', 'UN', 1)");
    banco_.Executar("INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc) VALUES (" + std::to_string(id) +
                    ", " + std::to_string(filial) + ", " + estoque + ", " + pmc + ")");
  }

  // Shows the window; it connects as it is shown.
  void Abrir() {
    janela_ = std::make_unique<TFMain>();
    janela_->Terminar = [this] { ++terminacoes_; };
    janela_->show();
    (void)QTest::qWaitForWindowExposed(janela_.get());
  }

  void Gerar() { QTest::mouseClick(janela_->BtnGerar, Qt::LeftButton); }

  fs::path Relatorio() const { return pasta_.Caminho() / "relatorio" / "relatorio.txt"; }
  fs::path Argumentos() const { return pasta_.Caminho() / "visualizador.args"; }
  void EscreverAnterior() const { std::ofstream(Relatorio(), std::ios::binary) << kAnterior; }

  bool EsperarVisualizador(const fs::path& args) const {
    for (int i = 0; i < 200 && !fs::exists(args); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    return fs::exists(args);
  }

  std::vector<std::string> TextosDeErro() {
    std::vector<std::string> r;
    for (const auto& c : caixas_->Mostradas) {
      EXPECT_EQ(c.Icone, TIconeMensagem::Erro) << c.Texto;
      EXPECT_EQ(c.Titulo, plataforma::TituloAplicacao());
      r.push_back(c.Texto);
    }
    return r;
  }

  // What must hold after any failed run.
  void VerificarAposFalha(const std::string& anterior = kAnterior) {
    EXPECT_TRUE(janela_->BtnGerar->isEnabled());
    EXPECT_TRUE(janela_->BtnCancelar->isEnabled());
    EXPECT_TRUE(janela_->Button1->isEnabled());
    EXPECT_FALSE(AguardeNaTela());
    EXPECT_EQ(suporte::LerArquivo(Relatorio()), anterior);
    std::vector<std::string> nomes;
    for (auto& e : fs::directory_iterator(Relatorio().parent_path())) nomes.push_back(e.path().filename().string());
    EXPECT_EQ(nomes, std::vector<std::string>{"relatorio.txt"}) << "arquivo perdido na pasta do relatório";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fs::exists(Argumentos())) << "o visualizador não devia ter sido iniciado";
  }

  void VerificarQueFecha() {
    ASSERT_TRUE(janela_->isVisible());
    EXPECT_TRUE(janela_->close());
    EXPECT_FALSE(janela_->isVisible());
  }

  std::string IdConexaoDaSessao() const {
    dbclient::TValor v;
    DatabaseSession->GetValue("SELECT CONNECTION_ID()", {}, v);
    return std::to_string(std::get<int64_t>(v));
  }

  suporte::TRegionalBrasil regional_;
  suporte::TCaixasInstaladas caixas_;
  suporte::TBancoTeste banco_;
  suporte::TPastaProgramaTeste pasta_;
  std::unique_ptr<TFMain> janela_;
  int terminacoes_ = 0;
};

bool ContemAlgum(const std::string& texto, std::initializer_list<const char*> partes) {
  for (const char* p : partes)
    if (texto.find(p) != std::string::npos) return true;
  return false;
}

// ------------------------------------------------------------------------------ event loop

// ------------------------------------------------------------------------------------ server

// The server ends the session's connection between two runs: every later run shows the error,
// never crashes, and the report of the first run stays.
TEST_F(Falhas, ServidorDerrubaAConexaoEntreDuasExecucoes) {
  Produto(1, "CANETA", "3", "12.5");
  Abrir();
  ASSERT_NE(DatabaseSession, nullptr);
  Gerar();
  ASSERT_TRUE(caixas_->Mostradas.empty());
  ASSERT_TRUE(EsperarVisualizador(Argumentos()));
  fs::remove(Argumentos());
  const std::string primeiro = suporte::LerArquivo(Relatorio());
  ASSERT_NE(primeiro.find("|CANETA "), std::string::npos);

  banco_.Executar("KILL CONNECTION " + IdConexaoDaSessao());
  for (int vez = 0; vez < 2; ++vez) {
    caixas_->Mostradas.clear();
    Gerar();
    auto erros = TextosDeErro();
    ASSERT_FALSE(erros.empty());
    // The last box is the run's own error, the lost connection in the server's words.
    EXPECT_TRUE(ContemAlgum(erros.back(), {"gone away", "Lost connection", "killed"})) << erros.back();
    VerificarAposFalha(primeiro);
  }
  // The filter dialog over the lost connection shows the error, still comes up without its lists
  // and closes with "Cancelar", leaving no filter.
  bool dialogoAberto = false;
  QTimer::singleShot(300, [&] {
    if (QWidget* m = QApplication::activeModalWidget()) {
      dialogoAberto = true;
      QTest::keyClick(m, Qt::Key_Escape);
    }
  });
  caixas_->Mostradas.clear();
  QTest::mouseClick(janela_->Button1, Qt::LeftButton);
  EXPECT_TRUE(dialogoAberto);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(janela_->FiltroGrupos, "");
  EXPECT_EQ(janela_->FiltroEspecificacoes, "");
  auto erros = TextosDeErro();
  ASSERT_FALSE(erros.empty());
  EXPECT_TRUE(ContemAlgum(erros.back(), {"gone away", "Lost connection", "killed"})) << erros.back();
  VerificarQueFecha();
}

// The connection is killed while the script waits on a lock in the middle of the run.
TEST_F(Falhas, ServidorDerrubaAConexaoNoMeioDaExecucao) {
  Produto(1, "CANETA", "3", "12.5");
  EscreverAnterior();
  Abrir();
  ASSERT_NE(DatabaseSession, nullptr);
  const std::string id = IdConexaoDaSessao();

  auto bloqueio = ConexaoTeste(banco_.Nome());
  bloqueio->Executar("LOCK TABLES produto WRITE");
  std::atomic<bool> derrubada{false};
  std::thread vigia([&] {
    auto admin = ConexaoTeste(banco_.Nome());
    dbclient::TConsulta q(*admin);
    q.DefinirSql("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID = " + id +
                 " AND INFO LIKE '%registro74%'");
    for (int i = 0; i < 1000 && !derrubada; ++i) {
      q.Abrir();
      if (q.Campo(0).AsInteger() > 0) {
        admin->Executar("KILL CONNECTION " + id);
        derrubada = true;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    bloqueio->Executar("UNLOCK TABLES");
  });
  Gerar();
  vigia.join();
  ASSERT_TRUE(derrubada) << "a execução não chegou ao comando esperado";

  // One box: the run's error, the statement that was running when the connection went. The
  // script stops there, and the clean-up drops nothing on a connection that is gone.
  auto erros = TextosDeErro();
  ASSERT_EQ(erros.size(), 1u);
  EXPECT_TRUE(ContemAlgum(erros.front(), {"gone away", "Lost connection", "killed"})) << erros.front();
  EXPECT_FALSE(DatabaseSession->IsConnected());
  VerificarAposFalha();
  VerificarQueFecha();
}

// A statement of the script that the server rejects ends the script: one box with the server's
// message, nothing written; the session stays usable, and once the table is back the next run
// writes the register.
TEST_F(Falhas, ComandoRejeitadoNoScriptParaEASessaoContinua) {
  Produto(1, "CANETA", "3", "12.5");
  EscreverAnterior();
  banco_.Executar("RENAME TABLE movment_sem_acompanhamento TO guardada");
  Abrir();
  Gerar();
  auto erros = TextosDeErro();
  ASSERT_EQ(erros.size(), 1u);
  EXPECT_NE(erros[0].find("movment_sem_acompanhamento"), std::string::npos) << erros[0];
  VerificarAposFalha();

  banco_.Executar("RENAME TABLE guardada TO movment_sem_acompanhamento");
  caixas_->Mostradas.clear();
  Gerar();
  EXPECT_TRUE(caixas_->Mostradas.empty());
  EXPECT_NE(suporte::LerArquivo(Relatorio()).find("|CANETA "), std::string::npos);
  EXPECT_TRUE(EsperarVisualizador(Argumentos()));
  VerificarQueFecha();
}

// A user without the right to create temporary tables: the script's first CREATE fails and the
// script stops there, so nothing reaches the permanent registro74 of another program (neither the
// script's DELETE nor the final query). One box, no register. With the right, a normal run leaves
// that table as it was and prints the branch's own rows.
TEST_F(Falhas, SemDireitoDeTabelaTemporariaTabelaPermanenteIntacta) {
  banco_.Executar(
      "CREATE TABLE registro74 (barras VARCHAR(20), sittr VARCHAR(5), produto_id INT, descricao "
      "VARCHAR(50), ncm VARCHAR(10), quantidade DECIMAL(15,4), valor DECIMAL(15,4), unidade VARCHAR(6)); "
      "INSERT INTO registro74 VALUES (NULL, NULL, 91, 'DE OUTRO PROGRAMA', '1', 5, 1, 'UN'), "
      "(NULL, NULL, 92, 'DE OUTRO PROGRAMA', '1', 0, 1, 'UN'), "
      "(NULL, NULL, 93, 'DE OUTRO PROGRAMA', '1', -2, 1, 'UN')");
  Produto(1, "CANETA", "3", "12.5");
  const std::string usuario = "p7u_" + banco_.Nome();
  banco_.Executar("CREATE USER '" + usuario +
                  "'@'%' IDENTIFIED BY 'semtemp'; GRANT SELECT, INSERT, UPDATE, "
                  "DELETE, CREATE, DROP, INDEX, ALTER ON `" +
                  banco_.Nome() + "`.* TO '" + usuario + "'@'%'");
  struct ApagarUsuario {
    const suporte::TBancoTeste& banco;
    std::string nome;
    ~ApagarUsuario() {
      try {
        banco.Executar("DROP USER IF EXISTS '" + nome + "'@'%'");
      } catch (...) {
      }
    }
  } apagarUsuario{banco_, usuario};
  const auto s = suporte::TServidorTeste::DoAmbiente();
  pasta_.EscreverIni("[FilialMatriz]\r\nCodLogica=2\r\n[IP]\r\nlocal=" + s.Host + ":" + std::to_string(s.Porta) +
                     "\r\ndatabase=" + banco_.Nome() + "\r\nusuario=" + usuario +
                     "\r\nsenha=" + ScrambleText("E", "semtemp", "QEW") + "\r\n");
  const std::string permanente = "SELECT GROUP_CONCAT(produto_id, ':', quantidade ORDER BY produto_id) FROM registro74";
  const std::string linhasPermanentes = banco_.Valor(permanente);
  ASSERT_EQ(linhasPermanentes, "91:5.0000,92:0.0000,93:-2.0000");
  EscreverAnterior();
  Abrir();
  ASSERT_NE(DatabaseSession, nullptr);
  Gerar();
  EXPECT_EQ(banco_.Valor(permanente), linhasPermanentes);
  auto erros = TextosDeErro();
  ASSERT_EQ(erros.size(), 1u);
  EXPECT_NE(erros[0].find("Access denied"), std::string::npos) << erros[0];
  VerificarAposFalha();

  janela_.reset();
  DatabaseSession.reset();
  pasta_.EscreverIniBanco(banco_.Nome(), 2);
  caixas_->Mostradas.clear();
  Abrir();
  Gerar();
  EXPECT_TRUE(caixas_->Mostradas.empty());
  const std::string arquivo = suporte::LerArquivo(Relatorio());
  EXPECT_NE(arquivo.find("|CANETA "), std::string::npos);
  EXPECT_EQ(arquivo.find("DE OUTRO PROGRAMA"), std::string::npos);
  EXPECT_NE(arquivo.find("Total Geral: 37,50\r\n"), std::string::npos);
  EXPECT_EQ(banco_.Valor(permanente), linhasPermanentes);
  EXPECT_TRUE(EsperarVisualizador(Argumentos()));
  VerificarQueFecha();
}

// ----------------------------------------------------------------------------- configuration

// Each bad configuration gives the retry question with the failure's own text; No ends the
// program without a session.
TEST_F(Falhas, ConfiguracaoRuimPerguntaENaoTermina) {
  const auto s = suporte::TServidorTeste::DoAmbiente();
  const std::string ip = "[IP]\r\nlocal=" + s.Host + ":" + std::to_string(s.Porta) + "\r\n";
  const std::string senha = "senha=" + ScrambleText("E", s.Senha, "QEW") + "\r\n";
  std::string lixo;
  for (int i = 0; i < 4096; ++i) lixo += static_cast<char>((i * 167 + 13) % 256);
  struct Caso {
    const char* nome;
    std::optional<std::string> ini;  // nullopt: no file
    std::string erro;                // part of the message after "Erro: "
  } casos[] = {
      {"sem arquivo", std::nullopt, ""},
      {"arquivo vazio", "", ""},
      {"lixo binario", lixo, ""},
      {"linha de 1 MB", ip + "database=" + banco_.Nome() + "\r\nusuario=" + std::string(1 << 20, 'u') + "\r\n" + senha,
       ""},
      {"login recusado",
       ip + "database=" + banco_.Nome() + "\r\nusuario=" + s.Usuario +
           "\r\nsenha=" + ScrambleText("E", "errada", "QEW") + "\r\n",
       "Access denied"},
      {"banco ausente", ip + "database=nao_existe_p7\r\nusuario=" + s.Usuario + "\r\n" + senha, "Unknown database"},
      {"senha mal formada", ip + "database=" + banco_.Nome() + "\r\nusuario=" + s.Usuario + "\r\nsenha=1F\r\n",
       "'$' is not a valid integer value"},
      // Wrapped round modulo 65536 this port is the test server's own: it must not be reached.
      {"porta acima de 65535",
       "[IP]\r\nlocal=" + s.Host + ":" + std::to_string(s.Porta + 65536) + "\r\ndatabase=" + banco_.Nome() +
           "\r\nusuario=" + s.Usuario + "\r\n" + senha,
       W("Porta inválida no arquivo de configuração: ") + std::to_string(s.Porta + 65536)},
  };
  const std::string inicio = W("Não foi possível estabelecer conexão com o banco de dados.\r\nErro: ");
  const std::string fim = "\r\n" + W("Deseja tentar novamente?");
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nome);
    fs::remove(pasta_.Caminho() / "sistema_kot.ini");
    if (c.ini) std::ofstream(pasta_.Caminho() / "sistema_kot.ini", std::ios::binary) << *c.ini;
    caixas_->Mostradas.clear();
    caixas_->Respostas = {true, false};  // Yes once, then No
    terminacoes_ = 0;
    Abrir();
    ASSERT_EQ(caixas_->Mostradas.size(), 2u);
    for (const auto& caixa : caixas_->Mostradas) {
      EXPECT_TRUE(caixa.Pergunta);
      ASSERT_GT(caixa.Texto.size(), inicio.size() + fim.size());
      EXPECT_EQ(caixa.Texto.substr(0, inicio.size()), inicio);
      EXPECT_EQ(caixa.Texto.substr(caixa.Texto.size() - fim.size()), fim);
      EXPECT_NE(caixa.Texto.find(c.erro), std::string::npos) << caixa.Texto;
    }
    EXPECT_EQ(terminacoes_, 1);
    EXPECT_EQ(DatabaseSession, nullptr);
    VerificarQueFecha();
    janela_.reset();
  }
}

// Duplicate sections and keys: the first one counts, the later ones are ignored; a branch code
// that is not a number is branch 0, which has no row in filial: its header data are blank.
TEST_F(Falhas, SecoesDuplicadasECodLogicaQueNaoEhNumero) {
  const auto s = suporte::TServidorTeste::DoAmbiente();
  pasta_.EscreverIni("[FilialMatriz]\r\nCodLogica=abc\r\n[IP]\r\nlocal=" + s.Host + ":" + std::to_string(s.Porta) +
                     "\r\nlocal=127.0.0.1:1\r\ndatabase=" + banco_.Nome() + "\r\nusuario=" + s.Usuario +
                     "\r\nsenha=" + ScrambleText("E", s.Senha, "QEW") +
                     "\r\n[IP]\r\ndatabase=outro\r\n[FilialMatriz]\r\nCodLogica=2\r\n");
  Produto(1, "DA FILIAL ZERO", "1", "1", 0);
  Produto(2, "DA FILIAL DOIS", "1", "1", 2);
  Abrir();
  ASSERT_NE(DatabaseSession, nullptr);
  Gerar();
  EXPECT_TRUE(caixas_->Mostradas.empty());
  const std::string arquivo = suporte::LerArquivo(Relatorio());
  EXPECT_NE(arquivo.find("|DA FILIAL ZERO "), std::string::npos);
  EXPECT_EQ(arquivo.find("DA FILIAL DOIS"), std::string::npos);
  EXPECT_NE(arquivo.find(W("| RAZÃO SOCIAL: ") + std::string(119, ' ') + "|\r\n"), std::string::npos);
  EXPECT_NE(arquivo.find("| INSCR: " + std::string(30, ' ') + "CNPJ: "), std::string::npos);
  EXPECT_TRUE(EsperarVisualizador(Argumentos()));
  VerificarQueFecha();
}

// An ini saved as UTF-8 with a byte order mark: its first section still counts (branch 2, not 0).
TEST_F(Falhas, IniComMarcaDeOrdemDeBytes) {
  const std::string ini = suporte::LerArquivo(pasta_.Caminho() / "sistema_kot.ini");
  ASSERT_EQ(ini.substr(0, 14), "[FilialMatriz]");
  std::ofstream(pasta_.Caminho() / "sistema_kot.ini", std::ios::binary) << "\xEF\xBB\xBF" << ini;
  Produto(1, "CANETA", "3", "12.5");
  Abrir();
  Gerar();
  EXPECT_TRUE(caixas_->Mostradas.empty());
  EXPECT_NE(suporte::LerArquivo(Relatorio()).find("|CANETA "), std::string::npos);
  EXPECT_TRUE(EsperarVisualizador(Argumentos()));
  VerificarQueFecha();
}

// ----------------------------------------------------------------------------- report folder

// A full disk (a small tmpfs as the report folder): the error box names the system's error, the
// earlier report stays, the half-written file is gone and no viewer starts.
TEST_F(Falhas, DiscoCheio) {
  const fs::path pastaRel = Relatorio().parent_path();
  if (::mount("tmpfs", pastaRel.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                 << "): mounting needs root in a namespace that allows it";
  struct Desmontar {
    fs::path p;
    ~Desmontar() { ::umount2(p.c_str(), MNT_DETACH); }
  } desmontar{pastaRel};

  EscreverAnterior();
  banco_.Executar(
      "INSERT INTO produto (produto_id, descricao, ncm, unidade, preco_cmp_un) "
      "SELECT seq, CONCAT('PRODUTO ', seq), '84713012', 'UN', 1 FROM seq_1_to_800");
  banco_.Executar(
      "INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc) SELECT seq, 2, 1, 1 FROM seq_1_to_800");
  Abrir();
  Gerar();
  auto erros = TextosDeErro();
  ASSERT_EQ(erros.size(), 1u);
  EXPECT_NE(erros[0].find(plataforma::Utf8ParaW1252(std::generic_category().message(ENOSPC))), std::string::npos)
      << erros[0];
  EXPECT_NE(erros[0].find("relatorio"), std::string::npos) << erros[0];
  VerificarAposFalha();
  VerificarQueFecha();
}

// A report the user made read-only is not replaced (as root, checked by a run as nobody).
TEST_F(Falhas, RelatorioSomenteLeitura) {
  if (suporte::RepetirSemPrivilegios()) return;
  Produto(1, "CANETA", "3", "12.5");
  EscreverAnterior();
  fs::permissions(Relatorio(), fs::perms::owner_read);
  Abrir();
  Gerar();
  auto erros = TextosDeErro();
  fs::permissions(Relatorio(), fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(erros.size(), 1u);
  EXPECT_NE(erros[0].find(plataforma::Utf8ParaW1252(std::generic_category().message(EACCES))), std::string::npos)
      << erros[0];
  VerificarAposFalha();
  VerificarQueFecha();
}

// -------------------------------------------------------------------------------------- data

// NULL in every column read, every byte from 0x80 to 0xFF, texts wider than their columns, a
// description of 10,000 characters and fractional quantities: the file, checked byte by byte.
TEST_F(Falhas, DadosExtremosNoArquivoByteAByte) {
  // The suite's databases differ in column widths; these are wider than any column of the register.
  banco_.Executar(
      "ALTER TABLE produto MODIFY descricao VARCHAR(10000), MODIFY ncm VARCHAR(40), "
      "MODIFY unidade VARCHAR(40)");
  banco_.Executar("UPDATE filial SET psi_nomest = NULL, cgc = NULL, inscr = NULL, produto_arredond = NULL");
  auto sql = [](const std::string& bytes) {
    std::string r = "'";
    for (char c : bytes) r += (c == '\'' || c == '\\') ? std::string(1, '\\') + c : std::string(1, c);
    return r + "'";
  };
  std::string altos;
  for (int b = 0x80; b <= 0xFF; ++b) altos += static_cast<char>(b);
  const std::string d1 = "A" + altos.substr(0, 52), d2 = "B" + altos.substr(52, 52), d3 = "C" + altos.substr(104);
  const std::string longa = "D" + std::string(9999, 'x');
  banco_.Executar(
      "INSERT INTO produto (produto_id, barras, sittr, descricao, ncm, unidade, preco_cmp_un, grupo_id, espec_id, "
      "dtcadastro) VALUES "
      "(1, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL), "
      "(2, NULL, NULL, " +
      sql(d1) + ", " + sql(altos.substr(0, 15)) + ", " + sql(altos.substr(15, 7)) +
      ", 1, NULL, NULL, NULL), "
      "(3, NULL, NULL, " +
      sql(d2) + ", " + sql(altos.substr(22, 15)) + ", " + sql(altos.substr(37, 7)) +
      ", 1, NULL, NULL, NULL), "
      "(4, NULL, NULL, " +
      sql(d3) + ", " + sql(altos.substr(44, 40)) + ", " + sql(altos.substr(84, 40)) +
      ", 1, NULL, NULL, NULL), "
      "(5, NULL, NULL, " +
      sql(longa) +
      ", '84713012', 'UN', NULL, NULL, NULL, NULL), "
      "(6, NULL, NULL, 'FRACAO', '1', 'KG', NULL, NULL, NULL, NULL), "
      "(7, NULL, NULL, 'MINIMO', '1', 'KG', NULL, NULL, NULL, NULL), "
      "(8, NULL, NULL, 'QUANTIDADE LARGA', '1', 'KG', NULL, NULL, NULL, NULL), "
      "(9, NULL, NULL, 'ESTOQUE NULO', '1', 'UN', 1, NULL, NULL, NULL), "
      "(10, NULL, NULL, CONCAT('CONTROLES', CHAR(13, 10), 'NO', CHAR(12), 'MEIO', CHAR(9), 'E', CHAR(0), 'FIM'), "
      "CONCAT('8471', CHAR(13, 10), '3012'), CONCAT('U', CHAR(12), 'N'), 1, NULL, NULL, NULL)");
  banco_.Executar(
      "INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc, precoee, dtcadastro) VALUES "
      "(1, 2, 1, NULL, NULL, NULL), (2, 2, 1, 1, NULL, NULL), (3, 2, 1, 1, NULL, NULL), (4, 2, 1, 1, NULL, NULL), "
      "(5, 2, 3, 2, NULL, NULL), (6, 2, 2.5, 10, NULL, NULL), (7, 2, 0.0001, 0.0001, NULL, NULL), "
      "(8, 2, 99999999999.9999, NULL, NULL, NULL), (9, 2, NULL, NULL, NULL, NULL), (10, 2, 1, 1, NULL, NULL)");
  banco_.Executar(
      "INSERT INTO preco_medio_custo_historico (filial_id, produto_id, datahora, novo_pmc, valor_entrada) "
      "VALUES (2, 1, '2000-01-01', NULL, NULL)");
  // Sold after the stock date: the quantity at the date is larger than any stock column holds.
  banco_.Executar(
      "INSERT INTO movment (filial_id, dafilial_id, produto_id, data_hora, oper, e_s, quanti_uni) "
      "VALUES (2, NULL, 8, DATE_ADD(NOW(), INTERVAL 2 DAY), 1, 'S', 99999999999.9999), "
      "(2, NULL, 9, DATE_ADD(NOW(), INTERVAL 2 DAY), 1, 'S', 5)");
  Abrir();
  Gerar();
  EXPECT_TRUE(caixas_->Mostradas.empty()) << (caixas_->Mostradas.empty() ? "" : caixas_->Mostradas[0].Texto);
  const std::string arquivo = suporte::LerArquivo(Relatorio());
  ASSERT_FALSE(arquivo.empty());
  ASSERT_EQ(arquivo.substr(arquivo.size() - 2), "\r\n");

  int detalhes = 0;
  bool larga = false;
  for (std::string l : Linhas(arquivo)) {
    if (!l.empty() && l[0] == '\f') l.erase(0, 1);
    // No control character but the line ends and the form feed that starts a page.
    EXPECT_EQ(std::count_if(l.begin(), l.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }), 0)
        << "caractere de controle solto: " << l;
    if (l.size() < 18 || l[1] != '|' || l[17] != '|') continue;
    if (l.find("|199999999999,9998|") != std::string::npos) {
      // A quantity wider than its column is printed whole and lengthens its line.
      larga = true;
      EXPECT_EQ(l.size(), 138u) << l;
      continue;
    }
    ASSERT_EQ(l.size(), 137u) << l;
    for (size_t p : {2, 18, 72, 80, 97, 137}) EXPECT_EQ(l[p - 1], '|') << "posição " << p << ": " << l;
    if (l.find(',') != std::string::npos) {
      ++detalhes;
      EXPECT_EQ(l[115], '|') << l;
      EXPECT_EQ(l[0], ' ');
    }
  }
  EXPECT_TRUE(larga) << "a quantidade larga sumiu";
  EXPECT_EQ(detalhes, 8);  // products 1 to 7 and 10; 8 is the wide one, 9 has no stock at the date
  // Bytes as stored: one byte each, cut at the column's width, centred where the column centres.
  EXPECT_NE(arquivo.find("|" + d1 + "|"), std::string::npos);
  EXPECT_NE(arquivo.find("|" + d2 + "|"), std::string::npos);
  EXPECT_NE(arquivo.find("|" + altos.substr(0, 15) + "|" + std::string(1, 'A')), std::string::npos);
  EXPECT_NE(arquivo.find("|" + altos.substr(44, 15) + "|C"), std::string::npos);
  EXPECT_NE(arquivo.find("|" + altos.substr(84, 7) + "|"), std::string::npos);
  EXPECT_NE(arquivo.find("|D" + std::string(52, 'x') + "|"), std::string::npos);
  EXPECT_EQ(arquivo.find(std::string(53, 'x')), std::string::npos);
  EXPECT_NE(arquivo.find("|  KG   |       2,5      |        10,00     |       25,00        |"), std::string::npos);
  EXPECT_NE(arquivo.find("|     0,0001     |         0,00     |        0,00        |"), std::string::npos);
  // Control characters inside the texts are blanks, in place.
  EXPECT_NE(arquivo.find("|  8471  3012   |CONTROLES  NO MEIO E FIM" + std::string(29, ' ') + "|  U N  |"),
            std::string::npos);
  // 0 + 1 + 1 + 1 + 6 + 25 + 0 + 1, and 0 for the wide quantity without a value
  EXPECT_NE(arquivo.find("Total Geral: 35,00\r\n"), std::string::npos);
  EXPECT_TRUE(EsperarVisualizador(Argumentos()));
  VerificarQueFecha();
}

// A line value or a total that no amount can hold is an error, not a wrong number: nothing is
// written, and the box names the product (id and description) at which it happened.
TEST_F(Falhas, ValorQueNaoCabeNaoGravaNada) {
  Produto(1, "ENORME", "99999999999.9999", "99999999999.9999");
  EscreverAnterior();
  Abrir();
  Gerar();
  auto erros = TextosDeErro();
  ASSERT_EQ(erros.size(), 1u);
  EXPECT_EQ(erros[0], "Valor fora do intervalo permitido.\r\nProduto: 1 - ENORME.");
  VerificarAposFalha();

  // 103 lines of 900.000.000.000.000,00 each: every line fits, their sum passes the limit at the 103rd.
  banco_.Executar("DELETE FROM estoque_minimo; DELETE FROM produto");
  banco_.Executar(
      "INSERT INTO produto (produto_id, descricao, ncm, unidade, preco_cmp_un) "
      "SELECT seq, CONCAT('PARCELA ', LPAD(seq, 3, '0')), '1', 'UN', 1 FROM seq_1_to_103");
  banco_.Executar(
      "INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc) "
      "SELECT seq, 2, 90000000, 10000000 FROM seq_1_to_103");
  caixas_->Mostradas.clear();
  Gerar();
  erros = TextosDeErro();
  ASSERT_EQ(erros.size(), 1u);
  EXPECT_EQ(erros[0], "Valor fora do intervalo permitido.\r\nTotal geral, ao somar o produto: 103 - PARCELA 103.");
  VerificarAposFalha();
  VerificarQueFecha();
}

// ------------------------------------------------------------------------------------ viewer

// A viewer that is missing or cannot run is not reported: the file is written all the same.
TEST_F(Falhas, VisualizadorAusenteOuNaoExecutavel) {
  Produto(1, "CANETA", "3", "12.5");
  Abrir();
  for (bool existe : {false, true}) {
    SCOPED_TRACE(existe ? "não executável" : "ausente");
    fs::remove(Relatorio());
    fs::remove(pasta_.Caminho() / "visualizador");
    if (existe) std::ofstream(pasta_.Caminho() / "visualizador") << "#!/bin/sh\ntouch \"$0.args\"\n";
    Gerar();
    EXPECT_TRUE(caixas_->Mostradas.empty());
    EXPECT_NE(suporte::LerArquivo(Relatorio()).find("|CANETA "), std::string::npos);
    EXPECT_TRUE(janela_->BtnGerar->isEnabled());
    EXPECT_FALSE(AguardeNaTela());
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(fs::exists(Argumentos()));
  VerificarQueFecha();
}

// A program folder whose name a shell would act on: blanks, double and single quotes, ";", "$(...)"
// and backticks. The viewer starts with the right file and nothing else runs.
TEST_F(Falhas, PastaComCaracteresDeShellNaoExecutaNada) {
  Produto(1, "CANETA", "3", "12.5");
  const fs::path marca = pasta_.Caminho() / "INVADIDO";
  const std::string m = marca.string();
  const fs::path pasta = pasta_.Caminho() / ("p7 \"a b\" 'c';touch '" + m + "1';$(touch '" + m + "2')`touch '" + m +
                                             "3'`&& touch " + m + "4 \\\" x");
  fs::create_directories(pasta / "relatorio");
  fs::copy_file(pasta_.Caminho() / "sistema_kot.ini", pasta / "sistema_kot.ini");
  InstalarVisualizador(pasta);
  plataforma::DefinirPastaPrograma(pasta.string() + "/");
  struct Restaurar {
    std::string p;
    ~Restaurar() { plataforma::DefinirPastaPrograma(p); }
  } restaurar{pasta_.Caminho().string() + "/"};

  Abrir();
  Gerar();
  EXPECT_TRUE(caixas_->Mostradas.empty());
  EXPECT_NE(suporte::LerArquivo(pasta / "relatorio" / "relatorio.txt").find("|CANETA "), std::string::npos);
  const fs::path args = pasta / "visualizador.args";
  ASSERT_TRUE(EsperarVisualizador(args)) << "o visualizador não foi iniciado";
  EXPECT_EQ(suporte::LerArquivo(args), pasta.string() + "//relatorio/relatorio.txt\n132\npermissao_\n");
  for (const char* n : {"1", "2", "3", "4"}) EXPECT_FALSE(fs::exists(m + n)) << "um shell executou " << m + n;
  VerificarQueFecha();
}

}  // namespace
