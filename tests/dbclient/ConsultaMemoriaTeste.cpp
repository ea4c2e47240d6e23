// A query over rows held in memory reads as a server's result of the same column kinds.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <variant>

#include "dbclient/DbClient.h"
#include "platform/Win1252.h"

using dbclient::EErroBanco;
using dbclient::TConsulta;
using dbclient::TTipoCampo;

namespace {

TEST(ConsultaMemoria, CursorECamposComoOsDoServidorMesmoDepoisDeMovida) {
  TConsulta lida = TConsulta::EmMemoria(
      {"id", "Nome", "valor", "quando"},
      {TTipoCampo::Inteiro, TTipoCampo::Texto, TTipoCampo::Decimal, TTipoCampo::DataHora},
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
  EXPECT_THROW(q.Campo(2).AsInteger(), EErroBanco) << "2.5000 is no integer, never rounded to one";
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

// A column's value made an integer, and an id made 32 bits: in range it is the number itself,
// out of range (an unsigned BIGINT past the signed range, a DOUBLE, an id past 32 bits) or not a
// whole number it is an error naming the column and the value, never a silently different id.
TEST(ConsultaMemoria, InteirosForaDoIntervaloSaoErroComColunaEValor) {
  using dbclient::TValor;
  struct TCaso {
    TValor Valor;
    int64_t Esperado;
  };
  const TCaso bons[] = {{TValor{int64_t{-9223372036854775807 - 1}}, -9223372036854775807 - 1},
                        {TValor{std::string("-42")}, -42},
                        {TValor{-9223372036854775808.0}, -9223372036854775807 - 1},
                        {TValor{9007199254740992.0}, 9007199254740992},
                        {TValor{}, 0}};
  for (const TCaso& c : bons) EXPECT_EQ(dbclient::ValorParaInteiro(c.Valor, "x"), c.Esperado);
  for (const TValor& ruim : {TValor{9223372036854775808.0}, TValor{1.8446744073709552e19}, TValor{2.5},
                             TValor{std::nan("")}, TValor{std::string("12a")}}) {
    try {
      dbclient::ValorParaInteiro(ruim, "produto_arredond");
      ADD_FAILURE() << "accepted";
    } catch (const EErroBanco& e) {
      EXPECT_NE(std::string(e.what()).find("(coluna produto_arredond)"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(dbclient::ParaInt32(-2147483648LL, "filial_id"), INT32_MIN);
  EXPECT_EQ(dbclient::ParaInt32(2147483647LL, "filial_id"), INT32_MAX);
  for (int64_t ruim : {int64_t{2147483648}, int64_t{-2147483649}, int64_t{4294967298}}) {
    try {
      dbclient::ParaInt32(ruim, "filial_id");
      ADD_FAILURE() << ruim;
    } catch (const EErroBanco& e) {
      EXPECT_NE(std::string(e.what()).find("'" + std::to_string(ruim) + "'"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("filial_id"), std::string::npos) << e.what();
    }
  }
  // The same rule through a row set's field and a query's.
  TConsulta q = TConsulta::EmMemoria({"filial_id"}, {TTipoCampo::Inteiro}, {{"4294967298"}});
  EXPECT_THROW(q.Campo(0).AsInt32(), EErroBanco);
  EXPECT_EQ(q.Campo(0).AsInteger(), 4294967298);

  // A DECIMAL's text is an integer only when it is exactly one: from the text, never through a
  // double (which would make ...993 ...992) and never rounded.
  TConsulta d =
      TConsulta::EmMemoria({"pmc"}, {TTipoCampo::Decimal},
                           {{"4.000"}, {"-12.00"}, {"9007199254740993.0"}, {"3.7"}, {"99999999999999999999.00"}});
  for (int64_t esperado : {int64_t{4}, int64_t{-12}, int64_t{9007199254740993}}) {
    EXPECT_EQ(d.Campo(0).AsInteger(), esperado);
    d.Proximo();
  }
  const std::string motivos[] = {
      W("'3.7' não é um número inteiro válido (coluna pmc)"),
      W("'99999999999999999999.00' está fora do intervalo de um inteiro de 64 bits (coluna pmc)")};
  for (const std::string& motivo : motivos) {
    try {
      d.Campo(0).AsInteger();
      ADD_FAILURE() << d.Campo(0).AsString();
    } catch (const EErroBanco& e) {
      EXPECT_EQ(e.what(), motivo);
    }
    d.Proximo();
  }
  try {
    dbclient::ValorParaInteiro(TValor{3.7}, "produto_arredond");
    ADD_FAILURE();
  } catch (const EErroBanco& e) {
    EXPECT_EQ(e.what(), W("'3.7' não é um número inteiro válido (coluna produto_arredond)"));
  }
}

}  // namespace
