#include "efd/LeituraEfd.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/Win1252.h"

namespace efd {

namespace {

// The file is read in pieces of this size; a line may make the buffer grow up to the limit.
constexpr size_t TamanhoLeitura = size_t(4) << 20;
constexpr size_t LimiteLinha = size_t(64) << 20;

bool Controle(unsigned char b) { return b < 0x20 || (b >= 0x7F && b <= 0x9F); }

// The first byte from p on that is no ISO-8859-1 text (a control byte or 0x7F-0x9F, the line end
// among them), or fim. Sixteen bytes at a time where the processor has SSE2: it is most of the
// reading's own work.
const char* ProximoControle(const char* p, const char* fim) {
#if defined(__SSE2__)
  const __m128i ate1F = _mm_set1_epi8(0x1F), de7F = _mm_set1_epi8(0x7F), ate20 = _mm_set1_epi8(0x20);
  for (; fim - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i baixo = _mm_cmpeq_epi8(_mm_min_epu8(v, ate1F), v);  // v <= 0x1F
    const __m128i t = _mm_sub_epi8(v, de7F);
    const __m128i alto = _mm_cmpeq_epi8(_mm_min_epu8(t, ate20), t);  // 0x7F <= v <= 0x9F
    if (const int m = _mm_movemask_epi8(_mm_or_si128(baixo, alto))) return p + __builtin_ctz(m);
  }
#endif
  for (; p < fim; ++p)
    if (Controle(static_cast<unsigned char>(*p))) return p;
  return fim;
}

}  // namespace

TLeitorEfd::TLeitorEfd(const std::filesystem::path& arquivo)
    : nome_(NomeArquivoEfd(arquivo)), arquivo_(std::fopen(arquivo.c_str(), "rb"), &std::fclose) {
  if (!arquivo_) FalharLeitura(errno);
  buffer_.resize(TamanhoLeitura);
}

void TLeitorEfd::Recusar(const std::string& motivo) const {
  throw EArquivoEfd(W("arquivo EFD \"") + nome_ + "\" recusado: " + motivo);
}

void TLeitorEfd::FalharLeitura(int erro) const {
  throw EArquivoEfd(W("Não foi possível ler \"") + nome_ +
                    "\": " + plataforma::Utf8ParaW1252(std::generic_category().message(erro)));
}

void TLeitorEfd::Ler() {
  const size_t n = std::fread(buffer_.data() + fim_, 1, buffer_.size() - fim_, arquivo_.get());
  if (n == 0 && std::ferror(arquivo_.get())) FalharLeitura(errno);
  acabou_ = n == 0;
  fim_ += n;
}

bool TLeitorEfd::Proxima(TLinhaEfd& linha) {
  while (!terminou_) {
    const char* inicio = buffer_.data() + inicio_;
    const char* limite = buffer_.data() + fim_;
    const char* c = ProximoControle(inicio, limite);
    // A line ends at LF or CR LF; any other control byte is refused, and a CR at the end of what
    // was read waits for the next piece.
    size_t fimLinha = 0;
    if (c < limite && *c == '\n')
      fimLinha = 1;
    else if (c + 1 < limite && *c == '\r' && c[1] == '\n')
      fimLinha = 2;
    else if (c < limite && !(*c == '\r' && c + 1 == limite && !acabou_))
      ByteInvalido(inicio, c);
    if (fimLinha) return Entregar(linha, c - inicio, fimLinha);
    if (acabou_ && inicio_ < fim_) return Entregar(linha, fim_ - inicio_, 0);
    if (acabou_) Recusar(W("não termina com o registro 9999 (arquivo incompleto)"));
    // Keep the unfinished line, and room to read after it.
    if (AntesDeMover) AntesDeMover();
    std::memmove(buffer_.data(), buffer_.data() + inicio_, fim_ - inicio_);
    fim_ -= inicio_;
    inicio_ = 0;
    if (fim_ == buffer_.size()) {
      if (buffer_.size() >= LimiteLinha)
        Recusar(W("a linha ") + std::to_string(numeroLinha_ + 1) + W(" tem mais de 64 MiB: não é um arquivo da EFD"));
      buffer_.resize(buffer_.size() * 2);
    }
    Ler();
  }
  return false;
}

bool TLeitorEfd::Entregar(TLinhaEfd& linha, size_t conteudo, size_t fimLinha) {
  const char* inicio = buffer_.data() + inicio_;
  inicio_ += conteudo + fimLinha;
  ++numeroLinha_;
  linha.Linha = std::string_view(inicio, conteudo + fimLinha);
  linha.Conteudo = linha.Linha.substr(0, conteudo);
  if (numeroLinha_ == 1 && !LerRegistro0000(linha.Conteudo))
    Recusar(W("a primeira linha não é um registro 0000 da EFD ICMS/IPI"));
  Validar(linha.Conteudo);
  terminou_ = linha.Registro() == "9999";
  return true;
}

// Control bytes and 0x7F-0x9F are no ISO-8859-1 text.
void TLeitorEfd::ByteInvalido(const char* linha, const char* byte) const {
  if (numeroLinha_ == 0 && std::string_view(linha, byte - linha).substr(0, 6) != "|0000|")
    Recusar(W("a primeira linha não é um registro 0000 da EFD ICMS/IPI"));
  const uint8_t b = uint8_t(*byte);
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", unsigned(b));
  const bool utf8 = byte > linha && b >= 0x80 && uint8_t(byte[-1]) >= 0xC2 && uint8_t(byte[-1]) <= 0xF4;
  Recusar(W("a linha ") + std::to_string(numeroLinha_ + 1) + " tem o byte " + hex + W(" na posição ") +
          std::to_string(byte - linha + 1) + W(", que não é texto ISO-8859-1") +
          (utf8 ? W(" (o arquivo parece estar em UTF-8)") : std::string()));
}

void TLeitorEfd::Validar(std::string_view conteudo) const {
  if (conteudo.size() < 2 || conteudo.front() != '|' || conteudo.back() != '|')
    Recusar(NaLinha() + W(" não começa e termina com \"|\""));
  if (conteudo.size() < 6 || conteudo[5] != '|' || conteudo.substr(1, 4).find('|') != std::string_view::npos)
    Recusar(NaLinha() + W(" não começa por um tipo de registro de 4 caracteres"));
}

TLeitorEfd::TResto TLeitorEfd::LerResto() {
  TResto r;
  auto examinar = [&](const char* p, size_t n) {
    for (size_t i = 0; i < n && r.SoBrancos; ++i)
      r.SoBrancos = p[i] == '\r' || p[i] == '\n' || p[i] == ' ' || p[i] == 0x1A;
    r.Bytes += n;
  };
  examinar(buffer_.data() + inicio_, fim_ - inicio_);
  inicio_ = fim_;
  while (!acabou_) {
    inicio_ = fim_ = 0;
    Ler();
    examinar(buffer_.data(), fim_);
    inicio_ = fim_;
  }
  return r;
}

}  // namespace efd
