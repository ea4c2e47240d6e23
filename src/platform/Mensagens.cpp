#include "platform/Mensagens.h"

#include <cstdio>

#include "platform/Entrada.h"
#include "platform/Texto.h"
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

std::string& Titulo() {
  static std::string t = Utf8ParaW1252("Inventário Modelo P7");
  return t;
}

}  // namespace

const std::string& TituloAplicacao() { return Titulo(); }
void DefinirTituloAplicacao(const std::string& titulo) { Titulo() = titulo; }

std::shared_ptr<ICaixasMensagem> InstalarCaixasMensagem(std::shared_ptr<ICaixasMensagem> caixas) {
  auto anterior = Instaladas();
  Instaladas() = caixas ? std::move(caixas) : std::make_shared<TCaixasConsole>();
  return anterior;
}

ICaixasMensagem& CaixasMensagem() { return *Instaladas(); }

std::string TextoErroPadrao(const std::string& mensagem) { return ComPontoFinal(mensagem); }

void MostrarErroPadrao(const std::string& mensagem) {
  CaixasMensagem().Avisar(TextoErroPadrao(mensagem), TituloAplicacao(), TIconeMensagem::Erro);
}

void MostrarErroSemFalhar(const char* mensagem) noexcept {
  try {
    BloquearEntrada(false);
    MostrarErroPadrao(mensagem ? std::string(mensagem) : Utf8ParaW1252("Erro desconhecido"));
  } catch (...) {
  }
}

}  // namespace plataforma
