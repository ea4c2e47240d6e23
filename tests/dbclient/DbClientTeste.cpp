// The client layer against the private server: connection, statements, cursor and typed fields.
#include <gtest/gtest.h>
#include <mysql.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "dbclient/DbClient.h"
#include "platform/Win1252.h"
#include "tests/support/SuporteTestes.h"

using namespace dbclient;

namespace {

class DbClient : public ::testing::Test {
 protected:
  void SetUp() override {
    auto s = suporte::TServidorTeste::DoAmbiente();
    con.Servidor = s.Host;
    con.Porta = s.Porta;
    con.Usuario = s.Usuario;
    con.Senha = s.Senha;
    con.Banco = banco.Nome();
    con.Conectar();
  }
  std::unique_ptr<TConsulta> Abrir(const std::string& sql) {
    auto q = std::make_unique<TConsulta>(con);
    q->DefinirSql(sql);
    q->Abrir();
    return q;
  }
  suporte::TBancoTeste banco;
  TConexao con;
};

}  // namespace

TEST_F(DbClient, ConexaoEUmaSessaoLatin1SemSurpresas) {
  EXPECT_TRUE(con.Conectado());
  auto q = Abrir("select @@character_set_client, @@character_set_results, database()");
  EXPECT_EQ(q->Campo(0).AsString(), "latin1");
  EXPECT_EQ(q->Campo(1).AsString(), "latin1");
  EXPECT_EQ(q->Campo(2).AsString(), banco.Nome());
  // A temporary table lives on the connection between calls.
  con.Executar("create temporary table tmp_x (v int)");
  con.Executar("insert into tmp_x values (1),(2)");
  EXPECT_EQ(Abrir("select count(*) from tmp_x")->Campo(0).AsInteger(), 2);
  con.Desconectar();
  EXPECT_FALSE(con.Conectado());
  EXPECT_THROW(con.Executar("select 1"), EErroBanco);
}

// A dead network path fails the statement in about a minute instead of hanging it: TCP keepalive
// on the connection's socket, 30 s idle, then 3 probes 10 s apart.
TEST_F(DbClient, KeepaliveNoSocketDaConexao) {
  const my_socket s = mysql_get_socket(con.Handle());
  auto opcao = [s](int nivel, int nome) {
    int v = -1;
    socklen_t n = sizeof v;
    EXPECT_EQ(getsockopt(s, nivel, nome, &v, &n), 0);
    return v;
  };
  EXPECT_NE(opcao(SOL_SOCKET, SO_KEEPALIVE), 0);
  EXPECT_EQ(opcao(IPPROTO_TCP, TCP_KEEPIDLE), 30);
  EXPECT_EQ(opcao(IPPROTO_TCP, TCP_KEEPINTVL), 10);
  EXPECT_EQ(opcao(IPPROTO_TCP, TCP_KEEPCNT), 3);
}

