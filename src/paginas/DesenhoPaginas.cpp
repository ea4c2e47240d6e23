#include "paginas/DesenhoPaginas.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>

#include "platform/TextoQt.h"

namespace paginas {

QFont FonteRegistro() {
  QFont f(QStringLiteral("Liberation Mono"));
  f.setStyleHint(QFont::Monospace);
  f.setFixedPitch(true);
  f.setKerning(false);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setPointSizeF(10);
  return f;
}

int ColunasDe(const TDocumento& doc) {
  constexpr int kColunasMinimas = 80;
  return std::max(doc.LarguraMaxima, kColunasMinimas);
}

double DesenharPagina(QPainter& p, const QRectF& area, const TPagina& pagina, int colunas, int linhas,
                      const std::optional<TDestaque>& destaque) {
  QFont fonte = FonteRegistro();
  p.save();
  p.setFont(fonte);
  QFontMetricsF m(fonte, p.device());
  const double avanco = m.horizontalAdvance(QLatin1Char('M'));
  const double alturaLinha = m.lineSpacing();
  const double escala = EscalaParaCaber(colunas, avanco, linhas, alturaLinha, area.width(), linhas > 0 ? area.height() : 0);
  // Centred across: a page bound by its height leaves room at the sides.
  const double sobra = std::max(0.0, area.width() - std::max(1, colunas) * avanco * escala);
  p.translate(area.left() + sobra / 2, area.top());
  p.scale(escala, escala);
  if (destaque && destaque->Linha < pagina.size()) {
    p.fillRect(QRectF(destaque->Coluna * avanco, destaque->Linha * alturaLinha, destaque->Tamanho * avanco, alturaLinha),
               QColor(255, 230, 0));
  }
  p.setPen(Qt::black);
  for (int i = 0; i < pagina.size(); ++i) {
    if (!pagina[i].isEmpty()) p.drawText(QPointF(0, i * alturaLinha + m.ascent()), pagina[i]);
  }
  p.restore();
  return escala;
}

bool RenderizarDocumento(QPagedPaintDevice& dispositivo, const TDocumento& doc, int de, int ate) {
  QPainter p;
  if (!p.begin(&dispositivo)) return false;
  de = std::max(de, 0);
  ate = std::min(ate, static_cast<int>(doc.Paginas.size()) - 1);
  const QRectF area(0, 0, dispositivo.width(), dispositivo.height());
  for (int i = de; i <= ate; ++i) {
    if (i > de && !dispositivo.newPage()) return false;
    // The same scale on every page: all are fitted to the widest line and the longest page.
    DesenharPagina(p, area, doc.Paginas[i], ColunasDe(doc), std::max(doc.LinhasMaximas, 1));
  }
  return p.end();
}

bool EscreverPdf(QIODevice& destino, const TDocumento& doc, const QString& titulo, const QString& criador) {
  QPdfWriter pdf(&destino);
  pdf.setCreator(criador);
  pdf.setTitle(titulo);
  pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                QPageLayout::Millimeter));
  return RenderizarDocumento(pdf, doc, 0, static_cast<int>(doc.Paginas.size()) - 1);
}

bool GravarPdf(const TDocumento& doc, const QString& caminho, const QString& criador, QString* erro) {
  QSaveFile arquivo(caminho);
  if (!arquivo.open(QIODevice::WriteOnly)) {
    if (erro) *erro = Q("Não foi possível gravar o PDF \"%1\": %2.").arg(caminho, arquivo.errorString());
    return false;
  }
  const bool ok = EscreverPdf(arquivo, doc, QFileInfo(caminho).completeBaseName(), criador);
  if (!ok || !arquivo.commit()) {
    arquivo.cancelWriting();
    if (erro) *erro = Q("Não foi possível gravar o PDF \"%1\": %2.").arg(caminho, arquivo.errorString());
    return false;
  }
  return true;
}

}  // namespace paginas
