#pragma once
// A register as pages of text: the Windows-1252 bytes of the file decoded, split into pages at
// form feeds and into lines at line ends. The viewer shows these pages and the PDF draws them.
#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>
#include <vector>

#include "paginas/Folhas.h"

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

// FolhaDasLinhas of the page's text.
std::optional<int> FolhaDaPagina(const TPagina& pagina);

}  // namespace paginas
