#include "paginas/PdfTexto.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <vector>

#include "paginas/FonteTrueType.h"
#include "platform/Texto.h"
#include "platform/Win1252.h"

namespace paginas {
namespace {

// The sheet as Qt's PDF writer laid it out, in its pixels of 1/1200 inch: A4 landscape in whole
// points, the 10 mm margins rounded to 28 points and then to pixels.
constexpr double kPixel = 72.0 / 1200;  // in points
constexpr double kAlturaFolha = 595;    // in points
constexpr double kMargem = 467, kLarguraArea = 13099, kAlturaArea = 8983;

// And the font as Qt measured it there: the 10-point font at a whole number of pixels, its
// advance and heights in FreeType's 1/64 of a pixel, the advance cut and the heights rounded.
// The same figures put each glyph where Qt put it to a ten-thousandth of a point; pdftotext -layout
// already moves a word by a column for a few hundredths.
struct TMedidas {
  double Pixels, Avanco, Ascendente, AlturaLinha;
};
TMedidas Medir(const TFonteTrueType& fonte, uint16_t glifoM) {
  const double pixels = std::round(10 / kPixel);
  auto Em64 = [&](int unidades) { return unidades * pixels * 64 / fonte.UnidadesPorEm(); };
  const double ascendente = std::round(Em64(fonte.Ascendente())) / 64;
  return {pixels, std::floor(Em64(fonte.Avanco(glifoM))) / 64, ascendente,
          ascendente + std::round(Em64(-fonte.Descendente())) / 64 + std::round(Em64(fonte.EntreLinhas())) / 64};
}

// Deflate's fastest level: level 6 makes a book 17 % smaller for 45 % more time (bench/RESULTS.md).
constexpr int kNivelCompressao = 1;
constexpr size_t kPedaco = 1 << 16;  // what `escrever` gets at a time

// The objects before the pages; page i is 8 + 2i and its content 9 + 2i.
enum TObjeto { kCatalogo = 1, kArvore, kRecursos, kFonte, kDescritor, kPrograma, kInfo, kPrimeiraPagina };
// A node of the page tree has at most this many kids: a reader of PDF 1.4 takes arrays of 8,191
// elements at most, and a book of a million products has 18,810 sheets.
constexpr int kFilhosPorNo = 64;

// What a byte of the text becomes in a string: drawn as it is, nothing drawn (a blank, a control,
// a byte Windows-1252 leaves unassigned), escaped with a backslash, or written in octal.
enum TClasse : unsigned char { kTexto, kBranco, kBarra, kOctal };
constexpr std::array<TClasse, 256> Classes() {
  std::array<TClasse, 256> c{};
  for (int b = 0; b < 256; ++b)
    c[b] = b == ' ' || plataforma::Controle(b) || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D
               ? kBranco
           : b == '(' || b == ')' || b == '\\' ? kBarra
           : b >= 0x80                         ? kOctal
                                               : kTexto;
  return c;
}
constexpr std::array<TClasse, 256> kClasse = Classes();

// The character a reader looks the glyph of a WinAnsiEncoding code up by: Windows-1252's, but a
// blank for 0xA0 and a hyphen for 0xAD, which WinAnsiEncoding names so.
char32_t CaractereWinAnsi(unsigned char b) {
  return b == 0xA0 ? U' ' : b == 0xAD ? U'-' : plataforma::CaractereW1252(b);
}

void Numero(std::string& s, double v) {
  if (std::fabs(v) < 5e-7) v = 0;
  char buf[32];
  char* fim = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6).ptr;
  while (fim[-1] == '0') --fim;
  if (fim[-1] == '.') --fim;
  s.append(buf, fim);
}

// A text of the document information: UTF-16BE with its byte order mark, in hex.
std::string TextoInfo(std::string_view utf8) {
  std::string s = "<FEFF";
  auto Unidade = [&s](unsigned u) {
    constexpr char kHex[] = "0123456789ABCDEF";
    for (int d = 12; d >= 0; d -= 4) s += kHex[(u >> d) & 0xF];
  };
  for (size_t i = 0; i < utf8.size();) {
    const plataforma::TCaractereUtf8 lido = plataforma::LerCaractereUtf8(utf8, i);
    const char32_t c = lido.Valido ? lido.Codigo : 0xFFFD;
    i += lido.Tamanho;
    if (c < 0x10000) {
      Unidade(c);
    } else {
      Unidade(0xD800 + ((c - 0x10000) >> 10));
      Unidade(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return s + ">";
}

std::string DataPdf() {
  const std::time_t agora = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&agora, &utc);
  char buf[32];
  std::strftime(buf, sizeof buf, "(D:%Y%m%d%H%M%SZ)", &utc);
  return buf;
}

// The PDF's bytes on their way to `escrever`: where each object starts, and pieces of kPedaco.
class TSaida {
 public:
  TSaida(const std::function<void(std::string_view)>& escrever, int objetos)
      : escrever_(escrever), inicios_(static_cast<size_t>(objetos) + 1) {}
  std::string& Texto() { return pendente_; }
  void Objeto(int n) {
    inicios_[static_cast<size_t>(n)] = Posicao();
    pendente_ += std::to_string(n) + " 0 obj\n";
  }
  void FimObjeto() {
    pendente_ += "endobj\n";
    Folga();
  }
  // Hands on a full piece, even in the middle of an object.
  void Folga() {
    if (pendente_.size() >= kPedaco) Entregar();
  }
  // A stream object: its dictionary's entries besides the length, and its bytes.
  void Fluxo(int n, std::string_view entradas, std::string_view dados) {
    Objeto(n);
    pendente_ += "<< /Length " + std::to_string(dados.size()) + " /Filter /FlateDecode" + std::string(entradas) +
                 " >>\nstream\n";
    pendente_ += dados;
    pendente_ += "\nendstream\n";
    FimObjeto();
  }
  // The cross-reference table and the trailer, and what is still pending.
  void Concluir(const std::string& identificador) {
    const size_t xref = Posicao();
    pendente_ += "xref\n0 " + std::to_string(inicios_.size()) + "\n0000000000 65535 f \n";
    char linha[24];
    for (size_t i = 1; i < inicios_.size(); ++i) {
      std::snprintf(linha, sizeof linha, "%010zu 00000 n \n", inicios_[i]);
      pendente_ += linha;
      Folga();
    }
    pendente_ += "trailer\n<< /Size " + std::to_string(inicios_.size()) + " /Root " + std::to_string(kCatalogo) +
                 " 0 R /Info " + std::to_string(kInfo) + " 0 R /ID " + identificador + " >>\nstartxref\n" +
                 std::to_string(xref) + "\n%%EOF\n";
    Entregar();
  }

 private:
  size_t Posicao() const { return entregues_ + pendente_.size(); }
  void Entregar() {
    escrever_(pendente_);
    entregues_ += pendente_.size();
    pendente_.clear();
  }
  const std::function<void(std::string_view)>& escrever_;
  std::vector<size_t> inicios_;
  std::string pendente_;
  size_t entregues_ = 0;
};

class TCompressor {
 public:
  TCompressor() {
    if (deflateInit(&z_, kNivelCompressao) != Z_OK)
      throw EErroPdf(W("Não foi possível comprimir o PDF: falta memória."));
  }
  ~TCompressor() { deflateEnd(&z_); }
  TCompressor(const TCompressor&) = delete;
  TCompressor& operator=(const TCompressor&) = delete;

  std::string_view Comprimir(std::string_view dados) {
    deflateReset(&z_);
    saida_.resize(deflateBound(&z_, static_cast<uLong>(dados.size())));
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(dados.data()));
    z_.avail_in = static_cast<uInt>(dados.size());
    z_.next_out = reinterpret_cast<Bytef*>(saida_.data());
    z_.avail_out = static_cast<uInt>(saida_.size());
    if (deflate(&z_, Z_FINISH) != Z_STREAM_END) throw EErroPdf(W("Não foi possível comprimir uma folha do PDF."));
    return std::string_view(saida_).substr(0, z_.total_out);
  }

 private:
  z_stream z_{};
  std::string saida_;
};

// One line as the operand of a show-text: its blanks at the end dropped (they draw nothing), what
// draws nothing as a blank, the rest escaped. Marks the codes it draws.
void AnexarLinha(std::string& s, std::string_view linha, std::array<bool, 256>& usados) {
  size_t fim = linha.size();
  while (fim > 0 && kClasse[static_cast<unsigned char>(linha[fim - 1])] == kBranco) --fim;
  s += '(';
  for (size_t i = 0; i < fim;) {
    size_t j = i;
    while (j < fim && kClasse[static_cast<unsigned char>(linha[j])] == kTexto)
      usados[static_cast<unsigned char>(linha[j++])] = true;
    s.append(linha, i, j - i);
    if (j == fim) break;
    const auto b = static_cast<unsigned char>(linha[j]);
    switch (kClasse[b]) {
      case kBranco: s += ' '; break;
      case kBarra:
        s += '\\';
        s += static_cast<char>(b);
        break;
      default: {
        const char octal[] = {'\\', static_cast<char>('0' + (b >> 6)), static_cast<char>('0' + ((b >> 3) & 7)),
                              static_cast<char>('0' + (b & 7))};
        s.append(octal, 4);
      }
    }
    if (kClasse[b] != kBranco) usados[b] = true;
    i = j + 1;
  }
  s += ')';
}

// A subset's name starts with six capitals that tell its glyphs apart.
std::string EtiquetaSubconjunto(const std::array<bool, 256>& usados) {
  uint32_t h = 2166136261u;
  for (size_t b = 0; b < usados.size(); ++b) h = (h ^ (usados[b] ? b + 1 : 0)) * 16777619u;
  std::string etiqueta;
  for (int i = 0; i < 6; ++i, h /= 26) etiqueta += static_cast<char>('A' + h % 26);
  return etiqueta + "+";
}

// The page tree above n pages: level 0 are the pages, each next level groups kFilhosPorNo of the
// one below, up to the level whose nodes the root holds. The intermediate nodes are numbered from
// `primeiro` on, level 1 first.
class TArvorePaginas {
 public:
  TArvorePaginas(int paginas, int primeiro) {
    for (int n = paginas; n > kFilhosPorNo;) {
      n = (n + kFilhosPorNo - 1) / kFilhosPorNo;
      niveis_.push_back({primeiro, n});
      primeiro += n;
    }
    paginas_ = paginas;
  }
  int Nos() const {
    int t = 0;
    for (const TNivel& v : niveis_) t += v.Quantos;
    return t;
  }
  // The parent of page i: a node of level 1, or the root.
  int PaiDaPagina(int i) const { return niveis_.empty() ? kArvore : niveis_[0].Primeiro + i / kFilhosPorNo; }
  // The kids of the root: the pages, or the nodes of the top level.
  void FilhosDaRaiz(std::string& s, int primeiraPagina) const {
    if (niveis_.empty())
      Filhos(s, 0, paginas_, [&](int k) { return primeiraPagina + 2 * k; });
    else
      Filhos(s, 0, niveis_.back().Quantos, [&](int k) { return niveis_.back().Primeiro + k; });
  }
  // Every intermediate node: its parent, its kids and how many pages are under it. A node's /Kids
  // is written whole: 64 references are far below a piece.
  void EscreverNos(TSaida& saida, int primeiraPagina) const {
    std::string& s = saida.Texto();
    int porNo = 1;
    for (size_t h = 0; h < niveis_.size(); ++h) {
      porNo *= kFilhosPorNo;
      const TNivel& v = niveis_[h];
      const int abaixo = h == 0 ? paginas_ : niveis_[h - 1].Quantos;
      for (int j = 0; j < v.Quantos; ++j) {
        saida.Objeto(v.Primeiro + j);
        const int pai = h + 1 < niveis_.size() ? niveis_[h + 1].Primeiro + j / kFilhosPorNo : kArvore;
        const int contagem = std::min(paginas_, (j + 1) * porNo) - j * porNo;
        s += "<< /Type /Pages /Parent " + std::to_string(pai) + " 0 R /Count " + std::to_string(contagem) + " /Kids [";
        const int de = j * kFilhosPorNo, ate = std::min(abaixo, de + kFilhosPorNo);
        if (h == 0)
          Filhos(s, de, ate, [&](int k) { return primeiraPagina + 2 * k; });
        else
          Filhos(s, de, ate, [&](int k) { return niveis_[h - 1].Primeiro + k; });
        s += "] >>\n";
        saida.FimObjeto();
      }
    }
  }

 private:
  struct TNivel {
    int Primeiro, Quantos;
  };
  template <class FNumero>
  static void Filhos(std::string& s, int de, int ate, FNumero&& numero) {
    for (int k = de; k < ate; ++k) s += std::to_string(numero(k)) + " 0 R ";
  }
  std::vector<TNivel> niveis_;
  int paginas_ = 0;
};

// The file's identifier: a hash of what makes it this file (its title, its time and its pages),
// twice, as a new file has it.
class TIdentificador {
 public:
  void Acrescentar(std::string_view dados) {
    for (unsigned char c : dados) {
      a_ = (a_ ^ c) * 1099511628211ull;
      b_ = (b_ ^ c) * 1099511628211ull ^ (b_ >> 29);
    }
  }
  std::string Texto() const {
    char hex[33];
    std::snprintf(hex, sizeof hex, "%016llX%016llX", static_cast<unsigned long long>(a_),
                  static_cast<unsigned long long>(b_));
    return std::string("[<") + hex + "> <" + hex + ">]";
  }

 private:
  uint64_t a_ = 14695981039346656037ull, b_ = 0x9E3779B97F4A7C15ull;
};

}  // namespace

std::string CaminhoFonteRegistro() {
  const char* const candidatos[] = {"/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf",
                                    "/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf"};
  std::error_code erro;
  for (const char* c : candidatos)
    if (std::filesystem::is_regular_file(c, erro)) return c;
  throw EErroPdf(W("A fonte Liberation Mono do PDF não está instalada (pacote fonts-liberation): falta ") +
                 candidatos[0] + ".");
}

std::shared_ptr<const TFonteTrueType> LerFonteRegistro() {
  return std::make_shared<const TFonteTrueType>(TFonteTrueType::Ler(CaminhoFonteRegistro()));
}

void EscreverPdfTexto(const TFolhasPdf& folhas, const TInfoPdf& info,
                      const std::function<void(std::string_view)>& escrever) {
  if (folhas.Quantas <= 0) throw EErroPdf(W("Não há folhas para o PDF."));
  const std::shared_ptr<const TFonteTrueType> lida =
      info.FonteLida ? info.FonteLida
                     : std::make_shared<const TFonteTrueType>(
                           TFonteTrueType::Ler(info.Fonte.empty() ? CaminhoFonteRegistro() : info.Fonte));
  const TFonteTrueType& fonte = *lida;
  std::array<uint16_t, 256> glifos{};
  for (int b = 0x20; b < 256; ++b) glifos[b] = fonte.Glifo(CaractereWinAnsi(static_cast<unsigned char>(b)));

  // The fitting of the screen and the printer, in Qt's pixels, then in points.
  const double em = fonte.UnidadesPorEm();
  const TMedidas m = Medir(fonte, glifos['M']);
  const int colunas = ColunasDe(folhas.LarguraMaxima), linhas = std::max(folhas.LinhasMaximas, 1);
  const double escala = EscalaParaCaber(colunas, m.Avanco, linhas, m.AlturaLinha, kLarguraArea, kAlturaArea);
  const double tamanho = m.Pixels * escala * kPixel;
  // Centred across: a sheet bound by its height leaves room at the sides.
  const double esquerda = (kMargem + std::max(0.0, kLarguraArea - colunas * m.Avanco * escala) / 2) * kPixel;
  // The widths in whole thousandths, as Qt wrote them; the character spacing makes up the column
  // Qt measured (the font is fixed-pitch: one spacing fits every glyph).
  auto Milesimos = [&](int unidades) { return std::lround(unidades * 1000 / em); };
  std::string inicioTexto = "BT\n/F1 ";
  Numero(inicioTexto, tamanho);
  inicioTexto += " Tf\n";
  Numero(inicioTexto, (m.Avanco * escala - Milesimos(fonte.Avanco(glifos['M'])) / 1000.0 * m.Pixels * escala) * kPixel);
  inicioTexto += " Tc\n";
  Numero(inicioTexto, m.AlturaLinha * escala * kPixel);
  inicioTexto += " TL\n";
  Numero(inicioTexto, esquerda);
  inicioTexto += ' ';
  Numero(inicioTexto, kAlturaFolha - (kMargem + m.Ascendente * escala) * kPixel);
  inicioTexto += " Td\n";

  const int n = folhas.Quantas;
  const TArvorePaginas arvore(n, kPrimeiraPagina + 2 * n);
  TSaida saida(escrever, kPrimeiraPagina + 2 * n - 1 + arvore.Nos());
  const std::string data = DataPdf();
  TIdentificador identificador;
  identificador.Acrescentar(info.Titulo);
  identificador.Acrescentar(data);
  std::string& s = saida.Texto();
  s += "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  saida.Objeto(kCatalogo);
  s += "<< /Type /Catalog /Pages " + std::to_string(kArvore) + " 0 R >>\n";
  saida.FimObjeto();
  saida.Objeto(kArvore);
  s += "<< /Type /Pages /Count " + std::to_string(n) + " /Kids [";
  arvore.FilhosDaRaiz(s, kPrimeiraPagina);
  s += "] >>\n";
  saida.FimObjeto();
  saida.Objeto(kRecursos);
  s += "<< /Font << /F1 " + std::to_string(kFonte) + " 0 R >> /ProcSet [/PDF /Text] >>\n";
  saida.FimObjeto();
  saida.Objeto(kInfo);
  s += "<< /Title " + TextoInfo(info.Titulo) + " /Creator " + TextoInfo(info.Criador) + " /Producer " +
       TextoInfo("Inventário Modelo P7") + " /CreationDate " + data + " /ModDate " + data + " >>\n";
  saida.FimObjeto();

  std::array<bool, 256> usados{};
  std::string conteudo;
  TCompressor compressor;
  for (int i = 0; i < n; ++i) {
    conteudo = inicioTexto;
    const TLinhasFolha linhasFolha = folhas.Linhas(i);
    for (size_t l = 0; l < linhasFolha.size(); ++l) {
      // The first line is where Td put the text; each next one a line further down.
      const bool vazia = std::all_of(linhasFolha[l].begin(), linhasFolha[l].end(),
                                     [](char c) { return kClasse[static_cast<unsigned char>(c)] == kBranco; });
      if (vazia) {
        if (l > 0) conteudo += "T*\n";
        continue;
      }
      AnexarLinha(conteudo, linhasFolha[l], usados);
      conteudo += l == 0 ? " Tj\n" : " '\n";
    }
    conteudo += "ET\n";
    const int objeto = kPrimeiraPagina + 2 * i;
    saida.Objeto(objeto);
    s += "<< /Type /Page /Parent " + std::to_string(arvore.PaiDaPagina(i)) +
         " 0 R /MediaBox [0 0 842 595] /Resources " + std::to_string(kRecursos) + " 0 R /Contents " +
         std::to_string(objeto + 1) + " 0 R >>\n";
    saida.FimObjeto();
    identificador.Acrescentar(conteudo);
    saida.Fluxo(objeto + 1, "", compressor.Comprimir(conteudo));
  }
  arvore.EscreverNos(saida, kPrimeiraPagina);

  // The font last, when the glyphs the pages draw are known.
  std::vector<bool> glifosUsados(static_cast<size_t>(fonte.Glifos()));
  for (int b = 0x20; b < 256; ++b) {
    if (!usados[b]) continue;
    for (char32_t c :
         {CaractereWinAnsi(static_cast<unsigned char>(b)), plataforma::CaractereW1252(static_cast<unsigned char>(b))})
      if (const uint16_t g = fonte.Glifo(c); g < glifosUsados.size()) glifosUsados[g] = true;
  }
  const std::string nome = "/" + EtiquetaSubconjunto(usados) + fonte.NomePostScript();
  saida.Objeto(kFonte);
  s += "<< /Type /Font /Subtype /TrueType /BaseFont " + nome + " /FirstChar 32 /LastChar 255 /Widths [";
  for (int b = 0x20; b < 256; ++b) s += std::to_string(Milesimos(fonte.Avanco(glifos[b]))) + (b < 255 ? " " : "");
  s += "] /Encoding /WinAnsiEncoding /FontDescriptor " + std::to_string(kDescritor) + " 0 R >>\n";
  saida.FimObjeto();
  saida.Objeto(kDescritor);
  const auto& caixa = fonte.Caixa();
  auto EmMilesimos = [&](int unidades) {
    std::string t;
    Numero(t, unidades * 1000 / em);
    return t;
  };
  // Flags: nonsymbolic (the encoding names its glyphs), and fixed pitch when it is.
  s += "<< /Type /FontDescriptor /FontName " + nome + " /Flags " + std::to_string(32 | (fonte.LarguraFixa() ? 1 : 0)) +
       " /FontBBox [" + EmMilesimos(caixa[0]) + " " + EmMilesimos(caixa[1]) + " " + EmMilesimos(caixa[2]) + " " +
       EmMilesimos(caixa[3]) + "] /ItalicAngle ";
  Numero(s, fonte.AnguloItalico());
  // StemV only helps a reader that substitutes the font, which is embedded.
  s += " /Ascent " + EmMilesimos(fonte.Ascendente()) + " /Descent " + EmMilesimos(fonte.Descendente()) +
       " /CapHeight " + EmMilesimos(fonte.AlturaMaiusculas()) + " /StemV 80 /FontFile2 " + std::to_string(kPrograma) +
       " 0 R >>\n";
  saida.FimObjeto();
  const std::string programa = fonte.Subconjunto(glifosUsados);
  saida.Fluxo(kPrograma, " /Length1 " + std::to_string(programa.size()), compressor.Comprimir(programa));
  saida.Concluir(identificador.Texto());
}

}  // namespace paginas
