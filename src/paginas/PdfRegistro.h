#pragma once
// The book as PDF for a program without windows (the year-end command): from the register's
// bytes to the PDF's bytes, the same sheets the viewer's "Salvar PDF" writes, with the opening
// and closing terms when asked. Writes no file: the caller writes the bytes by its own safe write.
//
// Threads: PdfRegistro and EscreverPdfRegistro may be called from any thread, several at once;
// each call has its own writer (PdfTexto.h) and calls `escrever` on the calling thread only.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "paginas/PdfTexto.h"
#include "paginas/TermosLivro.h"

namespace paginas {

struct TOpcoesPdfRegistro {
  std::string Titulo;                          // UTF-8, the PDF's title (say "P7_2_20251231")
  std::string Criador = "inventario-p7-lote";  // UTF-8
  // With them, a TERMO DE ABERTURA page first and a TERMO DE ENCERRAMENTO page last.
  std::optional<TDadosTermos> Termos = {};
  // The font read once for the run (LerFonteRegistro); null: read here.
  std::shared_ptr<const TFonteTrueType> Fonte = {};
};

// The PDF of the register (its bytes as written to the file, Windows-1252), handed to `escrever`
// in pieces of about 64 KB, in order. EErroPdf when the register is empty or the font cannot be
// used; an exception of `escrever` stops the writing and reaches the caller.
void EscreverPdfRegistro(std::string_view registro, const TOpcoesPdfRegistro& opcoes,
                         const std::function<void(std::string_view)>& escrever);
// The same PDF as one byte string.
std::string PdfRegistro(std::string_view registro, const TOpcoesPdfRegistro& opcoes);

}  // namespace paginas
