#include <QApplication>
#include <QLabel>
#include <QPointer>

#include <gtest/gtest.h>

#include "app/UProdSugCompraAguarde.h"
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
