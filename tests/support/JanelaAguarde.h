#pragma once
// The waiting window in the window tests. Header only: the tests that include it link the app layer.
#include <QApplication>
#include <QLabel>

#include <string>

#include "app/UProdSugCompraAguarde.h"
#include "platform/TextoQt.h"

namespace suporte {

// Whether a waiting window still exists, once the windows closed with deleteLater are gone.
inline bool AguardeNaTela() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<TFProdSugCompraAguarde*>(w)) return true;
  return false;
}

// The text of the waiting window on screen; "" when there is none.
inline std::string TextoAguarde() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* a = qobject_cast<TFProdSugCompraAguarde*>(w); a && a->isVisible()) return DeQString(a->Label1->text());
  return "";
}

}  // namespace suporte
