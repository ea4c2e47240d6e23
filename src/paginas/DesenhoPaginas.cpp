#include "paginas/DesenhoPaginas.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

#include "arquivos/GravacaoSegura.h"
#include "paginas/PdfTexto.h"
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

namespace {

// Printing goes through Qt's PDF engine, which spends its time per glyph: drawing each glyph of a
// line at its column, unshaped and without the blanks, halves the time of a book of thousands of
// sheets. The font is
// fixed-pitch, so every glyph lands where the shaped text would put it, and a PDF reader still
// finds the blanks between them. False for a line with a control character or a character the
// font lacks, which is drawn as text, with Qt's fallback fonts.
bool GlifosDaLinha(const QRawFont& fonte, const QString& linha, double avanco, const QPointF& origem,
                   QVector<quint32>& glifos, QVector<QPointF>& posicoes) {
  glifos.resize(linha.size());
  int quantos = static_cast<int>(linha.size());
  if (!fonte.isValid() || !fonte.glyphIndexesForChars(linha.constData(), quantos, glifos.data(), &quantos) ||
      quantos != linha.size())
    return false;
  posicoes.clear();
  qsizetype n = 0;
  for (qsizetype c = 0; c < linha.size(); ++c) {
    const char16_t ch = linha[c].unicode();
    if (ch == u' ') continue;
    if (ch < 0x20 || (ch >= 0x7F && ch < 0xA0) || glifos[c] == 0) return false;
    glifos[n++] = glifos[c];
    posicoes.append(QPointF(origem.x() + c * avanco, origem.y()));
  }
  glifos.resize(n);
  return true;
}

}  // namespace

double DesenharPagina(QPainter& p, const QRectF& area, const TPagina& pagina, int colunas, int linhas,
                      const std::optional<TDestaque>& destaque) {
  QFont fonte = FonteRegistro();
  p.save();
  p.setFont(fonte);
  QFontMetricsF m(fonte, p.device());
  const double avanco = m.horizontalAdvance(QLatin1Char('M'));
  const double alturaLinha = m.lineSpacing();
  const double escala =
      EscalaParaCaber(colunas, avanco, linhas, alturaLinha, area.width(), linhas > 0 ? area.height() : 0);
  // Centred across: a page bound by its height leaves room at the sides.
  const double sobra = std::max(0.0, area.width() - std::max(1, colunas) * avanco * escala);
  p.translate(area.left() + sobra / 2, area.top());
  p.scale(escala, escala);
  if (destaque && destaque->Linha < pagina.size()) {
    p.fillRect(
        QRectF(destaque->Coluna * avanco, destaque->Linha * alturaLinha, destaque->Tamanho * avanco, alturaLinha),
        QColor(255, 230, 0));
  }
  p.setPen(Qt::black);
  // The font as the device sees it, so that its glyphs have the sizes the metrics above measured.
  const QRawFont bruta = QRawFont::fromFont(QFont(fonte, p.device()));
  QVector<quint32> glifos;
  QVector<QPointF> posicoes;
  for (int i = 0; i < pagina.size(); ++i) {
    const QString& linha = pagina[i];
    if (linha.isEmpty()) continue;
    const QPointF origem(0, i * alturaLinha + m.ascent());
    if (!GlifosDaLinha(bruta, linha, avanco, origem, glifos, posicoes)) {
      p.drawText(origem, linha);
      continue;
    }
    QGlyphRun corrida;
    corrida.setRawFont(bruta);
    corrida.setGlyphIndexes(glifos);
    corrida.setPositions(posicoes);
    p.drawGlyphRun(QPointF(0, 0), corrida);
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
    DesenharPagina(p, area, doc.Paginas[static_cast<size_t>(i)], ColunasDe(doc), std::max(doc.LinhasMaximas, 1));
  }
  return p.end();
}

bool GravarPdf(const TDocumento& doc, const QString& caminho, const QString& criador, QString* erro) {
  auto Falhar = [&](const QString& motivo) {
    if (erro) *erro = Q("Não foi possível gravar o PDF \"%1\": %2").arg(caminho, motivo);
    return false;
  };
  // The sheet's lines back in the register's bytes, one sheet at a time.
  std::vector<std::string> linhas;
  const TFolhasPdf folhas{static_cast<int>(doc.Paginas.size()), doc.LarguraMaxima, doc.LinhasMaximas, [&](int i) {
                            linhas.clear();
                            for (const QString& l : doc.Paginas[static_cast<size_t>(i)]) linhas.push_back(DeQString(l));
                            return TLinhasFolha(linhas.begin(), linhas.end());
                          }};
  // The safe write of every file of ours: the PDF replaces an earlier one only when complete.
  try {
    TGravacaoSegura arquivo(caminho.toStdString());
    EscreverPdfTexto(folhas, {QFileInfo(caminho).completeBaseName().toStdString(), criador.toStdString(), {}},
                     [&](std::string_view pedaco) { arquivo.Acrescentar(pedaco); });
    arquivo.Concluir();
  } catch (const EErroRelatorio& e) {
    return Falhar(QString::fromStdString(std::generic_category().message(e.Codigo)) + ".");
  } catch (const EErroPdf& e) {
    return Falhar(ParaQString(e.what()));
  }
  return true;
}

}  // namespace paginas
