// The generation run with the private server: file, viewer, message boxes, waiting window and
// buttons.
#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "livro/ComposicaoP7.h"
#include "app/GeracaoP7.h"
#include "app/UProdSugCompraAguarde.h"
#include "dbclient/DbClient.h"
#include "platform/TextoQt.h"
#include "platform/Win1252.h"
#include "report/urelatorio.h"
#include "settings/UDatabase.h"
#include "tests/support/JanelaAguarde.h"
#include "tests/support/SuporteTestes.h"

namespace fs = std::filesystem;

namespace {

using suporte::AguardeNaTela;
using suporte::TextoAguarde;

class GeracaoP7 : public ::testing::Test {
 protected:
  void SetUp() override {
    pasta_.EscreverIniBanco(banco_.Nome(), 2);
    banco_.Executar(
        W("INSERT INTO filial (filial_id, psi_nomest, cgc, inscr) VALUES "
          "(2, 'MERCADO SÃO JOSÉ LTDA', '12345678000190', '123456789')"));
    sessao_ = std::make_unique<TDatabase>();
    escolhas_.Data = {2023, 12, 31};
    // The stand-in viewer writes its arguments, one a line, and then renames the file into place.
    fs::path script = pasta_.Caminho() / "visualizador";
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << Marca().string()
                          << ".tmp'\nmv '" << Marca().string() << ".tmp' '" << Marca().string() << "'\n";
    fs::permissions(script, fs::perms::owner_all);
  }

  fs::path Marca() const { return pasta_.Caminho() / "argumentos.txt"; }
  fs::path Relatorio() const { return pasta_.Caminho() / "relatorio" / "relatorio.txt"; }

  void Produto(int id, const std::string& descricao, const std::string& estoque, const std::string& pmc) {
    banco_.Executar("INSERT INTO produto (produto_id, descricao, ncm, unidade, preco_cmp_un, tipo, apagado) VALUES (" +
                    std::to_string(id) + ", '" + descricao + "', '84713012', 'UN', 1, 'P', 'N')");
    banco_.Executar("INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc) VALUES (" + std::to_string(id) +
                    ", 2, " + estoque + ", " + pmc + ")");
  }

  void Gerar() {
    GerarRelatorio(*sessao_, escolhas_, [this](bool h) {
      botoes_.push_back(h);
      if (!h) aguardeAoDesabilitar_ = TextoAguarde();
    });
  }

