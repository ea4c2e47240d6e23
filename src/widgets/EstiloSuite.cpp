#include "widgets/EstiloSuite.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

QFont FonteArial(int pixels, bool negrito) {
  QFont f(QStringLiteral("Arial"));
  f.setPixelSize(pixels);
  f.setBold(negrito);
  return f;
}

QColor CinzaSuite() { return QColor(215, 215, 215); }

TGrupoP7::TGrupoP7(const QString& titulo, QWidget* pai) : QWidget(pai) {
  Titulo = new QLabel(titulo, this);
  Titulo->setGeometry(7, 1, 75, 13);
  Titulo->setFont(FonteArial(9, true));
  Titulo->setAutoFillBackground(true);
  QPalette p = Titulo->palette();
  p.setColor(QPalette::Window, CinzaSuite());
  Titulo->setPalette(p);
}

void TGrupoP7::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(0, height() - 2, width(), 2, CinzaSuite());
}

void CentrarNaTela(QWidget* janela, const QWidget* referencia) {
  QScreen* tela = referencia && referencia->screen() ? referencia->screen() : QGuiApplication::primaryScreen();
  if (!tela) return;
  janela->move(tela->availableGeometry().center() - QPoint(janela->width() / 2, janela->height() / 2));
}
