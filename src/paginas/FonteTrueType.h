#pragma once
// A TrueType font file as the PDF needs it: its metrics in font units, the glyph of a character,
// and its font program cut down to the glyphs a document draws. No Qt.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace paginas {

class TFonteTrueType {
 public:
  // The font of the file `caminho` (UTF-8); EErroPdf naming it when it cannot be read or is no
  // TrueType font with outlines and a Unicode character map.
  static TFonteTrueType Ler(const std::string& caminho);
  // The same from the file's bytes; `nome` names it in the messages.
  TFonteTrueType(std::string bytes, const std::string& nome);

  int UnidadesPorEm() const { return unidadesPorEm_; }
  int Ascendente() const { return ascendente_; }
  int Descendente() const { return descendente_; }  // below the baseline: negative
  int EntreLinhas() const { return entreLinhas_; }  // the line gap
  int AlturaMaiusculas() const { return alturaMaiusculas_; }
  const std::array<int, 4>& Caixa() const { return caixa_; }  // xMin yMin xMax yMax of all glyphs
  double AnguloItalico() const { return anguloItalico_; }
  bool LarguraFixa() const { return larguraFixa_; }
  const std::string& NomePostScript() const { return nomePostScript_; }
  int Glifos() const { return glifos_; }

  // The glyph of a character, 0 (the missing glyph) when the font has none.
  uint16_t Glifo(char32_t c) const;
  int Avanco(uint16_t glifo) const;

  // The font program with the outlines of the glyphs marked in `usados` (indexed by glyph) and of
  // the glyphs those are composed of; the others are left empty. Every glyph keeps its number, so
  // the character map, the metrics and the hinting stay as they are.
  std::string Subconjunto(const std::vector<bool>& usados) const;

 private:
  struct TTabela {
    uint32_t Etiqueta = 0, Inicio = 0, Tamanho = 0;
  };
  const TTabela* Tabela(std::string_view etiqueta) const;
  const TTabela& Exigir(std::string_view etiqueta) const;
  uint32_t Local(uint16_t glifo) const;  // the glyph's offset in glyf

  std::string bytes_, nome_;
  std::vector<TTabela> tabelas_;
  int unidadesPorEm_ = 0, ascendente_ = 0, descendente_ = 0, entreLinhas_ = 0, alturaMaiusculas_ = 0;
  std::array<int, 4> caixa_{};
  double anguloItalico_ = 0;
  bool larguraFixa_ = false, locaLongo_ = false;
  int glifos_ = 0, metricas_ = 0;
  std::string nomePostScript_;
  uint32_t mapa_ = 0;  // the format 4 subtable of the Unicode character map
  uint32_t tamanhoMapa_ = 0;
};

}  // namespace paginas
