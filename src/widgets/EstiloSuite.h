#pragma once
// The look the windows of the suite share: Arial texts, the grey of the box titles, the titled box
// and a window placed in the middle of the screen. One copy for the tool, the filter dialog and the
// viewer.
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QWidget>

// Arial at a height in pixels.
QFont FonteArial(int pixels, bool negrito = false);

// RGB(215, 215, 215): the band behind a box title and the line along a box's bottom edge.
QColor CinzaSuite();

// A group box of the suite: a small bold title (Arial, 9 pixels) on a grey band at the top left and
// a 2-pixel grey line along the bottom edge; children are placed in its own coordinates.
class TGrupoP7 : public QWidget {
  Q_OBJECT
 public:
  TGrupoP7(const QString& titulo, QWidget* pai);
  QLabel* Titulo;

 protected:
  void paintEvent(QPaintEvent* evento) override;
};

// Moves the window to the middle of the available area of its screen: the screen of `referencia`
// when given, else the primary one.
void CentrarNaTela(QWidget* janela, const QWidget* referencia = nullptr);
