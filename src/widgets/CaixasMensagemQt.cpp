#include "widgets/CaixasMensagemQt.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "platform/TextoQt.h"

namespace {

// A window that stays on top (the waiting window) would cover a box owned by the main window:
// the box then belongs to that window and stays on top itself, so it comes up above it.
QWidget* JanelaSempreNoTopo() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint) && !qobject_cast<QMessageBox*>(w)) return w;
  return nullptr;
}

int Executar(QMessageBox& caixa) {
  caixa.setTextFormat(Qt::PlainText);
  if (caixa.parentWidget() && (caixa.parentWidget()->windowFlags() & Qt::WindowStaysOnTopHint))
    caixa.setWindowFlag(Qt::WindowStaysOnTopHint);
  // Raised and active once shown, so its keys reach it and not the window below.
  QTimer::singleShot(0, &caixa, [&caixa] {
    caixa.raise();
    caixa.activateWindow();
  });
  return caixa.exec();
}

QWidget* Dono() {
  if (QWidget* topo = JanelaSempreNoTopo()) return topo;
  return QApplication::activeWindow();
}

}  // namespace

bool TCaixasMensagemQt::Perguntar(const std::string& texto, const std::string& titulo, bool padraoSim) {
  QMessageBox caixa(QMessageBox::Question, ParaQString(titulo), ParaQString(texto), QMessageBox::Yes | QMessageBox::No,
                    Dono());
  caixa.setDefaultButton(padraoSim ? QMessageBox::Yes : QMessageBox::No);
  return Executar(caixa) == QMessageBox::Yes;
}

void TCaixasMensagemQt::Avisar(const std::string& texto, const std::string& titulo, plataforma::TIconeMensagem icone) {
  QMessageBox::Icon q = QMessageBox::Information;
  if (icone == plataforma::TIconeMensagem::Pergunta)
    q = QMessageBox::Question;
  else if (icone == plataforma::TIconeMensagem::Erro)
    q = QMessageBox::Critical;
  QMessageBox caixa(q, ParaQString(titulo), ParaQString(texto), QMessageBox::Ok, Dono());
  Executar(caixa);
}
