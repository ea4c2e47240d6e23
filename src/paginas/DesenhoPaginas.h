#pragma once
// The one routine that draws a register page, on screen and on the printer, and the document's PDF
// file (PdfTexto.h writes it, with the same fitting). Needs Qt GUI (fonts, painter) but no widgets.
#include <QFont>
#include <QPagedPaintDevice>
#include <QRectF>
#include <QString>

#include <optional>

#include "paginas/Documento.h"

class QPainter;

namespace paginas {

// The family of every page; the fitting works on its measured advance, so any size will do.
QFont FonteRegistro();

inline int ColunasDe(const TDocumento& doc) { return ColunasDe(doc.LarguraMaxima); }

struct TDestaque {
  int Linha = 0, Coluna = 0, Tamanho = 0;
};

// Draws `pagina` into `area` (device units of the painter), `colunas` characters wide; with
// `linhas` > 0 the page also fits that many lines in the area's height. Returns the scale used.
double DesenharPagina(QPainter& p, const QRectF& area, const TPagina& pagina, int colunas, int linhas,
                      const std::optional<TDestaque>& destaque = std::nullopt);

// Pages from..to (0-based, inclusive), one device page each, fitted to the page so that no
// register page is ever split, all at the same scale. False when the device cannot be painted on.
bool RenderizarDocumento(QPagedPaintDevice& dispositivo, const TDocumento& doc, int de, int ate);

// The document's PDF (EscreverPdfTexto) into the file `caminho`, which appears only when complete;
// the title is the file's name. On failure returns false with the message in *erro.
bool GravarPdf(const TDocumento& doc, const QString& caminho, const QString& criador, QString* erro);

}  // namespace paginas
