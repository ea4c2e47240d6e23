#include "app/AplicacaoP7.h"

#include <exception>

#include "platform/Mensagens.h"
#include "platform/Win1252.h"

TAplicacaoP7::TAplicacaoP7(int& argc, char** argv) : QApplication(argc, argv) {}

namespace {

// The box itself may fail (no memory, a box that throws): nothing may leave notify all the same.
// Null stands for an error that carries no message.
void MostrarSemFalhar(const char* mensagem) noexcept {
  try {
    plataforma::MostrarErroPadrao(mensagem ? std::string(mensagem) : plataforma::Utf8ParaW1252("Erro desconhecido"));
  } catch (...) {
  }
}

}  // namespace

bool TAplicacaoP7::notify(QObject* receptor, QEvent* evento) {
  try {
    return QApplication::notify(receptor, evento);
  } catch (const std::exception& e) {
    MostrarSemFalhar(e.what());
  } catch (...) {
    MostrarSemFalhar(nullptr);
  }
  return true;
}
