#include "inventory/UInventarioP7Dao.h"

#include <stdexcept>

#include "platform/Regional.h"
#include "platform/Texto.h"
#include "platform/Win1252.h"
#include "settings/UDatabase.h"

namespace {

std::string Decimal(int32_t n) { return std::to_string(n); }

// The head office: transfers to a branch are recorded under it, with the branch in dafilial_id.
constexpr int32_t FilialMatriz = 1;
// Operations that never move the stock the register counts.
constexpr const char* OperacoesExcluidas = "8, 9, 16, 4, 7, 14, 17";

}  // namespace

std::string TInventarioP7Dao::AplicarMascara(const std::string& texto, const std::string& mascara) {
  std::string r = texto;
  size_t pos = 0;
  for (char m : mascara) {
    if (m == '0') {
      if (pos >= r.size()) r.push_back(' ');
      ++pos;
    } else {
      const char c = (m == '/') ? plataforma::FormatSettings().DateSeparator : m;
      r.insert(r.begin() + static_cast<std::ptrdiff_t>(pos), c);
      ++pos;
    }
  }
  return r;
}

std::string TInventarioP7Dao::SqlDadosFilial(int32_t filialId) {
  return "SELECT psi_nomest, cgc, inscr  FROM filial  WHERE filial_id = " + Decimal(filialId);
}

std::string TInventarioP7Dao::SqlProdutoArredondamento(int32_t filialId) {
  return "SELECT produto_arredond FROM filial WHERE filial_id = " + Decimal(filialId);
}

const std::string& TInventarioP7Dao::SqlConsultaInventario() {
  static const std::string sql = "SELECT registro74.* FROM registro74 ORDER BY descricao";
  return sql;
}

// Every drop here and in the script names only temporary tables: a permanent table of the same
// name, kept by another program of the suite, must survive when no temporary one exists.
const std::string& TInventarioP7Dao::SqlApagarTabelas() {
  static const std::string sql =
      "DROP TEMPORARY TABLE IF EXISTS tmp_pmc; DROP TEMPORARY TABLE IF EXISTS ult_pmc_primeiro; "
      "DROP TEMPORARY TABLE IF EXISTS tmp_hist_data; DROP TEMPORARY TABLE IF EXISTS tmp_mov; "
      "DROP TEMPORARY TABLE IF EXISTS registro74;";
  return sql;
}

const std::string& TInventarioP7Dao::SqlRestaurarIsolamento() {
  static const std::string sql = " SET SESSION tx_isolation = @p7_isolamento;";
  return sql;
}

void TInventarioP7Dao::ObterDadosFilial(IDatabase& banco, int32_t filialId, TFilial& filial) {
  std::unique_ptr<dbclient::TConsulta> q = banco.OpenQuery(SqlDadosFilial(filialId));
  if (q->Vazia()) return;
  filial.RazaoSocial = q->CampoPorNome("psi_nomest").AsString();
  filial.Cnpj = AplicarMascara(q->CampoPorNome("cgc").AsString(), "00.000.000/0000-00");
  filial.InscricaoEstadual = AplicarMascara(q->CampoPorNome("inscr").AsString(), "000.000.000");
}

int32_t TInventarioP7Dao::ObterProdutoArredondamento(IDatabase& banco, int32_t filialId) {
  dbclient::TValor valor;
  banco.GetValue(SqlProdutoArredondamento(filialId), dbclient::TValor(int64_t{0}), valor);
  return dbclient::ValorParaInt32(valor, "produto_arredond");
}

namespace {

// The optional clauses of the script; each is empty when its condition does not hold.
struct TClausulasScript {
  std::string Valor, Arredondamento, Grupos, Especificacoes, Apagados, Cadastro;
};

TClausulasScript MontarClausulas(const TParamsRelatorio& p, int32_t produtoArredondamento, const std::string& data) {
  TClausulasScript c;
  c.Valor = p.PrecoCompra ? ", COALESCE(nullif(pmc.valor_entrada, 0), nullif(e.precoee, 0), p.preco_cmp_un) as valor "
                          : ", COALESCE(nullif(pmc.novo_pmc, 0), nullif(e.pmc, 0), p.preco_cmp_un) as valor ";
  if (!p.ConsiderarArredondamento)
    c.Arredondamento = " AND m.produto_id NOT IN(" + Decimal(produtoArredondamento) + ")";
  if (!p.Grupos.empty()) c.Grupos = " AND p.grupo_id IN (" + p.Grupos + ") ";
  if (!p.Especificacoes.empty()) c.Especificacoes = " AND p.espec_id IN (" + p.Especificacoes + ") ";
  if (!p.ConsiderarProdutoApagado) c.Apagados = R"x( AND p.apagado = "N" )x";
  if (p.ConsiderarCadastradosAntesData) {
    c.Cadastro = R"x( AND (((p.dtcadastro <= DATE_SUB(")x" + data +
                 R"x(", INTERVAL 1 SECOND)) OR (p.dtcadastro IS NULL)) )x" + R"x( AND ((e.dtcadastro <= DATE_SUB(" )x" +
                 data + R"x(", INTERVAL 1 SECOND)) OR (e.dtcadastro IS NULL))) )x";
  }
  return c;
}

