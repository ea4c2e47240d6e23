#include "app/UProdSugCompraAguarde.h"

#include <QApplication>
#include <QLabel>

#include "platform/TextoQt.h"
#include "widgets/EstiloSuite.h"

TFProdSugCompraAguarde::TFProdSugCompraAguarde()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName("FProdSugCompraAguarde");
  setWindowTitle(Q("Aguarde..."));
  setFixedSize(313, 57);

  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(0, 0, 313, 44);
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setTextFormat(Qt::PlainText);
  QFont fonte("Tahoma");
  fonte.setPixelSize(16);
  fonte.setBold(true);
  Label1->setFont(fonte);
  QPalette p = Label1->palette();
  p.setColor(QPalette::WindowText, Qt::black);
  Label1->setPalette(p);

  CentrarNaTela(this);
}

TFProdSugCompraAguarde* TFProdSugCompraAguarde::Exibir(const std::string& texto) {
  auto* janela = new TFProdSugCompraAguarde();
  janela->Label1->setText(ParaQString(texto));
  if (!janela->Label1->text().isEmpty()) {
    janela->show();
    // Painted now: the caller's work keeps the event loop busy until it ends.
    QCoreApplication::processEvents();
  }
  return janela;
}
