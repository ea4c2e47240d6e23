// The stock position and the branch lookups against a private server, one case per behaviour.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <memory>

#include "inventory/UInventarioP7Dao.h"
#include "platform/Win1252.h"
#include "settings/UDatabase.h"
#include "tests/inventory/FixtureInventario.h"
#include "tests/support/SuporteTestes.h"

namespace {

using fixture::Consultar;
using fixture::Ids;
using fixture::Linha;
using fixture::TProduto;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const int kFilial = 2;
const char* const kDia = "2023-06-15";

class InventarioBanco : public ::testing::Test {
 protected:
  void SetUp() override {
    pasta_.EscreverIniBanco(banco_.Nome(), kFilial);
    sessao_ = std::make_unique<TDatabase>();
  }

  static TParamsRelatorio Params() {
    TParamsRelatorio p;
    p.FilialId = kFilial;
    p.DataEstoque = plataforma::TDataHora{2023, 6, 15};
    return p;
  }
  // A run that the server accepts shows no box.
  std::vector<fixture::TLinha> Rodar(const TParamsRelatorio& p) {
    auto linhas = Consultar(*sessao_, p);
    EXPECT_THAT(caixas_->Mostradas, IsEmpty()) << caixas_->Mostradas.front().Texto;
    return linhas;
  }
  std::vector<fixture::TLinha> Rodar() { return Rodar(Params()); }

