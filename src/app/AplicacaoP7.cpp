#include "AplicacaoP7.h"

#include <exception>

#include "Mensagens.h"
#include "Win1252.h"

TAplicacaoP7::TAplicacaoP7(int& argc, char** argv) : QApplication(argc, argv) {}

bool TAplicacaoP7::notify(QObject* receptor, QEvent* evento) {
  try {
    return QApplication::notify(receptor, evento);
  } catch (const std::exception& e) {
    plataforma::MostrarErroPadrao(e.what());
  } catch (...) {
    plataforma::MostrarErroPadrao(plataforma::Utf8ParaW1252("Erro desconhecido"));
  }
  return true;
}
