#include "platform/Mensagens.h"

#include <cstdio>

#include "platform/Win1252.h"

namespace plataforma {
namespace {

class TCaixasConsole : public ICaixasMensagem {
 public:
  bool Perguntar(const std::string& texto, const std::string& titulo, bool) override {
    std::fprintf(stderr, "%s: %s\n", W1252ParaUtf8(titulo).c_str(), W1252ParaUtf8(texto).c_str());
    return false;
  }
  void Avisar(const std::string& texto, const std::string& titulo, TIconeMensagem) override {
    std::fprintf(stderr, "%s: %s\n", W1252ParaUtf8(titulo).c_str(), W1252ParaUtf8(texto).c_str());
  }
};

std::shared_ptr<ICaixasMensagem>& Instaladas() {
  static std::shared_ptr<ICaixasMensagem> c = std::make_shared<TCaixasConsole>();
  return c;
}

}  // namespace

const std::string& TituloAplicacao() {
  static const std::string t = Utf8ParaW1252("Inventário Modelo P7");
  return t;
}

std::shared_ptr<ICaixasMensagem> InstalarCaixasMensagem(std::shared_ptr<ICaixasMensagem> caixas) {
  auto anterior = Instaladas();
  Instaladas() = caixas ? std::move(caixas) : std::make_shared<TCaixasConsole>();
  return anterior;
}

ICaixasMensagem& CaixasMensagem() { return *Instaladas(); }

std::string TextoErroPadrao(const std::string& mensagem) {
  if (!mensagem.empty() && static_cast<unsigned char>(mensagem.back()) > static_cast<unsigned char>('.'))
    return mensagem + ".";
  return mensagem;
}

void MostrarErroPadrao(const std::string& mensagem) {
  CaixasMensagem().Avisar(TextoErroPadrao(mensagem), TituloAplicacao(), TIconeMensagem::Erro);
}

}  // namespace plataforma
