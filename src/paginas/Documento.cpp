#include "paginas/Documento.h"

#include <algorithm>

#include "platform/TextoQt.h"

namespace paginas {

QString DecodificarW1252(std::string_view bytes) { return ParaQString(bytes); }

namespace {

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

void Medir(int& largura, int& linhas, int quantas, size_t maisLarga) {
  linhas = std::max(linhas, quantas);
  largura = std::max(largura, static_cast<int>(maisLarga));
}

}  // namespace

TDocumento DividirPaginas(const QString& texto) {
  TDocumento doc;
  PorPagina(texto, [&](size_t de, size_t ate) {
    TPagina& pagina = doc.Paginas.emplace_back();
    PorLinha(texto, de, ate, [&](size_t i, size_t f) { pagina.append(texto.mid(i, f - i)); });
  });
  MedirDocumento(doc);
  return doc;
}

void MedirDocumento(TDocumento& doc) {
  doc.LarguraMaxima = doc.LinhasMaximas = 0;
  for (const auto& p : doc.Paginas) {
    size_t maisLarga = 0;
    for (const auto& l : p) maisLarga = std::max<size_t>(maisLarga, l.size());
    Medir(doc.LarguraMaxima, doc.LinhasMaximas, p.size(), maisLarga);
  }
}

TPaginasW1252::TPaginasW1252(std::string_view bytes) {
  PorPagina(bytes, [&](size_t de, size_t ate) {
    int linhas = 0;
    size_t maisLarga = 0;
    PorLinha(bytes, de, ate, [&](size_t i, size_t f) {
      ++linhas;
      maisLarga = std::max(maisLarga, f - i);
    });
    Medir(larguraMaxima_, linhasMaximas_, linhas, maisLarga);
    paginas_.push_back(bytes.substr(de, ate - de));
  });
}

TPagina TPaginasW1252::Pagina(int i) const {
  const std::string_view bytes = paginas_[static_cast<size_t>(i)];
  TPagina pagina;
  PorLinha(bytes, 0, bytes.size(), [&](size_t de, size_t ate) { pagina.append(DecodificarW1252(bytes.substr(de, ate - de))); });
  return pagina;
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
