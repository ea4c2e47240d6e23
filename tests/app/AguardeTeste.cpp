#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "widgets/CaixasMensagemQt.h"
#include "app/UProdSugCompraAguarde.h"
#include "app/UtilsApp.h"
#include "platform/Mensagens.h"
#include "platform/TextoQt.h"

namespace {
void ProcessarExclusoes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
}  // namespace

TEST(Aguarde, ExibirComTextoMostraAJanelaEFecharADestroi) {
  QPointer<TFProdSugCompraAguarde> janela = TFProdSugCompraAguarde::Exibir(W("Gerando relatório..."));
  ASSERT_TRUE(janela);
  EXPECT_TRUE(janela->isVisible());
  EXPECT_EQ(janela->windowTitle(), Q("Aguarde..."));
  EXPECT_EQ(janela->Label1->text(), Q("Gerando relatório..."));
  EXPECT_EQ(janela->size(), QSize(313, 57));
  EXPECT_EQ(janela->Label1->geometry(), QRect(0, 0, 313, 44));
  EXPECT_TRUE(janela->Label1->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(janela->Label1->alignment() & Qt::AlignVCenter);
  EXPECT_TRUE(janela->Label1->font().bold());
  EXPECT_EQ(janela->Label1->font().pixelSize(), 16);
  EXPECT_TRUE(janela->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(janela->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(janela->windowFlags() & Qt::WindowSystemMenuHint);

  janela->close();
  ProcessarExclusoes();
  EXPECT_TRUE(janela.isNull());
}

TEST(Aguarde, ExibirSemTextoCriaMasNaoMostra) {
  QPointer<TFProdSugCompraAguarde> janela = TFProdSugCompraAguarde::Exibir("");
  ASSERT_TRUE(janela);
  EXPECT_FALSE(janela->isVisible());
  janela->close();
  ProcessarExclusoes();
  EXPECT_TRUE(janela.isNull());
}

// A box shown while the waiting window is up (the no-rows notice, an error of the run) comes up
// above it, active, with the keyboard: the waiting window stays on top of everything else.
TEST(Aguarde, CaixaDuranteAEsperaFicaAcimaEAtiva) {
  auto anteriores = plataforma::InstalarCaixasMensagem(std::make_shared<TCaixasMensagemQt>());
  QWidget principal;
  principal.show();
  principal.activateWindow();
  QPointer<TFProdSugCompraAguarde> aguarde = TFProdSugCompraAguarde::Exibir(W("Gerando relatório..."));

  bool vista = false;
  QTimer::singleShot(50, [&] {
    auto* caixa = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(caixa, nullptr);
    vista = true;
    EXPECT_EQ(caixa->text(), Q("Não existem registros para esta seleção!"));
    EXPECT_EQ(caixa->parentWidget(), aguarde.data());
    EXPECT_TRUE(caixa->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(QApplication::activeWindow(), caixa);
    // Enter answers the box itself.
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : caixa, Qt::Key_Return);
  });
  Informar(W("Não existem registros para esta seleção!"), W("Informação..."));
  EXPECT_TRUE(vista);

  // Without a window on top the box belongs to the active window, as before.
  aguarde->close();
  QTimer::singleShot(50, [&] {
    auto* caixa = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(caixa, nullptr);
    EXPECT_FALSE(caixa->windowFlags() & Qt::WindowStaysOnTopHint);
    caixa->accept();
  });
  plataforma::MostrarErroPadrao("Falha");
  plataforma::InstalarCaixasMensagem(anteriores);
}