TEST_F(DbClient, FalhasDeConexaoTrazemAMensagemDoServidor) {
  TConexao c;
  auto s = suporte::TServidorTeste::DoAmbiente();
  c.Servidor = s.Host;
  c.Porta = s.Porta;
  c.Usuario = s.Usuario;
  c.Senha = "wrong";
  try {
    c.Conectar();
    FAIL() << "login with a wrong password";
  } catch (const EErroBanco& e) {
    EXPECT_EQ(e.Codigo, 1045u);
    EXPECT_NE(std::string(e.what()).find("Access denied"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(c.Conectado());
  c.Senha = s.Senha;
  c.Banco = "no_such_db_p7";
  try {
    c.Conectar();
    FAIL() << "unknown database";
  } catch (const EErroBanco& e) {
    EXPECT_EQ(e.Codigo, 1049u) << e.what();
  }
}

TEST_F(DbClient, ComandoRejeitadoDeixaAConexaoUtilizavel) {
  try {
    con.Executar("select * from no_such_table");
    FAIL();
  } catch (const EErroBanco& e) {
    EXPECT_EQ(e.Codigo, 1146u);
    EXPECT_NE(std::string(e.what()).find("no_such_table"), std::string::npos);
  }
  // Rows of a SELECT sent through Executar are discarded, not left pending.
  con.Executar("select 1 union select 2");
  auto q = std::make_unique<TConsulta>(con);
  q->DefinirSql("select nothing_here");
  EXPECT_THROW(q->Abrir(), EErroBanco);
  EXPECT_FALSE(q->Aberta());
  // Opening a statement without rows fails clearly and the connection stays in step.
  q->DefinirSql("do 1");
  EXPECT_THROW(q->Abrir(), EErroBanco);
  EXPECT_EQ(Abrir("select 42")->Campo(0).AsInteger(), 42);
  // Statements are sent as they stand: a trailing blank or comment is the server's business.
  con.Executar("  select 1 -- trailing\n");
  // A second statement in one text is a syntax error, not silently run.
  EXPECT_THROW(con.Executar("select 1; select 2"), EErroBanco);
  EXPECT_EQ(Abrir("select 7")->Campo(0).AsInteger(), 7);
}

TEST_F(DbClient, CursorEBuscaDeCampos) {
  auto q = Abrir("select seq as Numero, concat('r', seq) as Texto from seq_1_to_3");
  ASSERT_EQ(q->NumeroRegistros(), 3u);
  EXPECT_EQ(q->NumeroCampos(), 2u);
  EXPECT_FALSE(q->Vazia());
  EXPECT_TRUE(q->Bof());
  EXPECT_FALSE(q->Eof());
  EXPECT_EQ(q->CampoPorNome("numero").AsInteger(), 1);
  EXPECT_EQ(q->CampoPorNome("TEXTO").AsString(), "r1");
  EXPECT_EQ(q->CampoPorNome("Texto").Nome(), "Texto");
  q->Proximo();
  EXPECT_FALSE(q->Bof());
  q->Proximo();
  EXPECT_EQ(q->Campo(0).AsInteger(), 3);
  EXPECT_FALSE(q->Eof());
  q->Proximo();
  EXPECT_TRUE(q->Eof());
  q->Proximo();  // stays past the end
  EXPECT_TRUE(q->Eof());
  q->Anterior();
  EXPECT_FALSE(q->Eof());
  EXPECT_EQ(q->Campo(0).AsInteger(), 3);
  q->Anterior();
  q->Anterior();
  EXPECT_EQ(q->Campo(1).AsString(), "r1");
  EXPECT_FALSE(q->Bof());
  q->Anterior();  // at the first row: Bof, still on it
  EXPECT_TRUE(q->Bof());
  EXPECT_EQ(q->Campo(0).AsInteger(), 1);
  q->Proximo();
  q->Primeiro();
  EXPECT_TRUE(q->Bof());
  EXPECT_EQ(q->Campo(0).AsInteger(), 1);

  try {
    q->CampoPorNome("missing_col");
    FAIL();
  } catch (const EErroBanco& e) {
    EXPECT_NE(std::string(e.what()).find("missing_col"), std::string::npos);
  }
  EXPECT_THROW(q->Campo(2), EErroBanco);

  auto v = Abrir("select 1 from dual where false");
  EXPECT_TRUE(v->Vazia());
  EXPECT_TRUE(v->Eof());
  EXPECT_TRUE(v->Bof());
  EXPECT_TRUE(v->Campo(0).IsNull());  // no current row: nothing to read, no crash
}

TEST_F(DbClient, CamposTipados) {
  auto q = Abrir(
      "select cast(-12 as signed) i, cast(1.234550 as decimal(20,6)) d1, cast(1.234650 as decimal(20,6)) d2, "
      "cast(-0.00005 as decimal(10,5)) d3, 2.5e0 f, date'2023-12-31' dt, timestamp'2024-02-29 13:45:07' ts, "
      "'abc' s, null n, cast(18446744073709551615 as unsigned) big, cast(2.5 as decimal(3,1)) meio, "
      "cast(4 as decimal(10,3)) exato");
  EXPECT_EQ(std::get<int64_t>(q->CampoPorNome("i").AsVariant()), -12);
  EXPECT_EQ(q->CampoPorNome("i").AsInteger(), -12);
  EXPECT_DOUBLE_EQ(std::get<double>(q->CampoPorNome("d1").AsVariant()), 1.23455);
  EXPECT_DOUBLE_EQ(std::get<double>(q->CampoPorNome("f").AsVariant()), 2.5);
  EXPECT_EQ(std::get<plataforma::TDataHora>(q->CampoPorNome("dt").AsVariant()),
            (plataforma::TDataHora{2023, 12, 31, 0, 0, 0}));
  EXPECT_EQ(std::get<plataforma::TDataHora>(q->CampoPorNome("ts").AsVariant()),
            (plataforma::TDataHora{2024, 2, 29, 13, 45, 7}));
  EXPECT_EQ(std::get<std::string>(q->CampoPorNome("s").AsVariant()), "abc");
  EXPECT_EQ(q->CampoPorNome("s").AsStringView(), "abc");
  EXPECT_THROW(q->CampoPorNome("s").AsInteger(), EErroBanco);
  auto n = q->CampoPorNome("n");
  EXPECT_TRUE(n.IsNull());
  EXPECT_TRUE(EhNulo(n.AsVariant()));
  EXPECT_EQ(n.AsString(), "");
  EXPECT_EQ(n.AsInteger(), 0);
  // An unsigned value beyond 64-bit signed still reads as a number.
  EXPECT_DOUBLE_EQ(std::get<double>(q->CampoPorNome("big").AsVariant()), 18446744073709551615.0);
  // A DECIMAL is an integer only when exactly one ("4.000"), never rounded.
  EXPECT_EQ(q->CampoPorNome("exato").AsInteger(), 4);
  try {
    q->CampoPorNome("meio").AsInteger();
    ADD_FAILURE() << "2.5 read as an integer";
  } catch (const EErroBanco& e) {
    EXPECT_EQ(e.what(), W("'2.5' não é um número inteiro válido (coluna meio)"));
  }
}

TEST_F(DbClient, BytesWindows1252IdaEVoltaPorTabelaLatin1) {
  std::string todos;
  for (int c = 0x80; c <= 0xFF; ++c) todos += static_cast<char>(c);
  con.Executar("create temporary table tmp_txt (t varchar(200)) character set latin1");
  std::string sql = "insert into tmp_txt values ('" + todos + "')";
  con.Executar(sql);
  auto q = Abrir("select t, length(t), hex(t) from tmp_txt");
  EXPECT_EQ(q->Campo(0).AsString(), todos);
  EXPECT_EQ(q->Campo(1).AsInteger(), 128);
  // The server holds them as the Windows-1252 characters (0x80 is the euro sign).
  auto hex = [](const std::string& b) {
    std::string h;
    for (unsigned char c : b) {
      h += "0123456789ABCDEF"[c >> 4];
      h += "0123456789ABCDEF"[c & 15];
    }
    return h;
  };
  EXPECT_EQ(Abrir("select hex(convert(t using utf8mb4)) from tmp_txt")->Campo(0).AsString(),
            hex(plataforma::W1252ParaUtf8(todos)));
  EXPECT_EQ(Abrir("select count(*) from tmp_txt where left(t, 1) = _utf8mb4 x'E282AC'")->Campo(0).AsInteger(), 1);
}

TEST_F(DbClient, UmMilhaoDeLinhasNumaSoPassada) {
  auto q = Abrir("select seq, seq * 2 from seq_1_to_1000000");
  ASSERT_EQ(q->NumeroRegistros(), 1000000u);
  int64_t soma = 0, linhas = 0;
  for (; !q->Eof(); q->Proximo()) {
    soma += q->Campo(0).AsInteger();
    ++linhas;
  }
  EXPECT_EQ(linhas, 1000000);
  EXPECT_EQ(soma, int64_t{1000000} * 1000001 / 2);
  // From past the end, the first step back lands on the last row.
  for (int i = 0; i < 500000; ++i) q->Anterior();
  EXPECT_EQ(q->Campo(0).AsInteger(), 500001);
  EXPECT_EQ(q->Campo(1).AsInteger(), 1000002);
}

TEST_F(DbClient, ScriptRelataCadaFalhaESegue) {
  con.Executar("create temporary table tmp_s (v int)");
  TExecutorScript s(con);
  s.DefinirSql("insert into tmp_s values (1); insert into nowhere values (2); insert into tmp_s values (3);");
  std::vector<unsigned> erros;
  s.Executar([&](const EErroBanco& e) { erros.push_back(e.Codigo); });
  EXPECT_EQ(erros, (std::vector<unsigned>{1146u}));
  EXPECT_EQ(Abrir("select group_concat(v order by v) from tmp_s")->Campo(0).AsString(), "1,3");
}