// Statements 1 to 7: per product, the one average-cost history row of the end of the day.
void AcrescentarHistorico(std::string& s, const std::string& filial, const std::string& data) {
  s +=
      R"x( DROP TEMPORARY TABLE IF EXISTS tmp_pmc;  CREATE TEMPORARY TABLE tmp_pmc (INDEX(produto_id))  SELECT pmc.produto_id    , MAX(pmc.datahora) AS datahora  FROM preco_medio_custo_historico pmc  WHERE pmc.filial_id = )x";
  s += filial;
  s += R"x( AND pmc.datahora <= DATE_SUB(DATE_ADD(")x";
  s += data;
  s += R"x(", INTERVAL 1 DAY), INTERVAL 1 SECOND) )x";
  s += " GROUP BY pmc.produto_id; ";
  s += " DROP TEMPORARY TABLE IF EXISTS ult_pmc_primeiro; ";
  s += " CREATE TEMPORARY TABLE ult_pmc_primeiro (INDEX(produto_id)) ";
  s += " SELECT pmc.produto_id ";
  s += "   , pmc.novo_pmc ";
  s += "   , pmc.historico_id ";
  s += "   , pmc.valor_entrada ";
  s += " FROM tmp_pmc ";
  s += " JOIN preco_medio_custo_historico pmc ";
  s += "  ON (pmc.filial_id = ";
  s += filial;
  s += "      AND tmp_pmc.produto_id = pmc.produto_id ";
  s += "      AND pmc.datahora = tmp_pmc.datahora)  ";
  s += "ORDER BY pmc.produto_id ";
  s += "     , pmc.historico_id; ";
  s += " DROP TEMPORARY TABLE IF EXISTS tmp_hist_data;";
  s += " CREATE TEMPORARY TABLE tmp_hist_data (INDEX(produto_id)) ";
  s += " SELECT produto_id ";
  s += "   , MAX(historico_id) AS historico_id  ";
  s += " FROM ult_pmc_primeiro ";
  s += " GROUP BY produto_id ";
  s += " HAVING COUNT(*) >= 2; ";
  s += " DELETE ult_pmc_primeiro ";
  s += " FROM tmp_hist_data AS hist ";
  s += " JOIN ult_pmc_primeiro ";
  s += "  ON (ult_pmc_primeiro.produto_id = hist.produto_id ";
  s += "      AND ult_pmc_primeiro.historico_id <> hist.historico_id); ";
}

// Statements 8 and 9: per product, the signed sum of the movements after the end of the day.
void AcrescentarMovimentos(std::string& s, const std::string& filial, const std::string& data,
                           const TClausulasScript& c) {
  s += " DROP TEMPORARY TABLE IF EXISTS tmp_mov; ";
  s += " CREATE TEMPORARY TABLE tmp_mov (INDEX(produto_id)) ";
  s += " SELECT produto_id ";
  s += R"x(   , SUM(IF(e_s = "E", m.quanti_uni * -1, m.quanti_uni)) AS quanti_uni )x";
  s += " FROM movment m  ";
  s += " LEFT JOIN movment_sem_acompanhamento ms on (m.movment_id = ms.movment_id) ";
  s += " WHERE (IF(m.filial_id = " + Decimal(FilialMatriz) + ", m.dafilial_id = ";
  s += filial;
  s += ", m.filial_id = ";
  s += filial;
  s += ")) ";
  s += R"x( AND m.data_hora > DATE_SUB(DATE_ADD(")x";
  s += data;
  s += R"x(", INTERVAL 1 DAY), INTERVAL 1 SECOND) )x";
  s += std::string(" AND oper NOT IN (") + OperacoesExcluidas + ") ";
  s += R"x( AND m.apagado = "N" )x";
  s += c.Arredondamento;
  s += " AND ms.movment_id IS NULL ";
  s += " GROUP BY produto_id; ";
}

