#pragma once
// The one routine that draws a register page, on screen, on the printer and in the PDF alike, and
// the PDF of a whole document. Needs Qt GUI (fonts, painter) but no widgets.
#include <QFont>
#include <QPagedPaintDevice>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>

#include "paginas/Documento.h"

class QIODevice;
class QPainter;

namespace paginas {

// The family of every page; the fitting works on its measured advance, so any size will do.
QFont FonteRegistro();

// The characters every page is fitted to: the widest line, but a short file is not blown up to
// giant letters.
int ColunasDe(int larguraMaxima);
inline int ColunasDe(const TDocumento& doc) { return ColunasDe(doc.LarguraMaxima); }

struct TDestaque {
  int Linha = 0, Coluna = 0, Tamanho = 0;
};

// Draws `pagina` into `area` (device units of the painter), `colunas` characters wide; with
// `linhas` > 0 the page also fits that many lines in the area's height. Returns the scale used.
double DesenharPagina(QPainter& p, const QRectF& area, const TPagina& pagina, int colunas, int linhas,
                      const std::optional<TDestaque>& destaque = std::nullopt);

// Pages to draw: how many, the widest line and the longest page that every page is fitted to, and
// page i when it is drawn.
struct TFontePaginas {
  int Quantas = 0, LarguraMaxima = 0, LinhasMaximas = 0;
  std::function<TPagina(int)> Pagina;
};
TFontePaginas FontePaginas(const TDocumento& doc);

// Pages from..to (0-based, inclusive), one device page each, fitted to the page so that no
// register page is ever split, all at the same scale. False when the device cannot be painted on.
bool RenderizarPaginas(QPagedPaintDevice& dispositivo, const TFontePaginas& paginas, int de, int ate);
inline bool RenderizarDocumento(QPagedPaintDevice& dispositivo, const TDocumento& doc, int de, int ate) {
  return RenderizarPaginas(dispositivo, FontePaginas(doc), de, ate);
}

// All the pages as a PDF into `destino` (open for writing): landscape A4, 10 mm margins, one PDF
// page per register page. False when a page could not be drawn or written.
bool EscreverPdf(QIODevice& destino, const TFontePaginas& paginas, const QString& titulo, const QString& criador);

// The document's PDF into the file `caminho`, which appears only when complete; the title is the
// file's name. On failure returns false with the message in *erro.
bool GravarPdf(const TDocumento& doc, const QString& caminho, const QString& criador, QString* erro);

}  // namespace paginas
