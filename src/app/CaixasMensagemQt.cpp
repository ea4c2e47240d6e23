#include "app/CaixasMensagemQt.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/TextoQt.h"

bool TCaixasMensagemQt::Perguntar(const std::string& texto, const std::string& titulo, bool padraoSim) {
  QMessageBox caixa(QMessageBox::Question, ParaQString(titulo), ParaQString(texto),
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  caixa.setTextFormat(Qt::PlainText);
  caixa.setDefaultButton(padraoSim ? QMessageBox::Yes : QMessageBox::No);
  return caixa.exec() == QMessageBox::Yes;
}

void TCaixasMensagemQt::Avisar(const std::string& texto, const std::string& titulo,
                               plataforma::TIconeMensagem icone) {
  QMessageBox::Icon q = QMessageBox::Information;
  if (icone == plataforma::TIconeMensagem::Pergunta) q = QMessageBox::Question;
  else if (icone == plataforma::TIconeMensagem::Erro) q = QMessageBox::Critical;
  QMessageBox caixa(q, ParaQString(titulo), ParaQString(texto), QMessageBox::Ok, QApplication::activeWindow());
  caixa.setTextFormat(Qt::PlainText);
  caixa.exec();
}
