// The database session against the private server, configured through sistema_kot.ini.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Mensagens.h"
#include "platform/Win1252.h"
#include "settings/UConfigSistemaKOT.h"
#include "settings/UDatabase.h"
#include "tests/support/SuporteTestes.h"

using dbclient::EErroBanco;
using dbclient::TValor;

namespace {

class Sessao : public ::testing::Test {
 protected:
  void SetUp() override { pasta.EscreverIniBanco(banco.Nome()); }

  std::string ErroAoConectar() {
    try {
      TDatabase db;
      return "(connected)";
    } catch (const std::runtime_error& e) {
      return e.what();
    }
  }
  int64_t Inteiro(IDatabase& db, const std::string& sql) {
    TValor v;
    db.GetValue(sql, TValor{}, v);
    return std::get<int64_t>(v);
  }
  std::string IniIp(const std::string& corpo) {
    auto s = suporte::TServidorTeste::DoAmbiente();
    return "[IP]\r\nlocal=" + s.Host + ":" + std::to_string(s.Porta) + "\r\n" + corpo;
  }

  suporte::TBancoTeste banco;
  suporte::TPastaProgramaTeste pasta;
  suporte::TCaixasInstaladas caixas;
};

}  // namespace

TEST_F(Sessao, ConectaPeloIniEMantemUmaConexao) {
  auto db = std::make_shared<TDatabase>();
  EXPECT_TRUE(db->IsConnected());
  TValor v;
  db->GetValue("select database()", TValor{}, v);
  EXPECT_EQ(std::get<std::string>(v), banco.Nome());
  // Temporary tables made by one call are seen by the next ones.
  EXPECT_TRUE(db->Execute("create temporary table tmp_t (v int)"));
  EXPECT_TRUE(db->Execute("insert into tmp_t values (5)"));
  EXPECT_EQ(Inteiro(*db, "select v from tmp_t"), 5);
  const int64_t id = Inteiro(*db, "select connection_id()");
  db.reset();  // the last reference closes the connection
  std::string resta = "1";
  for (int i = 0; i < 50 && resta != "0"; ++i) {
    resta = banco.Valor("select count(*) from information_schema.processlist where id = " + std::to_string(id));
    if (resta != "0") std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(resta, "0");
  EXPECT_TRUE(caixas->Mostradas.empty());
}

TEST_F(Sessao, ExecuteEmBrancoNaoEnviaNada) {
  TDatabase db;
  auto perguntas = [&] {
    return std::stoll(db.OpenQuery("show session status like 'Questions'")->Campo(1).AsString());
  };
  // Each probe costs the same number of statements; a blank Execute in between adds none.
  const long long a = perguntas(), b = perguntas();
  EXPECT_FALSE(db.Execute(""));
  EXPECT_FALSE(db.Execute(" \r\n\t "));
  const long long c = perguntas();
  EXPECT_EQ(c - b, b - a);
  EXPECT_TRUE(caixas->Mostradas.empty());
}

// A script that goes on runs every statement and then raises all its failures together, each
// with its place; one that stops raises the first and runs nothing after it. Nothing is shown:
// the caller decides what the user sees.
TEST_F(Sessao, ScriptSegueOuParaELevantaOLugarDoComando) {
  TDatabase db;
  const std::string esperado = "Table '" + banco.Nome() + ".sem_tabela' doesn't exist";
  try {
    db.Execute(
        "create temporary table tmp_s (v int);\r\ninsert into sem_tabela values (2);\r\n"
        "insert into tmp_s values (3);insert into sem_tabela values (9)");
    FAIL() << "the failures are raised once the script ends";
  } catch (const EFalhasScript& e) {
    EXPECT_EQ(e.what(), esperado);  // the server's own text
    ASSERT_EQ(e.Falhas.size(), 2u);
    EXPECT_EQ(e.Falhas[0].Comando, 2u);
    EXPECT_EQ(e.Falhas[1].Comando, 4u);
    EXPECT_EQ(e.Falhas[1].Comandos, 4u);
  }
  EXPECT_EQ(Inteiro(db, "select count(*) from tmp_s where v = 3"), 1);

  // The same statement alone raises the server's error as it is.
  try {
    db.Execute("insert into sem_tabela values (2)");
    FAIL();
  } catch (const EErroBanco& e) {
    EXPECT_EQ(e.what(), esperado);
    EXPECT_EQ(dynamic_cast<const dbclient::EErroScript*>(&e), nullptr);
  }

  // A ";" only inside a string still makes it a script.
  EXPECT_THROW(db.Execute("insert into sem_tabela values ('a;b')"), EFalhasScript);
  try {
    db.Execute("insert into tmp_s values (4); insert into sem_tabela values (2); insert into tmp_s values (5);",
               TFalhaScript::Parar);
    FAIL();
  } catch (const dbclient::EErroScript& e) {
    EXPECT_EQ(e.Comando, 2u);
    EXPECT_EQ(e.Comandos, 3u);
  }
  EXPECT_EQ(Inteiro(db, "select count(*) from tmp_s where v = 4"), 1);
  EXPECT_EQ(Inteiro(db, "select count(*) from tmp_s where v = 5"), 0);
  // Still usable after all that.
  EXPECT_EQ(Inteiro(db, "select 1"), 1);
}

TEST_F(Sessao, GetValueEOpenQuery) {
  TDatabase db;
  TValor v = int64_t{99};
  db.GetValue("  ", TValor{int64_t{5}}, v);
  EXPECT_TRUE(dbclient::EhNulo(v));
  db.GetValue("select 1 from dual where false", TValor{int64_t{5}}, v);
  EXPECT_EQ(std::get<int64_t>(v), 5);
  db.GetValue("select null", TValor{std::string("d")}, v);
  EXPECT_EQ(std::get<std::string>(v), "d");
  db.GetValue("select 0", TValor{int64_t{5}}, v);
  EXPECT_EQ(std::get<int64_t>(v), 0);
  db.GetValue("select cast(2.50 as decimal(5,2)), 'x'", TValor{}, v);
  EXPECT_DOUBLE_EQ(std::get<double>(v), 2.5);
  EXPECT_THROW(db.GetValue("select * from sem_tabela", TValor{}, v), EErroBanco);
  EXPECT_TRUE(dbclient::EhNulo(v));  // set to Null before the failure

  auto vazia = db.OpenQuery("\r\n");
  ASSERT_TRUE(vazia);
  EXPECT_FALSE(vazia->Aberta());
  EXPECT_THROW(db.OpenQuery("select * from sem_tabela"), EErroBanco);
  auto q = db.OpenQuery("select 'a' as Nome union all select 'b'");
  EXPECT_TRUE(q->Aberta());
  EXPECT_EQ(q->CampoPorNome("NOME").AsString(), "a");
  // Statements are counted for the command's progress line.
  const uint64_t antes = db.ComandosExecutados();
  db.Execute("SELECT 1");
  EXPECT_EQ(db.ComandosExecutados(), antes + 1);
}

TEST_F(Sessao, TextosWindows1252VaoEVoltam) {
  TDatabase db;
  std::string todos;
  for (int c = 0x80; c <= 0xFF; ++c)
    if (c != '\\' && c != '\'') todos += static_cast<char>(c);
  db.Execute("create temporary table tmp_w (t varchar(200)) character set latin1");
  db.Execute("insert into tmp_w values ('" + todos + "')");
  TValor v;
  db.GetValue("select t from tmp_w", TValor{}, v);
  EXPECT_EQ(std::get<std::string>(v), todos);
  db.GetValue("select count(*) from tmp_w where t like " + W("'%ÇÃO%'") + " or t like '%" + W("Ç") + "%'", TValor{}, v);
  EXPECT_EQ(std::get<int64_t>(v), 1);
}

TEST_F(Sessao, FalhasDeConexao) {
  // Wrong password: the server's message.
  pasta.EscreverIni(
      IniIp("database=" + banco.Nome() + "\r\nusuario=p7\r\nsenha=" + ScrambleText("E", "errada", "QEW") + "\r\n"));
  EXPECT_NE(ErroAoConectar().find("Access denied"), std::string::npos);

  // Nobody listens on port 1.
  pasta.EscreverIni(
      "[IP]\r\nlocal=127.0.0.1:1\r\ndatabase=x\r\nusuario=p7\r\nsenha=" + ScrambleText("E", "p7senha", "QEW") + "\r\n");
  EXPECT_NE(ErroAoConectar().find("Can't connect"), std::string::npos);

  // A malformed scrambled password.
  pasta.EscreverIni(IniIp("database=" + banco.Nome() + "\r\nusuario=p7\r\nsenha=1F\r\n"));
  EXPECT_EQ(ErroAoConectar(), "'$' is not a valid integer value");
  pasta.EscreverIni(IniIp("database=" + banco.Nome() + "\r\nusuario=p7\r\nsenha=10ZZ\r\n"));
  EXPECT_EQ(ErroAoConectar(), "'$ZZ' is not a valid integer value");

  // A database that does not exist: the server's message.
  pasta.EscreverIniBanco("sem_banco_p7");
  EXPECT_NE(ErroAoConectar().find("Unknown database"), std::string::npos);

  // A blank database name: the login works, then the attempt fails with our message.
  for (const char* nome : {"", "   "}) {
    pasta.EscreverIniBanco(nome);
    EXPECT_EQ(ErroAoConectar(), W("Database configurada não existe.")) << "[" << nome << "]";
  }
  EXPECT_TRUE(caixas->Mostradas.empty());

  // Every attempt reads the file anew: fixed, it connects.
  pasta.EscreverIniBanco(banco.Nome());
  EXPECT_EQ(ErroAoConectar(), "(connected)");
}

TEST_F(Sessao, SenhaVaziaUsaAEmbutida) {
  const std::string usuario = "p7pad_" + banco.Nome();
  banco.Executar("create user '" + usuario + "'@'127.0.0.1' identified by '574203kqw'; grant all on `" + banco.Nome() +
                 "`.* to '" + usuario + "'@'127.0.0.1'");
  struct Apagar {
    const suporte::TBancoTeste& b;
    std::string u;
    ~Apagar() {
      try {
        b.Executar("drop user if exists '" + u + "'@'127.0.0.1'");
      } catch (...) {
      }
    }
  } apagar{banco, usuario};

  // The user name in quotes with blanks around "=", the password key empty.
  pasta.EscreverIni(IniIp("database=" + banco.Nome() + "\r\nusuario =  '" + usuario + "' \r\nsenha=\r\n"));
  TDatabase db;
  ASSERT_TRUE(db.IsConnected());
  TValor v;
  db.GetValue("select current_user()", TValor{}, v);
  EXPECT_EQ(std::get<std::string>(v), usuario + "@127.0.0.1");

  // With a scrambled password present, the built-in one is not used.
  pasta.EscreverIni(IniIp("database=" + banco.Nome() + "\r\nusuario=" + usuario +
                          "\r\nsenha=" + ScrambleText("E", "other", "QEW") + "\r\n"));
  EXPECT_NE(ErroAoConectar().find("Access denied"), std::string::npos);
}
