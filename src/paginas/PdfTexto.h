#pragma once
// Sheets of fixed-width Windows-1252 text as a PDF of our own, for the viewer's "Salvar PDF" and
// the year-end command alike: A4 landscape, one PDF page per sheet, every sheet fitted to the
// same scale as the screen and the printer fit it, in Liberation Mono embedded as TrueType with
// WinAnsiEncoding. One text object per page, one show-text per line. No Qt.
//
// Threads: every call has its own state (font, buffers, compressor) and calls `escrever` on the
// calling thread only; any number of calls may run at once.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "paginas/Folhas.h"

namespace paginas {

// The PDF could not be made: what() is the reason (Windows-1252, as every message of the program).
class EErroPdf : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The sheets to write: how many, the widest line and the longest sheet that every sheet is fitted
// to, and the lines of sheet i, whose bytes must stay valid until the next call.
struct TFolhasPdf {
  int Quantas = 0, LarguraMaxima = 0, LinhasMaximas = 0;
  std::function<TLinhasFolha(int)> Linhas;
};

class TFonteTrueType;

struct TInfoPdf {
  std::string Titulo, Criador;  // UTF-8
  std::string Fonte;            // the font file; empty: CaminhoFonteRegistro()
  // The font already read (LerFonteRegistro), shared by every PDF of a run; it wins over Fonte.
  std::shared_ptr<const TFonteTrueType> FonteLida = {};
};

// The PDF handed to `escrever` in order, in pieces of about 64 KB: only a page and a piece are
// held at a time. EErroPdf when there are no sheets or the font cannot be used; an exception of
// `escrever` or of `folhas.Linhas` stops the writing and reaches the caller.
//
// A control character (below 0x20, a tab too, and 0x7F) and the five bytes Windows-1252 leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their one column and draw nothing. Every other
// byte is its Windows-1252 character, which WinAnsiEncoding names the same, but 0xA0 is a blank
// and 0xAD a hyphen there, as Qt drew and pdftotext reads them.
void EscreverPdfTexto(const TFolhasPdf& folhas, const TInfoPdf& info,
                      const std::function<void(std::string_view)>& escrever);

// The register's font: Liberation Mono of fonts-liberation (or fonts-liberation2); EErroPdf
// when neither is installed.
std::string CaminhoFonteRegistro();
// The register's font found and read, once for any number of PDFs on any threads (it is only
// read from); EErroPdf as CaminhoFonteRegistro, or when the file is no usable font.
std::shared_ptr<const TFonteTrueType> LerFonteRegistro();

}  // namespace paginas
