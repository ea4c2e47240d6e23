#pragma once
// The one seam through which every message box of the program goes. The application installs
// the Qt boxes; tests install a recorder that answers questions and keeps the texts.
// Texts are Windows-1252.
#include <exception>
#include <memory>
#include <string>

namespace plataforma {

enum class TIconeMensagem { Pergunta, Informacao, Erro };

class ICaixasMensagem {
 public:
  virtual ~ICaixasMensagem() = default;
  // Yes/No question; true when the answer is Yes.
  virtual bool Perguntar(const std::string& texto, const std::string& titulo, bool padraoSim) = 0;
  // One OK button with the given icon.
  virtual void Avisar(const std::string& texto, const std::string& titulo, TIconeMensagem icone) = 0;
};

// Installs the boxes and returns the previous ones (nullptr: texts go to standard error and every
// question is answered No).
std::shared_ptr<ICaixasMensagem> InstalarCaixasMensagem(std::shared_ptr<ICaixasMensagem> caixas);
ICaixasMensagem& CaixasMensagem();

// The application's title, used by the standard error box: "Inventário Modelo P7" in
// Windows-1252 unless the program named itself otherwise.
const std::string& TituloAplicacao();
void DefinirTituloAplicacao(const std::string& titulo);

// The standard error box: title TituloAplicacao(), stop icon, OK; the message gets a "." when it
// is not empty and its last character's code is greater than that of ".".
std::string TextoErroPadrao(const std::string& mensagem);
void MostrarErroPadrao(const std::string& mensagem);
// The same for the guards: input unblocked first; a box that fails itself is swallowed, and null
// stands for an error without a message.
void MostrarErroSemFalhar(const char* mensagem) noexcept;

// The one guard of the windows: every slot, key or show handler that runs work runs it here, so
// an error shows the standard error box and never unwinds through Qt's event delivery. Then work
// goes on with the next event.
template <class F>
void Protegido(F&& trabalho) noexcept {
  try {
    trabalho();
  } catch (const std::exception& e) {
    MostrarErroSemFalhar(e.what());
  } catch (...) {
    MostrarErroSemFalhar(nullptr);
  }
}

// The handler of a signal that runs `trabalho` in the guard, with as many of the signal's
// arguments as `trabalho` takes (the call type drops out of overload resolution for the others,
// so Qt passes the right count).
template <class F>
auto Protegendo(F trabalho) {
  return [trabalho = std::move(trabalho)](auto&&... argumentos) mutable -> decltype(trabalho(argumentos...), void()) {
    Protegido([&] { trabalho(argumentos...); });
  };
}

}  // namespace plataforma
