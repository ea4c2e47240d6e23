// Any bytes as the register file the viewer opens: either the reader's std::runtime_error naming
// the file, or pages that are the sheets the PDF draws from the same bytes (one split rule: the
// same sheets, the same lines, the same widths, the same sheet numbers). Any other exception is a
// finding.
#include <QString>

#include <stdexcept>
#include <string>

#include "paginas/Folhas.h"
#include "tests/fuzz/ApoioFuzz.h"
#include "viewer/NucleoVisualizador.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::TArquivoFuzz arquivo("relatorio.txt");
  static const QString caminho = QString::fromStdString(arquivo.Caminho().string());
  const std::string_view bytes = fuzz::Texto(data, size);
  arquivo.Escrever(bytes);
  visualizador::TDocumento doc;
  try {
    doc = visualizador::LerDocumento(caminho);
  } catch (const std::runtime_error& e) {
    fuzz::Exigir(std::string_view(e.what()).find(arquivo.Caminho().string()) != std::string_view::npos,
                 "the refusal names the file");
    return 0;
  }
  const paginas::TFolhasW1252 folhas(bytes);
  fuzz::Exigir(!doc.Paginas.empty() && static_cast<int>(doc.Paginas.size()) == folhas.Quantas(),
               "the viewer's pages are the PDF's sheets");
  fuzz::Exigir(doc.LarguraMaxima == folhas.LarguraMaxima() && doc.LinhasMaximas == folhas.LinhasMaximas(),
               "the viewer and the PDF fit the same widest line and longest sheet");
  for (int p = 0; p < folhas.Quantas(); ++p) {
    const paginas::TLinhasFolha linhas = folhas.Linhas(p);
    const visualizador::TPagina& pagina = doc.Paginas[static_cast<size_t>(p)];
    fuzz::Exigir(static_cast<size_t>(pagina.size()) == linhas.size(), "a page has the sheet's lines");
    for (size_t l = 0; l < linhas.size(); ++l)
      fuzz::Exigir(pagina[static_cast<qsizetype>(l)] == visualizador::DecodificarW1252(linhas[l]),
                   "a page's line is the sheet's line");
    fuzz::Exigir(visualizador::FolhaDaPagina(pagina) == paginas::FolhaDasLinhas(linhas),
                 "the page and the sheet print the same sheet number");
  }
  return 0;
}
