// The texts sent to the server and the edit masks of the branch header, without a server.
#include <gtest/gtest.h>

#include <string>

#include "dbclient/DbClient.h"
#include "inventory/UInventarioP7Dao.h"
#include "platform/Win1252.h"
#include "tests/support/SuporteTestes.h"

namespace {

using plataforma::TDataHora;

TParamsRelatorio ParamsSemClausulas() {
  TParamsRelatorio p;
  p.FilialId = 1234;
  p.DataEstoque = TDataHora{2024, 2, 29};
  p.ConsiderarProdutoApagado = true;
  p.ConsiderarCadastradosAntesData = false;
  p.ConsiderarArredondamento = true;
  p.PrecoCompra = false;
  return p;
}

std::string Golden(const std::string& nome) {
  return suporte::LerArquivo(suporte::CaminhoFonte("tests/fixtures/inventory/" + nome));
}

// The text with `trecho` inserted just before `antes`, which must occur exactly once.
std::string InserirAntes(std::string texto, const std::string& antes, const std::string& trecho) {
  const size_t pos = texto.find(antes);
  EXPECT_NE(pos, std::string::npos) << antes;
  EXPECT_EQ(texto.find(antes, pos + 1), std::string::npos) << antes;
  texto.insert(pos, trecho);
  return texto;
}

TEST(ScriptInventario, TodasAsClausulasIgualAoTextoDeReferencia) {
  suporte::TRegionalBrasil regional;
  TParamsRelatorio p;
  p.FilialId = 7;
  p.Grupos = "3,12";
  p.Especificacoes = "4";
  p.DataEstoque = TDataHora{2023, 12, 31, 15, 30, 10};  // the time of day changes nothing
  p.ConsiderarProdutoApagado = false;
  p.ConsiderarCadastradosAntesData = true;
  p.ConsiderarArredondamento = false;
  p.PrecoCompra = true;
  EXPECT_EQ(TInventarioP7Dao::MontarScript(p, 55), Golden("script_todas_clausulas.sql"));
}

TEST(ScriptInventario, SemClausulasIgualAoTextoDeReferencia) {
  suporte::TRegionalBrasil regional;
  EXPECT_EQ(TInventarioP7Dao::MontarScript(ParamsSemClausulas(), 99), Golden("script_sem_clausulas.sql"));
}

TEST(ScriptInventario, CadaClausulaSozinhaEntraNoSeuLugar) {
  const std::string base = Golden("script_sem_clausulas.sql");
  const std::string fimFiltros = " ORDER BY produto_id; ";

  TParamsRelatorio p = ParamsSemClausulas();
  p.ConsiderarArredondamento = false;
  EXPECT_EQ(TInventarioP7Dao::MontarScript(p, -8),
            InserirAntes(base, " AND ms.movment_id IS NULL ", " AND m.produto_id NOT IN(-8)"));

  p = ParamsSemClausulas();
  p.Grupos = "5";
  EXPECT_EQ(TInventarioP7Dao::MontarScript(p, 0), InserirAntes(base, fimFiltros, " AND p.grupo_id IN (5) "));

  p = ParamsSemClausulas();
  p.Especificacoes = "10,20,30";
  EXPECT_EQ(TInventarioP7Dao::MontarScript(p, 0), InserirAntes(base, fimFiltros, " AND p.espec_id IN (10,20,30) "));

  p = ParamsSemClausulas();
  p.ConsiderarProdutoApagado = false;
  EXPECT_EQ(TInventarioP7Dao::MontarScript(p, 0), InserirAntes(base, fimFiltros, " AND p.apagado = \"N\" "));

  p = ParamsSemClausulas();
  p.ConsiderarCadastradosAntesData = true;
  EXPECT_EQ(TInventarioP7Dao::MontarScript(p, 0),
            InserirAntes(base, fimFiltros,
                         " AND (((p.dtcadastro <= DATE_SUB(\"2024-02-29\", INTERVAL 1 SECOND)) OR "
                         "(p.dtcadastro IS NULL))  AND ((e.dtcadastro <= DATE_SUB(\" 2024-02-29\", "
                         "INTERVAL 1 SECOND)) OR (e.dtcadastro IS NULL))) "));

  // A list of blanks is not empty: the caller trims, the builder writes what it gets.
  p = ParamsSemClausulas();
  p.Grupos = " ";
  EXPECT_EQ(TInventarioP7Dao::MontarScript(p, 0), InserirAntes(base, fimFiltros, " AND p.grupo_id IN ( ) "));
}

TEST(ScriptInventario, DatasEmFormatoSqlQualquerQueSejaORegional) {
  plataforma::TFormatSettings f;
  f.DateSeparator = '.';
  f.ShortDateFormat = "mm/dd/yy";
  const plataforma::TFormatSettings anterior = plataforma::FormatSettings();
  plataforma::DefinirFormatSettings(f);
  TParamsRelatorio p = ParamsSemClausulas();
  p.ConsiderarCadastradosAntesData = true;
  p.DataEstoque = TDataHora{2025, 1, 5};
  const std::string s = TInventarioP7Dao::MontarScript(p, 0);
  plataforma::DefinirFormatSettings(anterior);

  size_t n = 0;
  for (size_t pos = s.find("2025-01-05"); pos != std::string::npos; pos = s.find("2025-01-05", pos + 1)) ++n;
  EXPECT_EQ(n, 4u);  // history, movements and both registration dates
  EXPECT_EQ(s.find("05.01"), std::string::npos);
}

TEST(ScriptInventario, DozeComandosEApenasTabelasTemporariasApagadas) {
  TParamsRelatorio p = ParamsSemClausulas();
  p.ConsiderarArredondamento = false;
  p.ConsiderarCadastradosAntesData = true;
  p.Grupos = "1,2";
  p.Especificacoes = "3";
  const std::string s = TInventarioP7Dao::MontarScript(p, 4);
  const auto comandos = dbclient::TExecutorScript::Dividir(s);
  ASSERT_EQ(comandos.size(), 12u);
  EXPECT_EQ(comandos[0], " DROP TEMPORARY TABLE IF EXISTS tmp_pmc");
  EXPECT_EQ(comandos[11], "  DELETE FROM registro74 WHERE quantidade <= 0");
  EXPECT_EQ(s.find("DROP TABLE"), std::string::npos);

  EXPECT_EQ(TInventarioP7Dao::SqlApagarTabelas(),
            "DROP TEMPORARY TABLE IF EXISTS tmp_pmc; DROP TEMPORARY TABLE IF EXISTS ult_pmc_primeiro; "
            "DROP TEMPORARY TABLE IF EXISTS tmp_hist_data; DROP TEMPORARY TABLE IF EXISTS tmp_mov; "
            "DROP TEMPORARY TABLE IF EXISTS registro74;");
  EXPECT_EQ(dbclient::TExecutorScript::Dividir(TInventarioP7Dao::SqlApagarTabelas()).size(), 5u);
}

TEST(ScriptInventario, ConsultasDaFilial) {
  EXPECT_EQ(TInventarioP7Dao::SqlDadosFilial(12), "SELECT psi_nomest, cgc, inscr  FROM filial  WHERE filial_id = 12");
  EXPECT_EQ(TInventarioP7Dao::SqlProdutoArredondamento(0), "SELECT produto_arredond FROM filial WHERE filial_id = 0");
  EXPECT_EQ(TInventarioP7Dao::SqlConsultaInventario(), "SELECT registro74.* FROM registro74 ORDER BY descricao");
}

const char* const kCnpj = "00.000.000/0000-00";
const char* const kInscr = "000.000.000";

TEST(MascaraFilial, CnpjEInscricaoCompletos) {
  suporte::TRegionalBrasil regional;
  EXPECT_EQ(TInventarioP7Dao::AplicarMascara("12345678000190", kCnpj), "12.345.678/0001-90");
  EXPECT_EQ(TInventarioP7Dao::AplicarMascara("123456789", kInscr), "123.456.789");
  // Characters past the last "0" stay at the end.
  EXPECT_EQ(TInventarioP7Dao::AplicarMascara("123456789012", kInscr), "123.456.789012");
  EXPECT_EQ(TInventarioP7Dao::AplicarMascara("1234567800019055", kCnpj), "12.345.678/0001-9055");
}

TEST(MascaraFilial, TextosCurtosEVaziosSaoCompletadosComBrancos) {
  suporte::TRegionalBrasil regional;
  EXPECT_EQ(TInventarioP7Dao::AplicarMascara("", kCnpj), "  .   .   /    -  ");
  EXPECT_EQ(TInventarioP7Dao::AplicarMascara("", kInscr), "   .   .   ");
  EXPECT_EQ(TInventarioP7Dao::AplicarMascara("123", kInscr), "123.   .   ");
  EXPECT_EQ(TInventarioP7Dao::AplicarMascara("1234", kCnpj), "12.34 .   /    -  ");
}

TEST(MascaraFilial, TextoJaPontuadoELetrasSaoDispostosComoVieram) {
  suporte::TRegionalBrasil regional;
  EXPECT_EQ(TInventarioP7Dao::AplicarMascara("12.345.678/0001-90", kCnpj), "12..34.5.6/78/0-001-90");
  EXPECT_EQ(TInventarioP7Dao::AplicarMascara("ISENTO", kInscr), "ISE.NTO.   ");
  EXPECT_EQ(TInventarioP7Dao::AplicarMascara(W("ÇÃ"), kInscr), W("ÇÃ .   .   "));
}

TEST(MascaraFilial, BarraEscritaComOSeparadorDeDatasDoRegional) {
  const plataforma::TFormatSettings anterior = plataforma::FormatSettings();
  plataforma::TFormatSettings f = plataforma::FormatSettingsBrasil();
  f.DateSeparator = '-';
  plataforma::DefinirFormatSettings(f);
  const std::string r = TInventarioP7Dao::AplicarMascara("12345678000190", kCnpj);
  plataforma::DefinirFormatSettings(anterior);
  EXPECT_EQ(r, "12.345.678-0001-90");
}

}  // namespace
