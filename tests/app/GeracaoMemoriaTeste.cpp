// The generation run on a session without a server: what reaches the session and in which order,
// and the clean-up after a failure at each step, with the connection alive or lost.
#include <QApplication>

#include <gtest/gtest.h>

#include <filesystem>

#include "app/GeracaoP7.h"
#include "app/UProdSugCompraAguarde.h"
#include "inventory/UInventarioP7Dao.h"
#include "platform/Win1252.h"
#include "settings/UDatabase.h"
#include "tests/support/BancoMemoria.h"
#include "tests/support/JanelaAguarde.h"
#include "tests/support/SuporteTestes.h"

namespace fs = std::filesystem;
using dbclient::TTipoCampo;
using suporte::TBancoMemoria;
using TEnvio = TBancoMemoria::TEnvio;
using TTipoEnvio = TBancoMemoria::TTipoEnvio;

namespace {

using suporte::AguardeNaTela;

class GeracaoMemoria : public ::testing::Test {
 protected:
  void SetUp() override {
    pasta_.EscreverIni("[FilialMatriz]\r\nCodLogica=2\r\n");
    escolhas_.Data = {2023, 12, 31};
    NovaSessao();
  }

  void NovaSessao() {
    banco_ = std::make_shared<TBancoMemoria>();
    banco_->Responder(
        TInventarioP7Dao::SqlDadosFilial(2),
        {{"psi_nomest", "cgc", "inscr"}, {}, {{W("MERCADO SÃO JOSÉ LTDA"), "12345678000190", "123456789"}}});
    banco_->Responder(TInventarioP7Dao::SqlProdutoArredondamento(2),
                      {{"produto_arredond"}, {TTipoCampo::Inteiro}, {{"777"}}});
    banco_->Responder(TInventarioP7Dao::SqlConsultaInventario(),
                      {{"produto_id", "ncm", "descricao", "unidade", "quantidade", "valor"},
                       {TTipoCampo::Inteiro, TTipoCampo::Texto, TTipoCampo::Texto, TTipoCampo::Texto,
                        TTipoCampo::Decimal, TTipoCampo::Decimal},
                       {{"1", "84713012", "CANETA", "UN", "3.0000", "12.5000"}}});
    botoes_.clear();
  }

  void Gerar() {
    GerarRelatorio(*banco_, escolhas_, [this](bool h) { botoes_.push_back(h); });
  }

  fs::path Relatorio() const { return pasta_.Caminho() / "relatorio" / "relatorio.txt"; }

  bool DropsEnviados() const {
    for (const TEnvio& e : banco_->Enviados)
      if (e.Sql == TInventarioP7Dao::SqlApagarTabelas()) return true;
    return false;
  }

  suporte::TRegionalBrasil regional_;
  suporte::TCaixasInstaladas caixas_;
  suporte::TPastaProgramaTeste pasta_;
  std::shared_ptr<TBancoMemoria> banco_;
  TEscolhasGeracao escolhas_;
  std::vector<bool> botoes_;
};

TEST_F(GeracaoMemoria, OrdemDoQueChegaASessao) {
  escolhas_.CustoMedio = false;
  escolhas_.ConsiderarArredondamento = false;
  escolhas_.FiltroGrupos = " 3,4 ";
  Gerar();

  // The script gets the rounding product the lookup answered and the filter without its blanks.
  TParamsRelatorio p;
  p.FilialId = 2;
  p.DataEstoque = escolhas_.Data;
  p.PrecoCompra = true;
  p.ConsiderarArredondamento = false;
  p.Grupos = "3,4";
  const std::vector<TEnvio> esperados = {
      {TTipoEnvio::OpenQuery, TInventarioP7Dao::SqlDadosFilial(2)},
      {TTipoEnvio::GetValue, TInventarioP7Dao::SqlProdutoArredondamento(2)},
      {TTipoEnvio::Execute, TInventarioP7Dao::MontarScript(p, 777), TFalhaScript::Parar},
      {TTipoEnvio::OpenQuery, TInventarioP7Dao::SqlConsultaInventario()},
      {TTipoEnvio::Execute, TInventarioP7Dao::SqlApagarTabelas(), TFalhaScript::Continuar},
  };
  ASSERT_EQ(banco_->Enviados.size(), esperados.size());
  for (size_t i = 0; i < esperados.size(); ++i) EXPECT_EQ(banco_->Enviados[i], esperados[i]) << "envio " << i;

  const std::string arquivo = suporte::LerArquivo(Relatorio());
  EXPECT_NE(arquivo.find(W("| RAZÃO SOCIAL: MERCADO SÃO JOSÉ LTDA ")), std::string::npos);
  EXPECT_NE(arquivo.find("|        3       |        12,50     |       37,50        |"), std::string::npos);
  EXPECT_EQ(botoes_, (std::vector<bool>{false, true}));
  EXPECT_FALSE(AguardeNaTela());
  EXPECT_TRUE(caixas_->Mostradas.empty());
}

// A failure at any step reaches the caller as the step's own error, which is then the only box.
// The temporary tables are dropped while the connection lives; after it is lost nothing more is
// sent, since every drop would fail with a box of its own.
TEST_F(GeracaoMemoria, FalhaEmCadaPassoLimpaEDeixaSoOErroDoPasso) {
  const std::vector<std::string> passos = {
      TInventarioP7Dao::SqlDadosFilial(2),
      TInventarioP7Dao::SqlProdutoArredondamento(2),
      "CREATE TEMPORARY TABLE tmp_mov",
      TInventarioP7Dao::SqlConsultaInventario(),
  };
  for (const std::string& passo : passos) {
    for (bool perde : {false, true}) {
      SCOPED_TRACE(passo + (perde ? " (conexão perdida)" : ""));
      NovaSessao();
      banco_->FalharEm(passo, "falha do passo", perde);
      try {
        Gerar();
        ADD_FAILURE() << "the run ended without the step's error";
      } catch (const dbclient::EErroBanco& e) {
        EXPECT_STREQ(e.what(), "falha do passo");
      }
      EXPECT_EQ(DropsEnviados(), !perde);
      if (!perde) {
        EXPECT_EQ(banco_->Enviados.back().Sql, TInventarioP7Dao::SqlApagarTabelas()) << "the drops come last";
      }
      ASSERT_FALSE(botoes_.empty());
      EXPECT_TRUE(botoes_.back());
      EXPECT_FALSE(AguardeNaTela());
      EXPECT_TRUE(caixas_->Mostradas.empty()) << caixas_->Mostradas.front().Texto;
      EXPECT_FALSE(fs::exists(Relatorio()));
    }
  }
}

}  // namespace
