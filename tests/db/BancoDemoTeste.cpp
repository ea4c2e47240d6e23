// The demo database loaded as scripts/demo loads it holds every case the register's pipeline
// treats differently.
#include <gtest/gtest.h>

#include "platform/Win1252.h"
#include "tests/support/SuporteTestes.h"
#include "tests/viewer/GeradorDemo.h"

using demo::Gerar;
using demo::TemPython;

TEST(DemoBanco, DadosTemCadaCasoDoInventario) {
  if (!TemPython()) GTEST_SKIP() << "python3 not found: the demo generator cannot run";
  suporte::TBancoTeste banco;
  banco.Executar(Gerar(""));  // the demo exactly as scripts/demo loads it
  auto V = [&](const std::string& sql) { return banco.Valor(sql); };
  auto N = [&](const std::string& sql) { return std::atol(banco.Valor(sql).c_str()); };

  // Head office and two stores, each with name, CNPJ and state inscription; rounding product.
  EXPECT_EQ(N("SELECT COUNT(*) FROM filial WHERE psi_nomest <> '' AND LENGTH(cgc) = 14 AND LENGTH(inscr) = 9"), 3);
  EXPECT_EQ(V("SELECT psi_nomest FROM filial WHERE filial_id = 2"),
            W("SUPERMERCADOS BOA COLHEITA LTDA - LOJA SÃO JOSÉ"));
  EXPECT_EQ(
      N("SELECT COUNT(*) FROM filial f JOIN produto p ON p.produto_id = f.produto_arredond WHERE f.filial_id = 2"), 1);
  EXPECT_GT(N("SELECT COUNT(*) FROM movment m JOIN filial f ON f.produto_arredond = m.produto_id "
              "WHERE f.filial_id = 2 AND m.filial_id = 2"),
            0);
  EXPECT_EQ(V("SELECT produto_arredond FROM filial WHERE filial_id = 3"), "NULL");

  // About 3000 products in a three-level tree whose codes hold the 7-digit ids of the path.
  EXPECT_EQ(N("SELECT COUNT(*) FROM produto"), 3000);
  EXPECT_EQ(
      N("SELECT COUNT(*) FROM grupo WHERE codigo <> CONCAT_WS('.', "
        "IF(LENGTH(codigo) > 7, SUBSTRING_INDEX(codigo, '.', LENGTH(codigo) - LENGTH(REPLACE(codigo, '.', ''))), NULL), "
        "LPAD(grupo_id, 7, '0'))"),
      0);
  EXPECT_GT(N("SELECT COUNT(*) FROM grupo WHERE LENGTH(codigo) = 23"), 20);
  EXPECT_EQ(N("SELECT COUNT(*) FROM produto p JOIN grupo g ON g.grupo_id = p.grupo_id WHERE LENGTH(g.codigo) <> 23"),
            0);
  // The filter's descendant lookup: a top group's id finds itself, its children and grandchildren.
  EXPECT_GT(N("SELECT COUNT(*) FROM grupo WHERE codigo LIKE \"%0000001%\" AND apagado = \"N\""), 10);
  EXPECT_GT(N("SELECT COUNT(*) FROM grupo WHERE apagado = 'S'"), 0);

  // Specifications without expiry, expired, still valid, deleted.
  EXPECT_GT(N("SELECT COUNT(*) FROM espec WHERE validade IS NULL AND apagado = 'N'"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM espec WHERE validade < '2026-01-01'"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM espec WHERE validade > '2090-01-01'"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM espec WHERE apagado = 'S'"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM produto WHERE espec_id IS NULL"), 0);

  // Stock rows: zero, negative and empty; deleted products and services; products registered
  // after mid-year; accented names one byte per letter; descriptions over 53 characters.
  for (int f = 1; f <= 3; ++f) {
    std::string filial = std::to_string(f);
    EXPECT_GT(N("SELECT COUNT(*) FROM estoque_minimo WHERE estoque = 0 AND filial_id = " + filial), 0) << f;
    EXPECT_GT(N("SELECT COUNT(*) FROM estoque_minimo WHERE estoque > 0 AND filial_id = " + filial), 1000) << f;
  }
  EXPECT_GT(N("SELECT COUNT(*) FROM estoque_minimo WHERE estoque < 0"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM estoque_minimo WHERE estoque IS NULL"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM estoque_minimo WHERE pmc = 0"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM produto WHERE apagado = 'S'"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM produto WHERE tipo <> 'P'"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM produto WHERE dtcadastro > '2025-06-30 23:59:59'"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM produto WHERE LENGTH(descricao) > 53"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM produto WHERE ncm IS NULL"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM produto WHERE descricao LIKE BINARY '%" + W("ÇÃO") + "%'"), 0);
  EXPECT_EQ(N("SELECT COUNT(*) FROM produto WHERE descricao LIKE BINARY '%" + std::string("\xC3\x83") + "%'"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM estoque_minimo e JOIN produto p USING (produto_id) "
              "WHERE e.estoque * p.preco_cmp_un >= 1000000000"),
            0);  // a line value that overflows

  // Movements: every branch, transfers under branch 1 for the stores, never-counted operations,
  // deleted ones, ones the stock does not follow; a year of them, before and after mid-year.
  EXPECT_GT(N("SELECT COUNT(*) FROM movment WHERE filial_id = 1 AND dafilial_id = 1"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM movment WHERE filial_id = 2"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM movment WHERE filial_id = 3"), 0);
  for (int f : {2, 3})
    EXPECT_GT(N("SELECT COUNT(*) FROM movment WHERE filial_id = 1 AND dafilial_id = " + std::to_string(f) +
                " AND e_s = 'E' AND data_hora > '2025-06-30 23:59:59'"),
              0)
        << f;
  for (int oper : {8, 9, 16, 4, 7, 14, 17})
    EXPECT_GT(N("SELECT COUNT(*) FROM movment WHERE oper = " + std::to_string(oper)), 0) << oper;
  EXPECT_GT(N("SELECT COUNT(*) FROM movment WHERE apagado = 'S'"), 0);
  EXPECT_GT(N("SELECT COUNT(*) FROM movment_sem_acompanhamento s JOIN movment m USING (movment_id)"), 0);
  EXPECT_EQ(N("SELECT COUNT(*) FROM movment_sem_acompanhamento s LEFT JOIN movment m USING (movment_id) "
              "WHERE m.movment_id IS NULL"),
            0);
  EXPECT_GT(
      N("SELECT COUNT(*) FROM movment WHERE e_s = 'E' AND data_hora BETWEEN '2025-07-01' AND '2025-12-31 23:59:59'"),
      0);
  EXPECT_GT(
      N("SELECT COUNT(*) FROM movment WHERE e_s = 'S' AND data_hora BETWEEN '2025-01-01' AND '2025-06-30 23:59:59'"),
      0);
  EXPECT_EQ(N("SELECT COUNT(*) FROM movment WHERE quanti_uni <> FLOOR(quanti_uni)"), 0);  // whole quantities

  // Cost history: ties on the time stamp whose greater id differs in value, and zero costs.
  EXPECT_GT(N("SELECT COUNT(*) FROM (SELECT filial_id, produto_id, datahora FROM preco_medio_custo_historico "
              "GROUP BY filial_id, produto_id, datahora HAVING COUNT(*) >= 2 AND COUNT(DISTINCT novo_pmc) >= 2) t"),
            0);
  EXPECT_GT(N("SELECT COUNT(*) FROM preco_medio_custo_historico WHERE novo_pmc = 0"), 0);
  // Products without any history at a branch fall back to the stock row's cost.
  EXPECT_GT(N("SELECT COUNT(*) FROM estoque_minimo e WHERE NOT EXISTS (SELECT 1 FROM preco_medio_custo_historico h "
              "WHERE h.filial_id = e.filial_id AND h.produto_id = e.produto_id)"),
            0);
}
