#pragma once
// The book as PDF for a program without windows (the year-end command): from the register's
// bytes to the PDF's bytes, the same sheets the viewer's "Salvar PDF" draws, with the opening and
// closing terms when asked. Writes no file: the caller writes the bytes by its own safe write.
//
// Threads: TAplicacaoSemTela is made and destroyed on the program's main thread, before any PDF is
// drawn and after the last one is done. While it lives, PdfRegistro and EscreverPdfRegistro may
// be called from any thread, several at once: each call has its own PDF writer and painter, which
// Qt supports off the GUI thread (a painter on a printer or PDF device, text through fontconfig;
// the tests draw on three threads at once), and calls `escrever` on the calling thread only.
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "paginas/Documento.h"
#include "paginas/TermosLivro.h"

class QGuiApplication;

namespace paginas {

// The PDF could not be made: what() is the reason (Windows-1252, as every message of the program).
class EErroPdf : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The Qt GUI application that fonts and painting need, on the offscreen platform (no display,
// whatever QT_QPA_PLATFORM says), made only when the process has none yet; an application made
// elsewhere is kept and used. EErroPdf when the process has a Qt application without GUI.
class TAplicacaoSemTela {
 public:
  explicit TAplicacaoSemTela(const std::string& programa = "inventario-p7-lote");
  ~TAplicacaoSemTela();
  TAplicacaoSemTela(const TAplicacaoSemTela&) = delete;
  TAplicacaoSemTela& operator=(const TAplicacaoSemTela&) = delete;

 private:
  // Qt keeps argc and argv for the application's lifetime.
  std::string programa_, opcao_ = "-platform", plataforma_ = "offscreen";
  int argc_ = 3;
  char* argv_[4] = {};
  std::unique_ptr<QGuiApplication> aplicacao_;
};

struct TOpcoesPdfRegistro {
  std::string Titulo;                          // UTF-8, the PDF's title (say "P7_2_20251231")
  std::string Criador = "inventario-p7-lote";  // UTF-8
  // With them, a TERMO DE ABERTURA page first and a TERMO DE ENCERRAMENTO page last.
  std::optional<TDadosTermos> Termos = {};
};

// The PDF of the register (its bytes as written to the file, Windows-1252), handed to `escrever`
// in pieces, in order. EErroPdf when there is no Qt GUI application, the register is empty or a
// page cannot be drawn; an exception of `escrever` stops the drawing and is thrown again.
void EscreverPdfRegistro(std::string_view registro, const TOpcoesPdfRegistro& opcoes,
                         const std::function<void(std::string_view)>& escrever);
// The same PDF as one byte string.
std::string PdfRegistro(std::string_view registro, const TOpcoesPdfRegistro& opcoes);

}  // namespace paginas
