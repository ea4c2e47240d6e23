#pragma once
// A register as pages of text: the Windows-1252 bytes of the file decoded, split into pages at
// form feeds and into lines at line ends. The viewer shows these pages and the PDF draws them.
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace paginas {

// One page of the register: its lines, without line ends.
using TPagina = QStringList;

struct TDocumento {
  std::vector<TPagina> Paginas;  // at least one page, maybe empty
  int LarguraMaxima = 0;         // characters of the widest line of all pages
  int LinhasMaximas = 0;         // lines of the longest page
};

// Windows-1252 bytes to text.
QString DecodificarW1252(std::string_view bytes);

// Splits a report text into pages at form feeds and each page into lines at CR LF (or LF). The
// line end before a form feed and at the end of the text closes a line; it does not open an
// empty one. A form feed at the very end gives no empty page after it.
TDocumento DividirPaginas(const QString& texto);

// The widest line and the longest page, after pages were added or changed.
void MedirDocumento(TDocumento& doc);

// The same pages straight from the Windows-1252 bytes of a register, each decoded only when it
// is asked for, so that a book of thousands of sheets never sits in memory as text. The bytes
// must outlive the object.
class TPaginasW1252 {
 public:
  explicit TPaginasW1252(std::string_view bytes);
  int Quantas() const { return static_cast<int>(paginas_.size()); }
  int LarguraMaxima() const { return larguraMaxima_; }
  int LinhasMaximas() const { return linhasMaximas_; }
  TPagina Pagina(int i) const;

 private:
  std::vector<std::string_view> paginas_;
  int larguraMaxima_ = 0, linhasMaximas_ = 0;
};

// The sheet number the page prints on its own "FOLHA:" line (the register numbers its first
// sheet 2); nothing when the page has no such line.
std::optional<int> FolhaDaPagina(const TPagina& pagina);

// Scale that fits a block of `colunas` characters of advance `avanco` and `linhas` lines of
// height `alturaLinha` into a width x height area (height <= 0: fit the width only).
double EscalaParaCaber(int colunas, double avanco, int linhas, double alturaLinha, double largura, double altura);

}  // namespace paginas
