#include "paginas/Documento.h"

#include <algorithm>
#include <string>

#include "platform/TextoQt.h"

namespace paginas {

QString DecodificarW1252(std::string_view bytes) { return ParaQString(bytes); }

TDocumento DividirPaginas(const QString& texto) {
  TDocumento doc;
  divisao::PorPagina(texto, [&](size_t de, size_t ate) {
    TPagina& pagina = doc.Paginas.emplace_back();
    divisao::PorLinha(texto, de, ate, [&](size_t i, size_t f) { pagina.append(texto.mid(i, f - i)); });
  });
  MedirDocumento(doc);
  return doc;
}

void MedirDocumento(TDocumento& doc) {
  doc.LarguraMaxima = doc.LinhasMaximas = 0;
  for (const auto& p : doc.Paginas) {
    doc.LinhasMaximas = std::max(doc.LinhasMaximas, static_cast<int>(p.size()));
    for (const auto& l : p) doc.LarguraMaxima = std::max(doc.LarguraMaxima, static_cast<int>(l.size()));
  }
}

std::optional<int> FolhaDaPagina(const TPagina& pagina) {
  // The mark and its number are ASCII, which Latin-1 keeps as they are.
  std::vector<std::string> bytes;
  bytes.reserve(static_cast<size_t>(pagina.size()));
  for (const QString& linha : pagina) bytes.push_back(linha.toLatin1().toStdString());
  return FolhaDasLinhas(TLinhasFolha(bytes.begin(), bytes.end()));
}

}  // namespace paginas