// The register's row of each product of the branch, with the quantity at the end of the day and
// the unit value, as the window's statement 11 selects it, up to its filters.
void AcrescentarSelecaoRegistro(std::string& s, const std::string& filial, const TClausulasScript& c) {
  s += " SELECT p.barras ";
  s += "   , p.sittr  ";
  s += "   , p.produto_id ";
  s += "   , p.descricao ";
  s += "   , p.ncm ";
  s += "   , (COALESCE(e.estoque + COALESCE(m.quanti_uni, 0), 0)) AS quantidade ";
  s += c.Valor;
  s += "    , p.unidade ";
  s += " FROM produto p ";
  s += " JOIN estoque_minimo e ";
  s += "   ON (p.produto_id = e.produto_id) ";
  s += " LEFT JOIN tmp_mov m  ";
  s += "   ON (p.produto_id = m.produto_id) ";
  s += " LEFT JOIN ult_pmc_primeiro pmc ";
  s += "   ON (p.produto_id = pmc.produto_id) ";
  s += " WHERE e.filial_id = ";
  s += filial;
  s += R"x( AND p.tipo = "P" )x";
  s += c.Grupos;
  s += c.Especificacoes;
  s += c.Apagados;
  s += c.Cadastro;
}

// Statements 10 to 12: the register's rows, those at or below zero deleted.
void AcrescentarRegistro(std::string& s, const std::string& filial, const TClausulasScript& c) {
  s += " DROP TEMPORARY TABLE IF EXISTS registro74; ";
  s += " CREATE TEMPORARY TABLE registro74 ";
  AcrescentarSelecaoRegistro(s, filial, c);
  s += " ORDER BY produto_id; ";
  s += " DELETE FROM registro74 WHERE quantidade <= 0;";
}

// The year-end command's script: the window's rows, column types and row order in registro74
// (so the final query sorts them alike, ties in descricao included), from fewer reads.
// - The session reads in READ COMMITTED while it runs: CREATE ... SELECT under REPEATABLE READ
//   takes shared locks on every row it reads, so a 1M-product branch would hold back the
//   movements and stock updates of the live system for as long as each statement takes. The
//   level is put back by the last statement, and by ConsultarInventario when the script fails.
// - The cost history at the end of the day is one window over the branch's range of the
//   (filial_id, produto_id, datahora) index, the greatest (datahora, historico_id) first, then
//   the values of that one row per product.
// - The movements after the date: the window's branch test as a plain condition, so that the
//   optimiser reads either the covering index on data_hora (a branch that holds most of the
//   movements) or the branch's two ranges of (filial_id, data_hora) with rowid-ordered lookups (one
//   branch among many); the untracked movements read once into a hashed set instead of one lookup
//   per movement. Head office (the branch is 1): its movements on its own behalf only.
// - Own tables in memory keyed by produto_id for the register's joins; registro74 itself as the
//   window makes it (the default engine), its rows at or below zero never inserted.
// SET STATEMENT puts every size and switch back after its statement, whatever happens.
void AcrescentarScriptComando(std::string& s, int32_t filialId, const std::string& filial, const std::string& data,
                              const TClausulasScript& c) {
  const std::string fimDoDia = R"x(DATE_SUB(DATE_ADD(")x" + data + R"x(", INTERVAL 1 DAY), INTERVAL 1 SECOND))x";
  // Caps, not allocations: the tables and sorts take what the branch needs, in memory.
  const std::string memoria = "max_heap_table_size = 4294967296, tmp_table_size = 4294967296";
  s += " SET @p7_isolamento = @@SESSION.tx_isolation, SESSION tx_isolation = 'READ-COMMITTED'; ";

  s += " DROP TEMPORARY TABLE IF EXISTS ult_pmc_primeiro; ";
  s += " SET STATEMENT " + memoria + ", sort_buffer_size = 268435456 FOR";
  s += " CREATE TEMPORARY TABLE ult_pmc_primeiro (PRIMARY KEY (produto_id)) ENGINE=MEMORY ";
  s += " SELECT pmc.produto_id, pmc.novo_pmc, pmc.historico_id, pmc.valor_entrada ";
  s += " FROM (SELECT h.produto_id, h.historico_id, ROW_NUMBER() OVER (PARTITION BY h.produto_id ";
  s += "   ORDER BY h.datahora DESC, h.historico_id DESC) AS ordem ";
  s +=
      "   FROM preco_medio_custo_historico h WHERE h.filial_id = " + filial + " AND h.datahora <= " + fimDoDia + ") u ";
  s += " JOIN preco_medio_custo_historico pmc ON (pmc.historico_id = u.historico_id) ";
  s += " WHERE u.ordem = 1; ";

  const std::string matriz = Decimal(FilialMatriz);
  s += " DROP TEMPORARY TABLE IF EXISTS tmp_mov; ";
  s += " SET STATEMENT " + memoria + ", optimizer_switch = 'mrr=on,mrr_sort_keys=on', mrr_buffer_size = 16777216 FOR";
  s += " CREATE TEMPORARY TABLE tmp_mov (produto_id INT NOT NULL, quanti_uni DECIMAL(38,4), PRIMARY KEY (produto_id)) ";
  s += " ENGINE=MEMORY ";
  s += R"x( SELECT m.produto_id, SUM(IF(m.e_s = "E", m.quanti_uni * -1, m.quanti_uni)) AS quanti_uni )x";
  s += " FROM movment m ";
  if (filialId == FilialMatriz)
    s += " WHERE m.filial_id = " + matriz + " AND m.dafilial_id = " + matriz;
  else
    s += " WHERE (m.filial_id = " + filial + " OR (m.filial_id = " + matriz + " AND m.dafilial_id = " + filial + "))";
  s += " AND m.data_hora > " + fimDoDia;
  s += std::string(" AND m.oper NOT IN (") + OperacoesExcluidas + ") ";
  s += R"x( AND m.apagado = "N" )x";
  s += c.Arredondamento;
  // NOT IN over a set without NULLs is the window's anti-join; the server materialises the set once
  // (NOT EXISTS would be the same rows at half the speed here).
  s += " AND m.movment_id NOT IN (SELECT ms.movment_id FROM movment_sem_acompanhamento ms ";
  s += "   WHERE ms.movment_id IS NOT NULL) ";
  s += " GROUP BY m.produto_id ORDER BY NULL; ";

  s += " DROP TEMPORARY TABLE IF EXISTS registro74; ";
  s += " CREATE TEMPORARY TABLE registro74 ";
  AcrescentarSelecaoRegistro(s, filial, c);
  s += " AND COALESCE(e.estoque + COALESCE(m.quanti_uni, 0), 0) > 0 ";
  s += " ORDER BY produto_id; ";
  s += TInventarioP7Dao::SqlRestaurarIsolamento();
}

}  // namespace

