#include "paginas/Documento.h"

#include <algorithm>

#include "platform/TextoQt.h"

namespace paginas {

QString DecodificarW1252(std::string_view bytes) { return ParaQString(bytes); }

namespace {

TPagina DividirLinhas(QStringView pedaco) {
  TPagina linhas;
  qsizetype inicio = 0;
  for (qsizetype i = 0; i < pedaco.size(); ++i) {
    if (pedaco[i] == u'\n') {
      qsizetype fim = i;
      if (fim > inicio && pedaco[fim - 1] == u'\r') --fim;
      linhas.append(pedaco.mid(inicio, fim - inicio).toString());
      inicio = i + 1;
    }
  }
  // Text after the last line end is a line of its own; a closing line end opens nothing.
  if (inicio < pedaco.size()) {
    QStringView resto = pedaco.mid(inicio);
    if (resto.endsWith(u'\r')) resto.chop(1);
    linhas.append(resto.toString());
  }
  return linhas;
}

}  // namespace

TDocumento DividirPaginas(const QString& texto) {
  TDocumento doc;
  QStringView v(texto);
  qsizetype inicio = 0;
  while (true) {
    qsizetype ff = v.indexOf(u'\f', inicio);
    if (ff < 0) {
      // Nothing after a final form feed: no empty page after it.
      if (inicio < v.size() || doc.Paginas.empty()) doc.Paginas.push_back(DividirLinhas(v.mid(inicio)));
      break;
    }
    doc.Paginas.push_back(DividirLinhas(v.mid(inicio, ff - inicio)));
    inicio = ff + 1;
  }
  MedirDocumento(doc);
  return doc;
}

void MedirDocumento(TDocumento& doc) {
  doc.LarguraMaxima = doc.LinhasMaximas = 0;
  for (const auto& p : doc.Paginas) {
    doc.LinhasMaximas = std::max<int>(doc.LinhasMaximas, p.size());
    for (const auto& l : p) doc.LarguraMaxima = std::max<int>(doc.LarguraMaxima, l.size());
  }
}

std::optional<int> FolhaDaPagina(const TPagina& pagina) {
  static const QString marca = QStringLiteral("FOLHA:");
  for (const QString& linha : pagina) {
    qsizetype i = linha.indexOf(marca);
    if (i < 0) continue;
    i += marca.size();
    while (i < linha.size() && linha[i] == u' ') ++i;
    qsizetype fim = i;
    while (fim < linha.size() && linha[fim].isDigit() && fim - i < 9) ++fim;
    bool ok = false;
    int n = linha.mid(i, fim - i).toInt(&ok);
    if (ok) return n;
  }
  return std::nullopt;
}

double EscalaParaCaber(int colunas, double avanco, int linhas, double alturaLinha, double largura, double altura) {
  double natural = std::max(1, colunas) * avanco;
  double escala = natural > 0 ? largura / natural : 1.0;
  if (altura > 0 && alturaLinha > 0) escala = std::min(escala, altura / (std::max(1, linhas) * alturaLinha));
  return std::max(escala, 1e-6);
}

}  // namespace paginas