  suporte::TRegionalBrasil regional_;
  suporte::TCaixasInstaladas caixas_;
  suporte::TBancoTeste banco_;
  suporte::TPastaProgramaTeste pasta_;
  fixture::TDados dados_{banco_, kFilial};
  std::unique_ptr<TDatabase> sessao_;
};

// --- quantity at the end of the day ---

TEST_F(InventarioBanco, EstoqueAtualComMovimentosPosterioresRevertidos) {
  dados_.Produto(1, "ARROZ", "100");
  dados_.Movimento(1, "2023-06-20 10:00:00", "E", "30");  // later entry: subtracted
  dados_.Movimento(1, "2023-06-21 10:00:00", "S", "10");  // later exit: added back
  dados_.Movimento(1, "2023-07-01 08:00:00", "X", "5");   // anything but "E" counts as exit
  dados_.Movimento(1, "2023-06-10 10:00:00", "E", "50");  // before the date: already in the stock
  const auto linhas = Rodar();
  ASSERT_EQ(linhas.size(), 1u);
  EXPECT_DOUBLE_EQ(linhas[0].Quantidade, 85);
}

TEST_F(InventarioBanco, LimitesDoFimDoDia) {
  dados_.Produto(1, "A", "10");
  dados_.Movimento(1, "2023-06-15 23:59:59", "S", "4");  // within the day: stays
  dados_.Movimento(1, "2023-06-16 00:00:00", "S", "6");  // after it: reversed
  dados_.Historico(1, "2023-06-15 23:59:59", "7");
  dados_.Historico(1, "2023-06-16 00:00:00", "9");
  const auto l = Linha(Rodar(), 1);
  EXPECT_DOUBLE_EQ(l.Quantidade, 16);
  EXPECT_EQ(l.Valor, 7.0);
}

TEST_F(InventarioBanco, MovimentosIgnorados) {
  dados_.Produto(1, "A", "10");
  for (int oper : {8, 9, 16, 4, 7, 14, 17}) dados_.Movimento(1, "2023-06-20 10:00:00", "S", "100", oper);
  dados_.Movimento(1, "2023-06-20 10:00:00", "S", "1000", 1, "S");  // deleted
  dados_.SemAcompanhamento(dados_.Movimento(1, "2023-06-20 10:00:00", "S", "10000"));
  dados_.Movimento(1, "2023-06-20 10:00:00", "S", "2", 3);  // counted
  EXPECT_DOUBLE_EQ(Linha(Rodar(), 1).Quantidade, 12);
}

TEST_F(InventarioBanco, MovimentosDaFilialUmPertencemADafilial) {
  dados_.Produto(1, "A", "10");
  dados_.MovimentoDe(1, "2", 1, "2023-06-20 10:00:00", "S", "1");     // branch 1 on behalf of 2: counts
  dados_.MovimentoDe(1, "3", 1, "2023-06-20 10:00:00", "S", "10");    // on behalf of 3: not ours
  dados_.MovimentoDe(2, "5", 1, "2023-06-20 10:00:00", "S", "100");   // our own: dafilial does not matter
  dados_.MovimentoDe(3, "2", 1, "2023-06-20 10:00:00", "S", "1000");  // another branch's
  EXPECT_DOUBLE_EQ(Linha(Rodar(), 1).Quantidade, 111);

  // Branch 1 itself: only its movements on its own behalf.
  suporte::TBancoTeste banco1;
  pasta_.EscreverIniBanco(banco1.Nome(), 1);
  sessao_ = std::make_unique<TDatabase>();
  fixture::TDados dados1{banco1, 1};
  dados1.Produto(1, "A", "10");
  dados1.MovimentoDe(1, "1", 1, "2023-06-20 10:00:00", "S", "1");
  dados1.MovimentoDe(1, "2", 1, "2023-06-20 10:00:00", "S", "10");
  dados1.MovimentoDe(1, "NULL", 1, "2023-06-20 10:00:00", "S", "100");
  TParamsRelatorio p = Params();
  p.FilialId = 1;
  EXPECT_DOUBLE_EQ(Linha(Rodar(p), 1).Quantidade, 11);
  sessao_.reset();
}

TEST_F(InventarioBanco, FilialSemTransferenciasDaMatriz) {
  dados_.Produto(1, "A", "10");
  dados_.MovimentoDe(1, "3", 1, "2023-06-20 10:00:00", "S", "10");  // the head office's, to branch 3
  dados_.MovimentoDe(1, "1", 1, "2023-06-20 10:00:00", "S", "20");  // on its own behalf
  dados_.Movimento(1, "2023-06-20 10:00:00", "E", "4");
  EXPECT_DOUBLE_EQ(Linha(Rodar(), 1).Quantidade, 6);
}

TEST_F(InventarioBanco, ProdutoComMovimentosSoDepoisDaData) {
  dados_.Produto(1, "ZERA NA DATA", "5");
  dados_.Movimento(1, "2023-06-16 00:00:00", "E", "5");
  dados_.Produto(2, "SO SAIDAS DEPOIS", "2");
  dados_.Movimento(2, "2023-06-16 00:00:00", "S", "3");
  dados_.MovimentoDe(1, "2", 2, "2023-07-01 00:00:00", "E", "1");
  const auto linhas = Rodar();
  EXPECT_THAT(Ids(linhas), ElementsAre(2));
  EXPECT_DOUBLE_EQ(Linha(linhas, 2).Quantidade, 4);
}

TEST_F(InventarioBanco, ProdutoDeArredondamento) {
  dados_.Filial(kFilial, "'LOJA'", "NULL", "NULL", "9");
  dados_.Produto(9, "ARREDONDAMENTO", "10");
  dados_.Produto(1, "A", "10");
  dados_.Movimento(9, "2023-06-20 10:00:00", "S", "5");
  dados_.Movimento(1, "2023-06-20 10:00:00", "S", "1");
  TParamsRelatorio p = Params();
  p.ConsiderarArredondamento = true;
  auto linhas = Rodar(p);
  EXPECT_DOUBLE_EQ(Linha(linhas, 9).Quantidade, 15);
  EXPECT_DOUBLE_EQ(Linha(linhas, 1).Quantidade, 11);

  p.ConsiderarArredondamento = false;
  linhas = Rodar(p);
  EXPECT_DOUBLE_EQ(Linha(linhas, 9).Quantidade, 10);
  EXPECT_DOUBLE_EQ(Linha(linhas, 1).Quantidade, 11);
}

TEST_F(InventarioBanco, SemProdutoDeArredondamentoOIdZeroEDeixadoDeFora) {
  dados_.Filial(kFilial, "'LOJA'", "NULL", "NULL", "NULL");
  dados_.Produto(0, "PRODUTO ZERO", "10");
  dados_.Produto(1, "A", "10");
  dados_.Movimento(0, "2023-06-20 10:00:00", "S", "5");
  dados_.Movimento(1, "2023-06-20 10:00:00", "S", "1");
  TParamsRelatorio p = Params();
  p.ConsiderarArredondamento = false;
  auto linhas = Rodar(p);
  EXPECT_DOUBLE_EQ(Linha(linhas, 0).Quantidade, 10);
  EXPECT_DOUBLE_EQ(Linha(linhas, 1).Quantidade, 11);
}

TEST_F(InventarioBanco, LinhasDeEstoqueQueNaoEntram) {
  dados_.Produto(1, "COM ESTOQUE", "3");
  TProduto semLinha;
  semLinha.Id = 2;
  semLinha.Descricao = "SEM LINHA DE ESTOQUE";
  semLinha.ComEstoque = false;
  dados_.Produto(semLinha);
  banco_.Executar("INSERT INTO estoque_minimo (produto_id, filial_id, estoque) VALUES (2, 3, 50)");  // other branch
  dados_.Produto(3, "ESTOQUE NULO", "NULL");
  dados_.Movimento(3, "2023-06-20 10:00:00", "S", "5");  // NULL stock stays 0 whatever moved
  dados_.Produto(4, "ZERO", "0");
  dados_.Produto(5, "NEGATIVO", "-2");
  dados_.Produto(6, "ZERO NA DATA", "5");
  dados_.Movimento(6, "2023-06-20 10:00:00", "E", "5");
  dados_.Produto(7, "POSITIVO NA DATA", "0");
  dados_.Movimento(7, "2023-06-20 10:00:00", "S", "0.5");
  TProduto servico;
  servico.Id = 8;
  servico.Descricao = "SERVICO";
  servico.Tipo = "S";
  dados_.Produto(servico);
  const auto linhas = Rodar();
  EXPECT_THAT(Ids(linhas), ElementsAre(1, 7));
  EXPECT_DOUBLE_EQ(Linha(linhas, 7).Quantidade, 0.5);
}

TEST_F(InventarioBanco, LinhasOrdenadasPelaDescricaoComTodasAsColunas) {
  dados_.Produto(1, "CAFE");
  dados_.Produto(2, "BANANA");
  dados_.Produto(3, "ABACAXI");
  dados_.Produto(4, "DAMASCO");
  const auto linhas = Rodar();
  EXPECT_THAT(Ids(linhas), ElementsAre(3, 2, 1, 4));
  EXPECT_EQ(linhas[0].Descricao, "ABACAXI");
  EXPECT_EQ(linhas[0].Barras, "7893");
  EXPECT_EQ(linhas[0].Unidade, "UN");
  EXPECT_EQ(linhas[0].Ncm, "12345678");
  EXPECT_EQ(linhas[0].Sittr, "000");
}

// --- unit value ---

TEST_F(InventarioBanco, EmpateNoHistoricoVenceOMaiorId) {
  dados_.Produto(1, "A");
  dados_.Historico(1, "2023-06-15 10:00:00", "6", "60", 11);  // greatest id, inserted first
  dados_.Historico(1, "2023-06-15 10:00:00", "5", "50", 10);
  dados_.Historico(1, "2023-06-15 09:00:00", "99", "990", 12);  // greatest id, but older
  dados_.Produto(2, "B");
  dados_.Historico(2, "2023-06-14 10:00:00", "3", "30", 20);
  dados_.Historico(2, "2023-06-14 10:00:00", "4", "40", 21);
  dados_.Historico(2, "2023-06-14 10:00:00", "2", "20", 19);
  auto linhas = Rodar();
  EXPECT_EQ(Linha(linhas, 1).Valor, 6.0);
  EXPECT_EQ(Linha(linhas, 2).Valor, 4.0);
  TParamsRelatorio p = Params();
  p.PrecoCompra = true;
  linhas = Rodar(p);
  EXPECT_EQ(Linha(linhas, 1).Valor, 60.0);
  EXPECT_EQ(Linha(linhas, 2).Valor, 40.0);
}

TEST_F(InventarioBanco, EmpateNoUltimoSegundoDoDia) {
  dados_.Produto(1, "A");
  dados_.Historico(1, "2023-06-15 23:59:59", "7", "70", 41);  // greatest id of the day's last second
  dados_.Historico(1, "2023-06-15 23:59:59", "6", "60", 40);
  dados_.Historico(1, "2023-06-16 00:00:00", "9", "90", 42);  // the next day
  dados_.Historico(1, "2023-06-15 23:59:58", "5", "50", 43);  // greater id, a second earlier
  EXPECT_EQ(Linha(Rodar(), 1).Valor, 7.0);
  TParamsRelatorio p = Params();
  p.PrecoCompra = true;
  EXPECT_EQ(Linha(Rodar(p), 1).Valor, 70.0);
}

TEST_F(InventarioBanco, ValorPorCustoMedioEPrecoDeCompraComAlternativas) {
  auto produto = [&](int id, const std::string& pmc, const std::string& precoee, const std::string& precoCmp) {
    TProduto p;
    p.Id = id;
    p.Descricao = "P" + std::to_string(id);
    p.Pmc = pmc;
    p.Precoee = precoee;
    p.PrecoCmpUn = precoCmp;
    dados_.Produto(p);
  };
  produto(1, "4", "44", "1");
  dados_.Historico(1, "2023-06-01 00:00:00", "8.25", "80.5");  // history wins
  produto(2, "4", "44", "1");
  dados_.Historico(2, "2023-06-01 00:00:00", "0", "0");  // zero: stock row
  produto(3, "4", "44", "1");
  dados_.Historico(3, "2023-06-01 00:00:00", "NULL", "NULL");  // empty: stock row
  produto(4, "0", "0", "3");                                   // no history, stock row zero: product
  produto(5, "NULL", "NULL", "3");                             // no history, stock row empty: product
  produto(6, "0", "NULL", "0");                                // last fallback zero
  produto(7, "NULL", "0", "NULL");                             // last fallback empty
  produto(8, "4", "44", "1");
  dados_.Historico(8, "2023-06-16 00:00:00", "9", "90");  // after the day: not used

  auto linhas = Rodar();
  EXPECT_EQ(Linha(linhas, 1).Valor, 8.25);
  EXPECT_EQ(Linha(linhas, 2).Valor, 4.0);
  EXPECT_EQ(Linha(linhas, 3).Valor, 4.0);
  EXPECT_EQ(Linha(linhas, 4).Valor, 3.0);
  EXPECT_EQ(Linha(linhas, 5).Valor, 3.0);
  EXPECT_EQ(Linha(linhas, 6).Valor, 0.0);
  EXPECT_EQ(Linha(linhas, 7).Valor, std::nullopt);
  EXPECT_EQ(Linha(linhas, 8).Valor, 4.0);

  TParamsRelatorio p = Params();
  p.PrecoCompra = true;
  linhas = Rodar(p);
  EXPECT_EQ(Linha(linhas, 1).Valor, 80.5);
  EXPECT_EQ(Linha(linhas, 2).Valor, 44.0);
  EXPECT_EQ(Linha(linhas, 3).Valor, 44.0);
  EXPECT_EQ(Linha(linhas, 4).Valor, 3.0);
  EXPECT_EQ(Linha(linhas, 5).Valor, 3.0);
  EXPECT_EQ(Linha(linhas, 6).Valor, 0.0);
  EXPECT_EQ(Linha(linhas, 7).Valor, std::nullopt);
  EXPECT_EQ(Linha(linhas, 8).Valor, 44.0);
}

TEST_F(InventarioBanco, HistoricoDeOutraFilialNaoConta) {
  dados_.Produto(1, "A");
  banco_.Executar(
      "INSERT INTO preco_medio_custo_historico (filial_id, produto_id, datahora, novo_pmc) "
      "VALUES (3, 1, '2023-06-15 12:00:00', 77)");
  dados_.Historico(1, "2023-06-15 08:00:00", "5");
  EXPECT_EQ(Linha(Rodar(), 1).Valor, 5.0);
}

// --- options and filters ---

TEST_F(InventarioBanco, FiltroDeGruposEEspecificacoes) {
  auto produto = [&](int id, const std::string& grupo, const std::string& espec) {
    TProduto p;
    p.Id = id;
    p.Descricao = "P" + std::to_string(id);
    p.GrupoId = grupo;
    p.EspecId = espec;
    dados_.Produto(p);
  };
  produto(1, "1", "1");
  produto(2, "1", "2");
  produto(3, "2", "1");
  produto(4, "3", "NULL");
  produto(5, "NULL", "2");

  EXPECT_THAT(Ids(Rodar()), ElementsAre(1, 2, 3, 4, 5));
  TParamsRelatorio p = Params();
  p.Grupos = "1,3";
  EXPECT_THAT(Ids(Rodar(p)), ElementsAre(1, 2, 4));
  p = Params();
  p.Especificacoes = "1";
  EXPECT_THAT(Ids(Rodar(p)), ElementsAre(1, 3));
  p.Grupos = "1";
  EXPECT_THAT(Ids(Rodar(p)), ElementsAre(1));
}

TEST_F(InventarioBanco, ProdutosApagados) {
  dados_.Produto(1, "ATIVO");
  TProduto apagado;
  apagado.Id = 2;
  apagado.Descricao = "BAIXADO";
  apagado.Apagado = "S";
  dados_.Produto(apagado);
  TParamsRelatorio p = Params();
  EXPECT_THAT(Ids(Rodar(p)), ElementsAre(1));
  p.ConsiderarProdutoApagado = true;
  EXPECT_THAT(Ids(Rodar(p)), ElementsAre(1, 2));
}

TEST_F(InventarioBanco, ApenasCadastradosAntesDaData) {
  auto produto = [&](int id, const std::string& dtProduto, const std::string& dtEstoque) {
    TProduto p;
    p.Id = id;
    p.Descricao = "P" + std::to_string(id);
    p.DtCadastro = dtProduto;
    p.DtCadastroEstoque = dtEstoque;
    dados_.Produto(p);
  };
  produto(1, "'2023-06-15 00:00:00'", "NULL");                   // on the date: out
  produto(2, "'2023-06-14 23:59:59'", "NULL");                   // the day before: in
  produto(3, "NULL", "NULL");                                    // no date: in
  produto(4, "NULL", "'2023-06-15 00:00:00'");                   // stock row on the date: out
  produto(5, "'2020-01-01 00:00:00'", "'2023-06-14 23:59:59'");  // in
  produto(6, "'2023-07-01 00:00:00'", "'2023-07-01 00:00:00'");  // after: out
  TParamsRelatorio p = Params();
  EXPECT_THAT(Ids(Rodar(p)), ElementsAre(1, 2, 3, 4, 5, 6));
  p.ConsiderarCadastradosAntesData = true;
  EXPECT_THAT(Ids(Rodar(p)), ElementsAre(2, 3, 5));
}

// --- text, failures, clean-up ---

TEST_F(InventarioBanco, DescricaoChegaComOsMesmosBytesWindows1252) {
  const std::string descricao = W("AÇÃO €–“”");
  ASSERT_EQ(descricao, "A\xC7\xC3O \x80\x96\x93\x94");
  dados_.Produto(1, descricao);
  const auto linhas = Rodar();
  ASSERT_EQ(linhas.size(), 1u);
  EXPECT_EQ(linhas[0].Descricao, descricao);
}

TEST_F(InventarioBanco, TabelasPermanentesDeMesmoNomeSobrevivem) {
  banco_.Executar(
      "CREATE TABLE registro74 (produto_id INT, descricao VARCHAR(50)); "
      "INSERT INTO registro74 VALUES (999, 'DE OUTRO PROGRAMA'); "
      "CREATE TABLE tmp_mov (produto_id INT, quanti_uni DECIMAL(15,4)); "
      "INSERT INTO tmp_mov VALUES (1, 1000)");
  dados_.Produto(1, "A", "10");
  dados_.Movimento(1, "2023-06-20 10:00:00", "S", "2");

  // Clean-up before any run: nothing temporary exists yet.
  TInventarioP7Dao::ApagarTabelasTemporarias(*sessao_);
  const auto linhas = Rodar();  // runs, then cleans up again
  ASSERT_EQ(linhas.size(), 1u);
  EXPECT_DOUBLE_EQ(linhas[0].Quantidade, 12);
  TInventarioP7Dao::ApagarTabelasTemporarias(*sessao_);

  EXPECT_EQ(banco_.Valor("SELECT COUNT(*) FROM registro74"), "1");
  EXPECT_EQ(banco_.Valor("SELECT descricao FROM registro74"), "DE OUTRO PROGRAMA");
  EXPECT_EQ(banco_.Valor("SELECT quanti_uni FROM tmp_mov WHERE produto_id = 1"), "1000.0000");
  EXPECT_THAT(caixas_->Mostradas, IsEmpty());
}

TEST_F(InventarioBanco, TabelasTemporariasFicamAteALimpeza) {
  dados_.Produto(1, "A");
  auto q = TInventarioP7Dao::ConsultarInventario(*sessao_, Params());
  EXPECT_EQ(q->NumeroRegistros(), 1u);
  q.reset();
  // Still there for the session, invisible to other connections.
  EXPECT_EQ(sessao_->OpenQuery("SELECT COUNT(*) FROM tmp_pmc")->Campo(0).AsInteger(), 0);
  EXPECT_THROW(banco_.Valor("SELECT COUNT(*) FROM ult_pmc_primeiro"), std::runtime_error);
  TInventarioP7Dao::ApagarTabelasTemporarias(*sessao_);
  for (const char* t : {"tmp_pmc", "ult_pmc_primeiro", "tmp_hist_data", "tmp_mov", "registro74"})
    EXPECT_THROW(sessao_->OpenQuery(std::string("SELECT * FROM ") + t), dbclient::EErroBanco) << t;
  EXPECT_THAT(caixas_->Mostradas, IsEmpty());
}

TEST_F(InventarioBanco, ChamadaQueFalhaSeguidaDeUmaLimpa) {
  dados_.Produto(1, "A", "10");
  dados_.Movimento(1, "2023-06-20 10:00:00", "S", "2");
  TParamsRelatorio ruim = Params();
  ruim.Grupos = "x";  // the server rejects the register's statement
  // The script stops at the register's statement and its error reaches the caller: no box here,
  // and the delete after it never runs.
  try {
    TInventarioP7Dao::ConsultarInventario(*sessao_, ruim);
    FAIL() << "a chamada devia falhar";
  } catch (const dbclient::EErroBanco& e) {
    EXPECT_NE(std::string(e.what()).find("'x'"), std::string::npos) << e.what();
  }
  EXPECT_THAT(caixas_->Mostradas, IsEmpty());

  // No clean-up in between: the next run drops what the failed one left.
  const auto linhas = Rodar();
  ASSERT_EQ(linhas.size(), 1u);
  EXPECT_DOUBLE_EQ(linhas[0].Quantidade, 12);

  // And a run whose tables were never dropped does not disturb the next one.
  auto q = TInventarioP7Dao::ConsultarInventario(*sessao_, Params());
  q.reset();
  dados_.Movimento(1, "2023-06-21 10:00:00", "S", "3");
  EXPECT_DOUBLE_EQ(Linha(Rodar(), 1).Quantidade, 15);
}

// --- the year-end command's session ---

TEST_F(InventarioBanco, SessaoDoComandoVoltaComoEstava) {
  dados_.Produto(1, "A");
  sessao_->Execute(
      "SET SESSION tx_isolation = 'SERIALIZABLE', SESSION sort_buffer_size = 1048576, SESSION tmp_table_size = "
      "2097152, SESSION max_heap_table_size = 3145728, SESSION mrr_buffer_size = 131072, SESSION optimizer_switch = "
      "'mrr=off'");
  const std::string variaveis =
      "SELECT CONCAT_WS('|', @@tx_isolation, @@sort_buffer_size, @@tmp_table_size, @@max_heap_table_size, "
      "@@mrr_buffer_size, @@optimizer_switch)";
  auto Variaveis = [&] { return sessao_->OpenQuery(variaveis)->Campo(0).AsString(); };
  const std::string antes = Variaveis();
  ASSERT_NE(antes.find("SERIALIZABLE|1048576|2097152|3145728|131072|"), std::string::npos) << antes;

  TParamsRelatorio p = Params();
  EXPECT_EQ(TInventarioP7Dao::ConsultarInventario(*sessao_, p, TLeituraMovimentos::PorFilial)->NumeroRegistros(), 1u);
  EXPECT_EQ(Variaveis(), antes);
  p.Grupos = "x";  // the register's statement fails, after the level was changed
  EXPECT_THROW(TInventarioP7Dao::ConsultarInventario(*sessao_, p, TLeituraMovimentos::PorFilial), dbclient::EErroBanco);
  EXPECT_EQ(Variaveis(), antes);
  TInventarioP7Dao::ApagarTabelasTemporarias(*sessao_);
}

// A change of the live system not yet committed (a movement and the stock it moved): the command
// reads the committed rows instead of waiting for the lock, and holds none on them.
TEST_F(InventarioBanco, ComandoNaoEsperaPorAlteracaoEmCurso) {
  dados_.Produto(1, "A", "10");
  const int movimento = dados_.Movimento(1, "2023-06-20 10:00:00", "S", "2");
  TDatabase outra;
  outra.Execute("START TRANSACTION");
  outra.Execute("UPDATE movment SET quanti_uni = 50 WHERE movment_id = " + std::to_string(movimento));
  outra.Execute("UPDATE estoque_minimo SET estoque = 60 WHERE produto_id = 1");
  sessao_->Execute("SET SESSION innodb_lock_wait_timeout = 1");
  {
    auto q = TInventarioP7Dao::ConsultarInventario(*sessao_, Params(), TLeituraMovimentos::PorFilial);
    ASSERT_EQ(q->NumeroRegistros(), 1u);
    EXPECT_EQ(q->CampoPorNome("quantidade").AsString(), "12.0000");
  }
  TInventarioP7Dao::ApagarTabelasTemporarias(*sessao_);
  outra.Execute("ROLLBACK");
}

// --- branch lookups ---

TEST_F(InventarioBanco, DadosDaFilial) {
  dados_.Filial(kFilial, fixture::Txt(W("MERCADO SÃO JOÃO LTDA")), "'12345678000190'", "'123456789'");
  dados_.Filial(5, "''", "NULL", "'12'");
  TFilial f;
  TInventarioP7Dao::ObterDadosFilial(*sessao_, kFilial, f);
  EXPECT_EQ(f.RazaoSocial, W("MERCADO SÃO JOÃO LTDA"));
  EXPECT_EQ(f.Cnpj, "12.345.678/0001-90");
  EXPECT_EQ(f.InscricaoEstadual, "123.456.789");

  TInventarioP7Dao::ObterDadosFilial(*sessao_, 5, f);
  EXPECT_EQ(f.RazaoSocial, "");
  EXPECT_EQ(f.Cnpj, "  .   .   /    -  ");
  EXPECT_EQ(f.InscricaoEstadual, "12 .   .   ");

  TFilial preenchida{"a", "b", "c"};
  TInventarioP7Dao::ObterDadosFilial(*sessao_, 77, preenchida);  // no row: unchanged
  EXPECT_EQ(preenchida.Cnpj, "a");
  EXPECT_EQ(preenchida.RazaoSocial, "b");
  EXPECT_EQ(preenchida.InscricaoEstadual, "c");
  EXPECT_THAT(caixas_->Mostradas, IsEmpty());
}

TEST_F(InventarioBanco, ProdutoDeArredondamentoDaFilial) {
  dados_.Filial(kFilial, "'A'", "NULL", "NULL", "321");
  dados_.Filial(3, "'B'", "NULL", "NULL", "NULL");
  EXPECT_EQ(TInventarioP7Dao::ObterProdutoArredondamento(*sessao_, kFilial), 321);
  EXPECT_EQ(TInventarioP7Dao::ObterProdutoArredondamento(*sessao_, 3), 0);
  EXPECT_EQ(TInventarioP7Dao::ObterProdutoArredondamento(*sessao_, 4), 0);
}

TEST_F(InventarioBanco, ErroDoServidorChegaAoChamador) {
  banco_.Executar("DROP TABLE filial");
  TFilial f;
  EXPECT_THROW(TInventarioP7Dao::ObterDadosFilial(*sessao_, kFilial, f), dbclient::EErroBanco);
  EXPECT_THROW(TInventarioP7Dao::ObterProdutoArredondamento(*sessao_, kFilial), dbclient::EErroBanco);
  EXPECT_THROW(TInventarioP7Dao::ConsultarInventario(*sessao_, Params()), dbclient::EErroBanco);
  EXPECT_THAT(caixas_->Mostradas, IsEmpty());  // nothing of the script was sent
  EXPECT_TRUE(sessao_->IsConnected());
}

}  // namespace
