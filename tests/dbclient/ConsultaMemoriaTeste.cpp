// A query over rows held in memory reads as a server's result of the same column kinds.
#include <gtest/gtest.h>

#include <variant>

#include "dbclient/DbClient.h"

using dbclient::EErroBanco;
using dbclient::TConsulta;
using dbclient::TTipoCampo;

namespace {

TEST(ConsultaMemoria, CursorECamposComoOsDoServidorMesmoDepoisDeMovida) {
  TConsulta lida = TConsulta::EmMemoria(
      {"id", "Nome", "valor", "quando"}, {TTipoCampo::Inteiro, TTipoCampo::Texto, TTipoCampo::Decimal, TTipoCampo::DataHora},
      {{"7", "CANETA", "2.5000", "2023-12-31 10:20:30"}, {std::nullopt, "", std::nullopt, std::nullopt}});
  TConsulta q = std::move(lida);  // the fields point into the rows: a move must keep them

  ASSERT_TRUE(q.Aberta());
  EXPECT_EQ(q.NumeroRegistros(), 2u);
  EXPECT_EQ(q.NumeroCampos(), 4u);
  EXPECT_TRUE(q.Bof());
  EXPECT_EQ(std::get<int64_t>(q.CampoPorNome("ID").AsVariant()), 7);
  EXPECT_EQ(q.Campo(1).AsStringView(), "CANETA");
  EXPECT_EQ(std::get<std::string>(q.Campo(1).AsVariant()), "CANETA");
  EXPECT_EQ(std::get<double>(q.Campo(2).AsVariant()), 2.5);
  EXPECT_EQ(q.Campo(2).AsInteger(), 2) << "a decimal read as an integer rounds half to even";
  EXPECT_EQ(q.Campo(2).AsCurrency().DezMilesimos, 25000);
  EXPECT_EQ(std::get<plataforma::TDataHora>(q.Campo(3).AsVariant()), (plataforma::TDataHora{2023, 12, 31, 10, 20, 30}));
  EXPECT_THROW(q.Campo(1).AsInteger(), EErroBanco);
  EXPECT_THROW(q.Campo(4), EErroBanco);

  q.Proximo();
  EXPECT_TRUE(q.Campo(0).IsNull());
  EXPECT_TRUE(std::holds_alternative<std::monostate>(q.Campo(0).AsVariant()));
  EXPECT_FALSE(q.Campo(1).IsNull()) << "an empty text is not NULL";
  EXPECT_EQ(q.Campo(1).AsString(), "");
  q.Proximo();
  EXPECT_TRUE(q.Eof());
  q.Anterior();
  EXPECT_TRUE(q.Campo(3).IsNull());
  q.Primeiro();
  EXPECT_EQ(q.Campo(0).AsInteger(), 7);

  // No connection behind it: running a text fails and the rows stay.
  EXPECT_THROW(q.Abrir(), EErroBanco);
  EXPECT_EQ(q.NumeroRegistros(), 2u);
  q.Fechar();
  EXPECT_FALSE(q.Aberta());
  EXPECT_TRUE(q.Eof());

  EXPECT_TRUE(TConsulta::EmMemoria({"a"}, {}, {}).Vazia());
  EXPECT_THROW(TConsulta::EmMemoria({"a", "b"}, {}, {{"1"}}), EErroBanco);
}

}  // namespace
