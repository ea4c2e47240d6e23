#pragma once
// The message boxes of the running program: modal QMessageBox over the active window.
#include "platform/Mensagens.h"

class TCaixasMensagemQt : public plataforma::ICaixasMensagem {
 public:
  bool Perguntar(const std::string& texto, const std::string& titulo, bool padraoSim) override;
  void Avisar(const std::string& texto, const std::string& titulo, plataforma::TIconeMensagem icone) override;
};