std::string TInventarioP7Dao::MontarScript(const TParamsRelatorio& p, int32_t produtoArredondamento,
                                           TLeituraMovimentos leitura) {
  const std::string filial = Decimal(p.FilialId);
  const std::string data = plataforma::DataSql(p.DataEstoque);
  const TClausulasScript clausulas = MontarClausulas(p, produtoArredondamento, data);
  std::string s;
  s.reserve(4096);
  if (leitura == TLeituraMovimentos::PorFilial) {
    AcrescentarScriptComando(s, p.FilialId, filial, data, clausulas);
    return s;
  }
  AcrescentarHistorico(s, filial, data);
  AcrescentarMovimentos(s, filial, data, clausulas);
  AcrescentarRegistro(s, filial, clausulas);
  return s;
}

std::unique_ptr<dbclient::TConsulta> TInventarioP7Dao::ConsultarInventario(IDatabase& banco,
                                                                           const TParamsRelatorio& params,
                                                                           TLeituraMovimentos leitura) {
  const int32_t arredondamento = ObterProdutoArredondamento(banco, params.FilialId);
  // One call: the statements run in order on the one connection. The first failure ends it: a
  // statement after a failed CREATE TEMPORARY would reach a permanent table of the same name
  // (the final DELETE, the final query), so nothing later runs and the error goes to the caller.
  try {
    banco.Execute(MontarScript(params, arredondamento, leitura), TFalhaScript::Parar);
  } catch (...) {
    if (leitura == TLeituraMovimentos::PorFilial) {
      // The script stopped before its last statement: the session's isolation level goes back
      // here. Over a lost connection it went with the session; the script's error is the one
      // the caller must see, so a failure of this statement is not raised over it.
      try {
        banco.Execute(SqlRestaurarIsolamento(), TFalhaScript::Parar);
      } catch (const std::exception&) {
      }
    }
    throw;
  }
  return banco.OpenQuery(SqlConsultaInventario());
}

void TInventarioP7Dao::ApagarTabelasTemporarias(IDatabase& banco) {
  banco.Execute(SqlApagarTabelas(), TFalhaScript::Continuar);
}
