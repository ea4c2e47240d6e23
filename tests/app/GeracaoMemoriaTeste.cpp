// The generation run on a session without a server: what reaches the session and in which order,
// and the clean-up after a failure at each step, with the connection alive or lost.
#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

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

// The session of the run, held up in the stock script until the window's thread answers: the run
// works on a thread of its own, so the window's events (a timer here, the waiting window's
// repaint) are served meanwhile. Run on the window's thread, the script would wait in vain.
class TBancoRetido : public IDatabase {
 public:
  explicit TBancoRetido(IDatabase& b) : b_(b) {}
  bool Execute(const std::string& sql, TFalhaScript f) override {
    if (sql.find("CREATE TEMPORARY TABLE") != std::string::npos) {
      ForaDaJanela = std::this_thread::get_id() != principal_;
      std::unique_lock<std::mutex> l(m_);
      Liberado = cv_.wait_for(l, std::chrono::seconds(5), [&] { return liberado_; });
    }
    return b_.Execute(sql, f);
  }
  void Liberar() {
    std::lock_guard<std::mutex> l(m_);
    liberado_ = true;
    cv_.notify_all();
  }
  std::unique_ptr<dbclient::TConsulta> OpenQuery(const std::string& sql) override { return b_.OpenQuery(sql); }
  bool IsConnected() override { return b_.IsConnected(); }
  void GetValue(const std::string& sql, const dbclient::TValor& p, dbclient::TValor& v) override {
    b_.GetValue(sql, p, v);
  }
  uint64_t ComandosExecutados() const override { return b_.ComandosExecutados(); }
  bool ForaDaJanela = false, Liberado = false;

 private:
  IDatabase& b_;
  const std::thread::id principal_ = std::this_thread::get_id();
  std::mutex m_;
  std::condition_variable cv_;
  bool liberado_ = false;
};

class TContaPinturas : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++Pinturas;
    return false;
  }
  int Pinturas = 0;
};

TEST_F(GeracaoMemoria, JanelaServeEventosDuranteORoteiro) {
  TBancoRetido retido(*banco_);
  TContaPinturas contador;
  bool aguardeVisivel = false;
  int pinturas = 0;
  QTimer::singleShot(100, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* a = qobject_cast<TFProdSugCompraAguarde*>(w)) {
        aguardeVisivel = a->isVisible();
        a->installEventFilter(&contador);
        a->repaint();
        a->removeEventFilter(&contador);
      }
    pinturas = contador.Pinturas;
    retido.Liberar();
  });
  GerarRelatorio(retido, escolhas_, [this](bool h) { botoes_.push_back(h); });
  EXPECT_TRUE(retido.ForaDaJanela);
  EXPECT_TRUE(retido.Liberado) << "the script waited in vain: the window's thread served nothing";
  EXPECT_TRUE(aguardeVisivel);
  EXPECT_GT(pinturas, 0);
  // Then everything as in any run: the buttons off with the rows and back, the file there.
  EXPECT_EQ(botoes_, (std::vector<bool>{false, true}));
  EXPECT_TRUE(fs::exists(Relatorio()));
  EXPECT_FALSE(AguardeNaTela());
}

}  // namespace