  bool EsperarVisualizador() {
    for (int i = 0; i < 200 && !fs::exists(Marca()); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    return fs::exists(Marca());
  }

  suporte::TRegionalBrasil regional_;
  suporte::TCaixasInstaladas caixas_;
  suporte::TBancoTeste banco_;
  suporte::TPastaProgramaTeste pasta_;
  std::unique_ptr<TDatabase> sessao_;
  TEscolhasGeracao escolhas_;
  std::vector<bool> botoes_;
  std::string aguardeAoDesabilitar_;
};

TEST_F(GeracaoP7, GravaORelatorioEIniciaOVisualizador) {
  Produto(1, "CANETA", "3", "12.5");
  Produto(2, "BORRACHA", "2", "0.75");
  escolhas_.FiltroGrupos = " \t ";  // blanks only: no group filter
  Gerar();

  std::string arquivo = suporte::LerArquivo(Relatorio());
  EXPECT_NE(arquivo.find(W("| RAZÃO SOCIAL: MERCADO SÃO JOSÉ LTDA ")), std::string::npos);
  EXPECT_NE(arquivo.find("ESTOQUES EXISTENTES EM: 31/12/2023 "), std::string::npos);
  // By description: BORRACHA, then CANETA.
  size_t borracha = arquivo.find("|BORRACHA "), caneta = arquivo.find("|CANETA ");
  ASSERT_NE(borracha, std::string::npos);
  ASSERT_NE(caneta, std::string::npos);
  EXPECT_LT(borracha, caneta);
  EXPECT_NE(arquivo.find("|        2       |         0,75     |        1,50        |"), std::string::npos);
  EXPECT_NE(arquivo.find("|        3       |        12,50     |       37,50        |"), std::string::npos);
  EXPECT_NE(arquivo.find("Total Geral: 39,00\r\n"), std::string::npos);

  ASSERT_TRUE(EsperarVisualizador()) << "o visualizador não foi iniciado";
  std::string d = pasta_.Caminho().string() + "/";
  EXPECT_EQ(suporte::LerArquivo(Marca()), d + "/relatorio/relatorio.txt\n132\npermissao_\n");

  EXPECT_EQ(aguardeAoDesabilitar_, W("Gerando relatório..."));
  EXPECT_FALSE(AguardeNaTela());
  EXPECT_EQ(botoes_, (std::vector<bool>{false, true}));
  EXPECT_TRUE(caixas_->Mostradas.empty());
  // The temporary tables are gone with the run.
  EXPECT_ANY_THROW(sessao_->OpenQuery("SELECT COUNT(*) FROM ult_pmc_primeiro"));
}

TEST_F(GeracaoP7, SemLinhasInformaENaoGravaNada) {
  std::ofstream(Relatorio(), std::ios::binary) << "ANTERIOR";
  std::string aguardeNaCaixa;
  caixas_->AoMostrar = [&](const suporte::TCaixasGravadas::TCaixa&) { aguardeNaCaixa = TextoAguarde(); };
  Gerar();

  ASSERT_EQ(caixas_->Mostradas.size(), 1u);
  EXPECT_EQ(caixas_->Mostradas[0].Texto, W("Não existem registros para esta seleção!"));
  EXPECT_EQ(caixas_->Mostradas[0].Titulo, W("Informação..."));
  EXPECT_EQ(caixas_->Mostradas[0].Icone, plataforma::TIconeMensagem::Informacao);
  EXPECT_EQ(aguardeNaCaixa, W("Gerando relatório..."));  // still on screen behind the box
  EXPECT_FALSE(AguardeNaTela());
  EXPECT_EQ(suporte::LerArquivo(Relatorio()), "ANTERIOR");
  EXPECT_EQ(botoes_, (std::vector<bool>{false, true}));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(fs::exists(Marca()));
}

TEST_F(GeracaoP7, PastaAusenteLevantaOErroEReabilitaOsBotoes) {
  Produto(1, "CANETA", "3", "12.5");
  fs::remove(pasta_.Caminho() / "relatorio");
  EXPECT_THROW(Gerar(), EErroRelatorio);
  EXPECT_FALSE(AguardeNaTela());
  ASSERT_FALSE(botoes_.empty());
  EXPECT_TRUE(botoes_.back());
  EXPECT_ANY_THROW(sessao_->OpenQuery("SELECT COUNT(*) FROM ult_pmc_primeiro"));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(fs::exists(Marca()));
}

TEST_F(GeracaoP7, ErroDoBancoAntesDasLinhasFechaOAguardeESobe) {
  Produto(1, "CANETA", "3", "12.5");
  banco_.Executar("DROP TABLE produto");
  EXPECT_ANY_THROW(Gerar());
  EXPECT_FALSE(AguardeNaTela());
  // The buttons were never disabled; at most they are enabled again.
  for (bool b : botoes_) EXPECT_TRUE(b);
  EXPECT_FALSE(fs::exists(Relatorio()));
}

// The rows come by column name, whatever their order, with NULL told apart from the empty text.
TEST_F(GeracaoP7, FonteDeLinhasDaConsulta) {
  auto consulta = sessao_->OpenQuery(
      "SELECT 'x' AS outra, 1.2345 AS valor, '' AS ncm, 'A' AS descricao, 'UN' AS unidade, 2.5 AS quantidade "
      "UNION ALL SELECT 'y', NULL, NULL, NULL, NULL, NULL");
  TFonteConsultaP7 fonte(*consulta);
  EXPECT_EQ(fonte.Quantas(), 2u);
  TLinhaP7 l;
  ASSERT_TRUE(fonte.Proxima(l));
  EXPECT_EQ(l.Ncm, "");
  EXPECT_EQ(l.Descricao, "A");
  EXPECT_EQ(l.Unidade, "UN");
  ASSERT_TRUE(l.Quantidade && l.Valor);
  EXPECT_EQ(plataforma::MoedaDeTexto(*l.Quantidade).DezMilesimos, 25000);
  EXPECT_EQ(plataforma::MoedaDeTexto(*l.Valor).DezMilesimos, 12345);
  ASSERT_TRUE(fonte.Proxima(l));
  EXPECT_EQ(l.Descricao, "");
  EXPECT_FALSE(l.Quantidade.has_value());
  EXPECT_FALSE(l.Valor.has_value());
  EXPECT_FALSE(fonte.Proxima(l));
}

}  // namespace
