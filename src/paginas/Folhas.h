#pragma once
// The register's sheets straight from its Windows-1252 bytes, and the rules every drawing of them
// shares (screen, printer, PDF): the split into sheets and lines, the sheet's own number, the
// columns a sheet is fitted to and the fitting itself. No Qt.
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace paginas {

// The lines of one sheet, Windows-1252, without line ends.
using TLinhasFolha = std::vector<std::string_view>;

namespace divisao {

// The one split rule, on the text or on its Windows-1252 bytes alike (one byte, one character):
// `pagina(inicio, fim)` for each page between form feeds, where a form feed at the very end opens
// no page and no text at all is one empty page.
template <class Texto, class Funcao>
void PorPagina(const Texto& t, Funcao&& pagina) {
  size_t inicio = 0;
  for (size_t i = 0; i < static_cast<size_t>(t.size()); ++i) {
    if (t[i] != u'\f') continue;
    pagina(inicio, i);
    inicio = i + 1;
  }
  if (inicio < static_cast<size_t>(t.size()) || inicio == 0) pagina(inicio, static_cast<size_t>(t.size()));
}

// `linha(inicio, fim)` for each line of t[de, ate) without its line end: a line ends at LF, a CR
// before it dropped. Text after the last line end is a line of its own; a closing line end opens
// nothing.
template <class Texto, class Funcao>
void PorLinha(const Texto& t, size_t de, size_t ate, Funcao&& linha) {
  size_t inicio = de;
  for (size_t i = de; i < ate; ++i) {
    if (t[i] != u'\n') continue;
    linha(inicio, i > inicio && t[i - 1] == u'\r' ? i - 1 : i);
    inicio = i + 1;
  }
  if (inicio < ate) linha(inicio, t[ate - 1] == u'\r' ? ate - 1 : ate);
}

}  // namespace divisao

// The sheets of a register's bytes, found once and split into lines only when asked for, so that
// a book of thousands of sheets is never copied. The bytes must outlive the object.
class TFolhasW1252 {
 public:
  explicit TFolhasW1252(std::string_view bytes);
  int Quantas() const { return static_cast<int>(folhas_.size()); }
  int LarguraMaxima() const { return larguraMaxima_; }  // characters of the widest line
  int LinhasMaximas() const { return linhasMaximas_; }  // lines of the longest sheet
  TLinhasFolha Linhas(int i) const;

 private:
  std::vector<std::string_view> folhas_;
  int larguraMaxima_ = 0, linhasMaximas_ = 0;
};

// The sheet number the page prints on its own "FOLHA:" line (the register numbers its first
// sheet 2); nothing when the page has no such line.
std::optional<int> FolhaDasLinhas(const TLinhasFolha& linhas);

// The characters every page is fitted to: the widest line, but a short file is not blown up to
// giant letters.
int ColunasDe(int larguraMaxima);

// Scale that fits a block of `colunas` characters of advance `avanco` and `linhas` lines of
// height `alturaLinha` into a width x height area (height <= 0: fit the width only).
double EscalaParaCaber(int colunas, double avanco, int linhas, double alturaLinha, double largura, double altura);

}  // namespace paginas
