// The session without a server that other tests stand on: scripts split and fail as with
// TDatabase, answers by the longest beginning, and a lost connection stays lost.
#include <gtest/gtest.h>

#include "tests/support/BancoMemoria.h"
#include "tests/support/SuporteTestes.h"

using dbclient::EErroBanco;
using dbclient::TTipoCampo;
using suporte::TBancoMemoria;

namespace {

TEST(BancoMemoria, ScriptsRespostasEConexaoPerdida) {
  TBancoMemoria banco;
  banco.FalharEm("UPDATE b", "erro b");
  banco.Responder("SELECT", {{"n"}, {TTipoCampo::Inteiro}, {{"1"}}});
  banco.Responder("SELECT n FROM t", {{"n"}, {TTipoCampo::Inteiro}, {{std::nullopt}}});

  EXPECT_FALSE(banco.Execute(" \r\n"));
  try {
    banco.Execute("UPDATE a; UPDATE b ;UPDATE c", TFalhaScript::Continuar);
    ADD_FAILURE() << "the failure is raised once the script ends";
  } catch (const EFalhasScript& e) {
    ASSERT_EQ(e.Falhas.size(), 1u);
    EXPECT_STREQ(e.Falhas[0].what(), "erro b");
    EXPECT_EQ(e.Falhas[0].Comando, 2u);
  }
  EXPECT_EQ(banco.Executados, (std::vector<std::string>{"UPDATE a", "UPDATE c"}));

  banco.Executados.clear();
  try {
    banco.Execute("UPDATE a; UPDATE b ;UPDATE c", TFalhaScript::Parar);
    ADD_FAILURE() << "Parar raises";
  } catch (const EErroBanco& e) {
    EXPECT_STREQ(e.what(), "erro b");
  }
  EXPECT_EQ(banco.Executados, std::vector<std::string>{"UPDATE a"});
  EXPECT_THROW(banco.Execute("UPDATE b"), EErroBanco) << "a single statement raises";

  dbclient::TValor v;
  banco.GetValue("SELECT 1", int64_t{5}, v);
  EXPECT_EQ(std::get<int64_t>(v), 1);
  banco.GetValue("SELECT n FROM t WHERE x", int64_t{5}, v);
  EXPECT_EQ(std::get<int64_t>(v), 5) << "the longer beginning answers; NULL gives the default";
  EXPECT_THROW(banco.OpenQuery("SHOW TABLES"), EErroBanco) << "no answer registered";
  EXPECT_THROW(banco.OpenQuery(" ")->Abrir(), EErroBanco) << "a blank text's query never reaches a server";

  banco.FalharEm("KILL", "perdida", true);
  EXPECT_THROW(banco.OpenQuery("KILL 1"), EErroBanco);
  EXPECT_FALSE(banco.IsConnected());
  try {
    banco.OpenQuery("SELECT 1");
    ADD_FAILURE() << "no call gets through after a lost connection";
  } catch (const EErroBanco& e) {
    EXPECT_STREQ(e.what(), TBancoMemoria::SemServidor);
  }
  EXPECT_EQ(banco.Enviados.size(), 8u);
  EXPECT_EQ(banco.Enviados[1], (TBancoMemoria::TEnvio{TBancoMemoria::TTipoEnvio::Execute,
                                                      "UPDATE a; UPDATE b ;UPDATE c", TFalhaScript::Parar}));
}

}  // namespace
