#pragma once
// The one routine that draws a register page, on screen, on the printer and in the PDF alike, and
// the PDF of a whole document. Needs Qt GUI (fonts, painter) but no widgets.
#include <QFont>
#include <QPagedPaintDevice>
#include <QRectF>
#include <QString>

#include <optional>

#include "paginas/Documento.h"

class QIODevice;
class QPainter;

namespace paginas {

// The family of every page; the fitting works on its measured advance, so any size will do.
QFont FonteRegistro();

// The characters every page of the document is fitted to: its widest line, but a short file is
// not blown up to giant letters.
int ColunasDe(const TDocumento& doc);

struct TDestaque {
  int Linha = 0, Coluna = 0, Tamanho = 0;
};

// Draws `pagina` into `area` (device units of the painter), `colunas` characters wide; with
// `linhas` > 0 the page also fits that many lines in the area's height. Returns the scale used.
double DesenharPagina(QPainter& p, const QRectF& area, const TPagina& pagina, int colunas, int linhas,
                      const std::optional<TDestaque>& destaque = std::nullopt);

// Pages from..to (0-based, inclusive) of the document, one device page each, fitted to the page
// so that no register page is ever split. False when the device cannot be painted on.
bool RenderizarDocumento(QPagedPaintDevice& dispositivo, const TDocumento& doc, int de, int ate);

// The whole document as a PDF into `destino` (open for writing): landscape A4, 10 mm margins, one
// PDF page per register page. False when a page could not be drawn or written.
bool EscreverPdf(QIODevice& destino, const TDocumento& doc, const QString& titulo, const QString& criador);

// The same PDF into the file `caminho`, which appears only when complete; the title is the file's
// name. On failure returns false with the message in *erro.
bool GravarPdf(const TDocumento& doc, const QString& caminho, const QString& criador, QString* erro);

}  // namespace paginas
