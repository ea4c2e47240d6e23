#pragma once
// Driving the filter dialog in the window tests: its modal loop, keys on a control, F5 on a row,
// and the marks of a list. Header only: the tests that include it link the filter layer.
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

#include "filter/RowSet.h"
#include "filter/GradeDados.h"
#include "filter/UFiltroGrupEsp.h"

namespace suporte {

// Runs the actions inside the dialog's modal loop; the dialog is closed afterwards if they left it
// open (a failed assertion, for instance).
inline void RodarDialogo(TFFiltroGrupoEspec& d, const std::function<void(TFFiltroGrupoEspec&)>& acoes) {
  QTimer::singleShot(0, &d, [&] {
    acoes(d);
    if (d.isVisible()) d.reject();
  });
  d.exec();
}

inline void Tecla(QWidget* w, Qt::Key tecla) {
  w->setFocus();
  QTest::keyClick(w, tecla);
}

inline void F5Em(QWidget* grade, int linha) {
  auto* g = static_cast<TGradeDados*>(grade);
  g->setFocus();
  g->setCurrentIndex(g->model()->index(linha, 0));
  QTest::keyClick(g, Qt::Key_F5);
}

// "S" or "N" per row, in the list's current order.
inline std::string Marcas(dbclient::TConjuntoLinhas& c) {
  std::string r;
  for (size_t p = 0; p < c.NumeroRegistros(); ++p)
    r += dbclient::TConjuntoLinhas::ParaTexto(c.ValorNa(p, c.IndiceCampo("MARCADO")));
  return r;
}

}  // namespace suporte
