#pragma once
// The waiting window: a small always-on-top window that only carries a text while long work runs.
#include <QWidget>

#include <string>

class QLabel;

class TFProdSugCompraAguarde : public QWidget {
  Q_OBJECT
 public:
  // Creates the window with the text (Windows-1252); when the text is not empty it is shown and
  // painted before the call returns. The caller ends it with close(), which also destroys it.
  static TFProdSugCompraAguarde* Exibir(const std::string& texto);

  QLabel* Label1;

 private:
  TFProdSugCompraAguarde();
};
