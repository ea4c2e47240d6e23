// The last resort: an error that escapes an event handler (one that does not run its work in the
// guard) reaches the application object's notify, which shows the standard error box, and the
// program goes on; a box that fails itself does not end the program either. Qt's event delivery is
// unwound on this path, so this program runs without leak checks (see tests/CMakeLists.txt).
#include <QCheckBox>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "app/AplicacaoP7.h"
#include "app/UMain.h"
#include "platform/Mensagens.h"
#include "settings/UDatabase.h"
#include "tests/support/SuporteTestes.h"

QApplication* p7CriarAplicacaoTeste(int& argc, char** argv) { return new TAplicacaoP7(argc, argv); }

namespace {

using plataforma::TIconeMensagem;

// The main window without a server (the connection is refused and the end only counted).
class UltimoRecurso : public ::testing::Test {
 protected:
  void SetUp() override {
    pasta_.EscreverIniBanco("p7", 1, "127.0.0.1:1");
    janela_ = std::make_unique<TFMain>();
    janela_->Terminar = [] {};
    janela_->show();
    janela_->activateWindow();
    (void)QTest::qWaitForWindowActive(janela_.get());
    caixas_->Mostradas.clear();
  }
  void TearDown() override {
    janela_.reset();
    DatabaseSession.reset();
  }
  // A click whose handler throws, outside any guard.
  void Clique() { QTest::mouseClick(janela_->CheckConsiderarProdutoApagado, Qt::LeftButton); }

  suporte::TRegionalBrasil regional_;
  suporte::TPastaProgramaTeste pasta_;
  suporte::TCaixasInstaladas caixas_;
  std::unique_ptr<TFMain> janela_;
};

TEST_F(UltimoRecurso, ErroNumCliqueVaiParaACaixaPadraoEAJanelaContinua) {
  int cliques = 0;
  QObject::connect(janela_->CheckConsiderarProdutoApagado, &QCheckBox::clicked, [&] {
    ++cliques;
    if (cliques == 1) throw std::runtime_error("Falha no clique");
    if (cliques == 2) throw std::runtime_error("Falha (1)");
  });
  Clique();
  Clique();
  Clique();
  EXPECT_EQ(cliques, 3);
  ASSERT_EQ(caixas_->Mostradas.size(), 2u);
  EXPECT_EQ(caixas_->Mostradas[0].Texto, "Falha no clique.");
  EXPECT_EQ(caixas_->Mostradas[1].Texto, "Falha (1)");
  for (const auto& c : caixas_->Mostradas) {
    EXPECT_EQ(c.Titulo, plataforma::TituloAplicacao());
    EXPECT_EQ(c.Icone, TIconeMensagem::Erro);
    EXPECT_FALSE(c.Pergunta);
  }
  EXPECT_FALSE(janela_->CheckConsiderarProdutoApagado->isDown());
  EXPECT_TRUE(janela_->isVisible());
}

TEST_F(UltimoRecurso, CaixaQueFalhaNaoDerrubaOPrograma) {
  int tentativas = 0;
  caixas_->AoMostrar = [&](const suporte::TCaixasGravadas::TCaixa&) {
    ++tentativas;
    throw std::runtime_error("caixa indisponível");
  };
  QObject::connect(janela_->CheckConsiderarProdutoApagado, &QCheckBox::clicked,
                   [] { throw std::runtime_error("Falha no clique"); });
  Clique();
  EXPECT_EQ(tentativas, 1);
  caixas_->AoMostrar = nullptr;
  Clique();
  ASSERT_EQ(caixas_->Mostradas.size(), 2u);
  EXPECT_EQ(caixas_->Mostradas[1].Texto, "Falha no clique.");
  // The window still closes with Esc.
  QTest::keyClick(janela_->CheckConsiderarProdutoApagado, Qt::Key_Escape);
  EXPECT_FALSE(janela_->isVisible());
}

}  // namespace
