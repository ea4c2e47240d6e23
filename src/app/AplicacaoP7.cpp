#include "app/AplicacaoP7.h"

#include <exception>

#include "platform/Mensagens.h"
#include "platform/Win1252.h"

TAplicacaoP7::TAplicacaoP7(int& argc, char** argv) : QApplication(argc, argv) {}

// The last resort only: handlers run their work in plataforma::Protegido. The box itself may fail
// (no memory, a box that throws): nothing may leave notify all the same.
bool TAplicacaoP7::notify(QObject* receptor, QEvent* evento) {
  try {
    return QApplication::notify(receptor, evento);
  } catch (const std::exception& e) {
    plataforma::MostrarErroSemFalhar(e.what());
  } catch (...) {
    plataforma::MostrarErroSemFalhar(nullptr);
  }
  return true;
}
