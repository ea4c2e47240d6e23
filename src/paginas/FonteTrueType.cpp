#include "paginas/FonteTrueType.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "paginas/PdfTexto.h"
#include "platform/Win1252.h"

namespace paginas {
namespace {

constexpr uint32_t Etiqueta(std::string_view t) {
  return static_cast<uint32_t>(static_cast<unsigned char>(t[0])) << 24 |
         static_cast<uint32_t>(static_cast<unsigned char>(t[1])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(t[2])) << 8 | static_cast<unsigned char>(t[3]);
}

// Big-endian reads that never leave the file (or the part of it up to Fim): a truncated or damaged
// font is an error, not a crash.
struct TLeitor {
  const std::string& Bytes;
  const std::string& Nome;
  size_t Fim = std::string::npos;

  [[noreturn]] void Falhar() const {
    throw EErroPdf(W("A fonte \"") + plataforma::Utf8ParaW1252(Nome) +
                   W("\" não é uma fonte TrueType que o PDF possa usar."));
  }
  void Exigir(size_t inicio, size_t tamanho) const {
    const size_t fim = std::min(Bytes.size(), Fim);
    if (inicio > fim || tamanho > fim - inicio) Falhar();
  }
  uint8_t U8(size_t o) const {
    Exigir(o, 1);
    return static_cast<uint8_t>(Bytes[o]);
  }
  uint16_t U16(size_t o) const { return static_cast<uint16_t>(U8(o) << 8 | U8(o + 1)); }
  int16_t S16(size_t o) const { return static_cast<int16_t>(U16(o)); }
  uint32_t U32(size_t o) const { return static_cast<uint32_t>(U16(o)) << 16 | U16(o + 2); }
};

void Gravar16(std::string& s, size_t o, uint16_t v) {
  s[o] = static_cast<char>(v >> 8);
  s[o + 1] = static_cast<char>(v);
}
void Gravar32(std::string& s, size_t o, uint32_t v) {
  Gravar16(s, o, static_cast<uint16_t>(v >> 16));
  Gravar16(s, o + 2, static_cast<uint16_t>(v));
}
void Anexar16(std::string& s, uint16_t v) {
  s += static_cast<char>(v >> 8);
  s += static_cast<char>(v);
}
void Anexar32(std::string& s, uint32_t v) {
  Anexar16(s, static_cast<uint16_t>(v >> 16));
  Anexar16(s, static_cast<uint16_t>(v));
}

// The table checksum: the sum of its big-endian words, the last one padded with zeros.
uint32_t SomaDeVerificacao(std::string_view dados) {
  uint32_t soma = 0;
  for (size_t i = 0; i < dados.size(); i += 4) {
    uint32_t palavra = 0;
    for (size_t k = 0; k < 4; ++k)
      palavra = palavra << 8 | (i + k < dados.size() ? static_cast<unsigned char>(dados[i + k]) : 0u);
    soma += palavra;
  }
  return soma;
}

// The composite glyph's parts, by their flags.
constexpr uint16_t kPalavras = 0x0001, kEscala = 0x0008, kMaisPartes = 0x0020, kEscalaXY = 0x0040, kMatriz = 0x0080;

}  // namespace

TFonteTrueType TFonteTrueType::Ler(const std::string& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  std::ostringstream bytes;
  if (f) bytes << f.rdbuf();
  if (!f)
    throw EErroPdf(W("Não foi possível ler a fonte \"") + plataforma::Utf8ParaW1252(caminho) + W("\" do PDF: ") +
                   plataforma::Utf8ParaW1252(std::strerror(errno)) + ".");
  return TFonteTrueType(bytes.str(), caminho);
}

TFonteTrueType::TFonteTrueType(std::string bytes, const std::string& nome) : bytes_(std::move(bytes)), nome_(nome) {
  const TLeitor l{bytes_, nome_};
  const uint32_t versao = l.U32(0);
  if (versao != 0x00010000 && versao != Etiqueta("true")) l.Falhar();
  const uint16_t quantas = l.U16(4);
  for (uint16_t i = 0; i < quantas; ++i) {
    const size_t r = 12 + 16u * i;
    TTabela t{l.U32(r), l.U32(r + 8), l.U32(r + 12)};
    l.Exigir(t.Inicio, t.Tamanho);
    tabelas_.push_back(t);
  }
  // A tag twice: which one counts is a guess, and the subset would write into the other.
  std::vector<uint32_t> etiquetas;
  for (const TTabela& t : tabelas_) etiquetas.push_back(t.Etiqueta);
  std::sort(etiquetas.begin(), etiquetas.end());
  if (std::adjacent_find(etiquetas.begin(), etiquetas.end()) != etiquetas.end()) l.Falhar();
  const TTabela& head = Exigir("head");
  const TTabela& hhea = Exigir("hhea");
  const TTabela& maxp = Exigir("maxp");
  const TTabela& hmtx = Exigir("hmtx");
  const TTabela& loca = Exigir("loca");
  Exigir("glyf");
  const TTabela& cmap = Exigir("cmap");
  if (head.Tamanho < 54 || hhea.Tamanho < 36 || maxp.Tamanho < 6) l.Falhar();

  unidadesPorEm_ = l.U16(head.Inicio + 18);
  for (size_t i = 0; i < 4; ++i) caixa_[i] = l.S16(head.Inicio + 36 + 2 * i);
  locaLongo_ = l.S16(head.Inicio + 50) == 1;
  ascendente_ = l.S16(hhea.Inicio + 4);
  descendente_ = l.S16(hhea.Inicio + 6);
  entreLinhas_ = l.S16(hhea.Inicio + 8);
  metricas_ = l.U16(hhea.Inicio + 34);
  glifos_ = l.U16(maxp.Inicio + 4);
  if (unidadesPorEm_ == 0 || glifos_ == 0 || metricas_ == 0 || metricas_ > glifos_ || hmtx.Tamanho < 4u * metricas_ ||
      loca.Tamanho < (glifos_ + 1u) * (locaLongo_ ? 4u : 2u))
    l.Falhar();

  alturaMaiusculas_ = ascendente_;
  if (const TTabela* os2 = Tabela("OS/2"); os2 && os2->Tamanho >= 90 && l.U16(os2->Inicio) >= 2)
    alturaMaiusculas_ = l.S16(os2->Inicio + 88);
  if (const TTabela* post = Tabela("post"); post && post->Tamanho >= 16) {
    anguloItalico_ = static_cast<int32_t>(l.U32(post->Inicio + 4)) / 65536.0;
    larguraFixa_ = l.U32(post->Inicio + 12) != 0;
  }
  // The PostScript name (name 6), in the Windows (UTF-16) or the Macintosh (bytes) record. Only
  // what lies inside the table counts: the subset carries the table alone.
  if (const TTabela* name = Tabela("name"); name && name->Tamanho >= 6) {
    const size_t fim = size_t(name->Inicio) + name->Tamanho;
    const uint16_t registros = l.U16(name->Inicio + 2);
    const size_t textos = name->Inicio + l.U16(name->Inicio + 4);
    for (uint16_t i = 0; i < registros && nomePostScript_.empty(); ++i) {
      const size_t r = name->Inicio + 6 + 12u * i;
      if (r + 12 > fim) break;
      const uint16_t plataforma = l.U16(r), id = l.U16(r + 6), tamanho = l.U16(r + 8), inicio = l.U16(r + 10);
      if (id != 6 || (plataforma != 1 && plataforma != 3) || textos + inicio + tamanho > fim) continue;
      const size_t passo = plataforma == 3 ? 2 : 1;
      for (size_t k = 0; k + passo <= tamanho; k += passo) {
        const uint16_t c = passo == 2 ? l.U16(textos + inicio + k) : l.U8(textos + inicio + k);
        if (c > ' ' && c < 0x7F && c != '/' && c != '(' && c != ')' && c != '[' && c != ']' && c != '<' && c != '>' &&
            c != '{' && c != '}' && c != '%')
          nomePostScript_ += static_cast<char>(c);
      }
    }
  }
  if (nomePostScript_.empty()) nomePostScript_ = "Fonte";

  // The Unicode character map: Windows Unicode BMP, else a Unicode platform subtable, in format 4.
  // The subtable and its four arrays lie inside cmap: the subset copies only the table, so a map
  // read from beyond it would not be the map the PDF embeds.
  const TLeitor mapa{bytes_, nome_, size_t(cmap.Inicio) + cmap.Tamanho};
  const uint16_t submapas = mapa.U16(cmap.Inicio + 2);
  int melhor = 0;
  for (uint16_t i = 0; i < submapas; ++i) {
    const size_t r = cmap.Inicio + 4 + 8u * i;
    const uint16_t plataforma = mapa.U16(r), codificacao = mapa.U16(r + 2);
    const size_t inicio = size_t(cmap.Inicio) + mapa.U32(r + 4);
    const int nota = plataforma == 3 && codificacao == 1 ? 2 : plataforma == 0 ? 1 : 0;
    if (nota > melhor && mapa.U16(inicio) == 4) {
      const uint16_t tamanho = mapa.U16(inicio + 2);
      mapa.Exigir(inicio, tamanho);
      if (tamanho < 16 + 8u * (mapa.U16(inicio + 6) / 2u)) l.Falhar();
      melhor = nota;
      mapa_ = static_cast<uint32_t>(inicio);
      tamanhoMapa_ = tamanho;
    }
  }
  if (melhor == 0) l.Falhar();
}

const TFonteTrueType::TTabela* TFonteTrueType::Tabela(std::string_view etiqueta) const {
  for (const TTabela& t : tabelas_)
    if (t.Etiqueta == Etiqueta(etiqueta)) return &t;
  return nullptr;
}

const TFonteTrueType::TTabela& TFonteTrueType::Exigir(std::string_view etiqueta) const {
  if (const TTabela* t = Tabela(etiqueta)) return *t;
  TLeitor{bytes_, nome_}.Falhar();
}

uint16_t TFonteTrueType::Glifo(char32_t c) const {
  if (c > 0xFFFF) return 0;
  const TLeitor l{bytes_, nome_};
  const size_t segmentos = l.U16(mapa_ + 6) / 2u;
  const size_t fins = mapa_ + 14, inicios = fins + 2 * segmentos + 2, deltas = inicios + 2 * segmentos,
               saltos = deltas + 2 * segmentos;
  for (size_t s = 0; s < segmentos; ++s) {
    if (c > l.U16(fins + 2 * s)) continue;
    const uint16_t inicio = l.U16(inicios + 2 * s);
    if (c < inicio) return 0;
    const uint16_t delta = l.U16(deltas + 2 * s), salto = l.U16(saltos + 2 * s);
    if (salto == 0) return static_cast<uint16_t>(c + delta);
    // A glyph index past the subtable is no glyph of this map.
    const size_t onde = saltos + 2 * s + salto + 2 * (c - inicio);
    if (onde + 2 > size_t(mapa_) + tamanhoMapa_) return 0;
    const uint16_t g = l.U16(onde);
    return g == 0 ? 0 : static_cast<uint16_t>(g + delta);
  }
  return 0;
}

int TFonteTrueType::Avanco(uint16_t glifo) const {
  const size_t i = std::min<size_t>(glifo, metricas_ - 1u);
  return TLeitor{bytes_, nome_}.U16(Exigir("hmtx").Inicio + 4 * i);
}

uint32_t TFonteTrueType::Local(uint16_t glifo) const {
  const TLeitor l{bytes_, nome_};
  const size_t loca = Exigir("loca").Inicio;
  return locaLongo_ ? l.U32(loca + 4u * glifo) : 2u * l.U16(loca + 2u * glifo);
}

std::string TFonteTrueType::Subconjunto(const std::vector<bool>& usados) const {
  const TLeitor l{bytes_, nome_};
  const TTabela& glyf = Exigir("glyf");
  // The outline of each glyph kept, and then of the parts of each composite among them.
  std::vector<bool> guardar(static_cast<size_t>(glifos_));
  std::vector<uint16_t> pendentes{0};  // the missing glyph is always there
  for (size_t g = 0; g < usados.size() && g < guardar.size(); ++g)
    if (usados[g]) pendentes.push_back(static_cast<uint16_t>(g));
  auto Trecho = [&](uint16_t g) {
    const uint32_t de = Local(g), ate = Local(static_cast<uint16_t>(g + 1));
    if (ate < de || ate > glyf.Tamanho) l.Falhar();
    return std::pair{glyf.Inicio + de, ate - de};
  };
  while (!pendentes.empty()) {
    const uint16_t g = pendentes.back();
    pendentes.pop_back();
    if (g >= guardar.size() || guardar[g]) continue;
    guardar[g] = true;
    const auto [inicio, tamanho] = Trecho(g);
    if (tamanho < 10 || l.S16(inicio) >= 0) continue;
    for (size_t p = inicio + 10;;) {
      const uint16_t flags = l.U16(p);
      pendentes.push_back(l.U16(p + 2));
      p += 4 + ((flags & kPalavras) ? 4 : 2) +
           ((flags & kMatriz)     ? 8
            : (flags & kEscalaXY) ? 4
            : (flags & kEscala)   ? 2
                                  : 0);
      if (!(flags & kMaisPartes)) break;
      if (p >= inicio + tamanho) l.Falhar();
    }
  }

  std::string novoGlyf, novoLoca;
  for (uint16_t g = 0; g < glifos_; ++g) {
    Anexar32(novoLoca, static_cast<uint32_t>(novoGlyf.size()));
    if (!guardar[g]) continue;
    const auto [inicio, tamanho] = Trecho(g);
    novoGlyf.append(bytes_, inicio, tamanho);
    novoGlyf.append((4 - novoGlyf.size() % 4) % 4, '\0');
  }
  Anexar32(novoLoca, static_cast<uint32_t>(novoGlyf.size()));

  // Every other table as it is, but the signature, which no longer holds; the tables in tag order.
  std::vector<std::pair<uint32_t, std::string>> tabelas;
  for (const TTabela& t : tabelas_) {
    if (t.Etiqueta == Etiqueta("DSIG")) continue;
    std::string dados = t.Etiqueta == Etiqueta("glyf")   ? novoGlyf
                        : t.Etiqueta == Etiqueta("loca") ? novoLoca
                                                         : bytes_.substr(t.Inicio, t.Tamanho);
    if (t.Etiqueta == Etiqueta("head")) {
      Gravar32(dados, 8, 0);   // checkSumAdjustment, set below
      Gravar16(dados, 50, 1);  // long offsets in loca
    }
    tabelas.emplace_back(t.Etiqueta, std::move(dados));
  }
  std::sort(tabelas.begin(), tabelas.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

  const auto n = static_cast<uint16_t>(tabelas.size());
  uint16_t potencia = 1, expoente = 0;
  while (potencia * 2 <= n) potencia *= 2, ++expoente;
  std::string fonte;
  Anexar32(fonte, 0x00010000);
  Anexar16(fonte, n);
  Anexar16(fonte, static_cast<uint16_t>(16 * potencia));
  Anexar16(fonte, expoente);
  Anexar16(fonte, static_cast<uint16_t>(16 * (n - potencia)));
  size_t inicio = 12 + 16u * n, ajuste = 0;
  for (const auto& [etiqueta, dados] : tabelas) {
    Anexar32(fonte, etiqueta);
    Anexar32(fonte, SomaDeVerificacao(dados));
    Anexar32(fonte, static_cast<uint32_t>(inicio));
    Anexar32(fonte, static_cast<uint32_t>(dados.size()));
    if (etiqueta == Etiqueta("head")) ajuste = inicio + 8;
    inicio += (dados.size() + 3) / 4 * 4;
  }
  for (const auto& [etiqueta, dados] : tabelas) {
    fonte += dados;
    fonte.append((4 - dados.size() % 4) % 4, '\0');
  }
  Gravar32(fonte, ajuste, 0xB1B0AFBAu - SomaDeVerificacao(fonte));
  return fonte;
}

}  // namespace paginas
