// Any bytes as the PDF's font file: either EErroPdf, or a font that gives a glyph and a width for
// every character the PDF writes (WinAnsiEncoding) and whose subset of those glyphs, the font
// program the PDF embeds, is read again as a font with the same metrics, glyphs and widths. Any
// other exception is a finding.
#include <optional>
#include <string>
#include <vector>

#include "paginas/FonteTrueType.h"
#include "paginas/PdfTexto.h"
#include "platform/Win1252.h"
#include "tests/fuzz/ApoioFuzz.h"

namespace {

struct TLeitura {
  std::vector<uint16_t> Glifos;
  std::vector<int> Larguras;
};

TLeitura Ler(const paginas::TFonteTrueType& fonte) {
  TLeitura r;
  for (int b = 0x20; b < 256; ++b) {
    r.Glifos.push_back(fonte.Glifo(plataforma::CaractereW1252(static_cast<unsigned char>(b))));
    r.Larguras.push_back(fonte.Avanco(r.Glifos.back()));
  }
  return r;
}

bool MesmasMetricas(const paginas::TFonteTrueType& a, const paginas::TFonteTrueType& b) {
  return a.UnidadesPorEm() == b.UnidadesPorEm() && a.Ascendente() == b.Ascendente() &&
         a.Descendente() == b.Descendente() && a.EntreLinhas() == b.EntreLinhas() &&
         a.AlturaMaiusculas() == b.AlturaMaiusculas() && a.Caixa() == b.Caixa() &&
         a.AnguloItalico() == b.AnguloItalico() && a.LarguraFixa() == b.LarguraFixa() &&
         a.NomePostScript() == b.NomePostScript() && a.Glifos() == b.Glifos();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::optional<paginas::TFonteTrueType> fonte;
  TLeitura leitura;
  std::string programa;
  try {
    fonte.emplace(std::string(fuzz::Texto(data, size)), "fonte.ttf");
    leitura = Ler(*fonte);
    std::vector<bool> usados(static_cast<size_t>(fonte->Glifos()));
    for (uint16_t g : leitura.Glifos)
      if (g < usados.size()) usados[g] = true;
    programa = fonte->Subconjunto(usados);
  } catch (const paginas::EErroPdf&) {
    return 0;
  }
  std::optional<paginas::TFonteTrueType> subconjunto;
  try {
    subconjunto.emplace(programa, "subconjunto.ttf");
    fuzz::Exigir(MesmasMetricas(*fonte, *subconjunto), "the subset keeps the font's metrics");
    const TLeitura outra = Ler(*subconjunto);
    fuzz::Exigir(outra.Glifos == leitura.Glifos, "the subset maps every character to the same glyph");
    fuzz::Exigir(outra.Larguras == leitura.Larguras, "the subset gives every character the same width");
  } catch (const paginas::EErroPdf& e) {
    std::fprintf(stderr, "%s\n", e.what());
    fuzz::Exigir(false, "the subset of a font that was read is read again");
  }
  return 0;
}
