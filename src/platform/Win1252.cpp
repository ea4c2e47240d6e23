#include "platform/Win1252.h"

#include <cstdint>

namespace plataforma {
namespace {

// Code points of 0x80..0x9F; the others of 0xA0..0xFF are the same as Latin-1.
constexpr char32_t kAlto[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AnexarUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::optional<char> ByteW1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kAlto[i] == c) return static_cast<char>(0x80 + i);
  return std::nullopt;
}

char32_t CaractereW1252(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? kAlto[byte - 0x80] : byte; }

std::string W1252ParaUtf8(std::string_view w1252) {
  std::string out;
  out.reserve(w1252.size() + w1252.size() / 4);
  for (unsigned char b : w1252) {
    if (b < 0x80)
      out += static_cast<char>(b);
    else
      AnexarUtf8(out, CaractereW1252(b));
  }
  return out;
}

TCaractereUtf8 LerCaractereUtf8(std::string_view utf8, std::size_t posicao) {
  const auto b = static_cast<unsigned char>(utf8[posicao]);
  if (b < 0x80) return {b, 1, true};
  // The lead byte gives the length and the range of the second byte; the ranges leave out the
  // overlong forms (E0 80..9F, F0 80..8F), the surrogates (ED A0..BF) and what passes U+10FFFF
  // (F4 90..BF). C0, C1 and F5..FF start nothing.
  std::size_t n;
  unsigned char menor = 0x80, maior = 0xBF;
  char32_t c;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
    c = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    c = b & 0x0F;
    if (b == 0xE0) menor = 0xA0;
    if (b == 0xED) maior = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    c = b & 0x07;
    if (b == 0xF0) menor = 0x90;
    if (b == 0xF4) maior = 0x8F;
  } else {
    return {0, 1, false};
  }
  for (std::size_t k = 1; k < n; ++k) {
    if (posicao + k >= utf8.size()) return {0, k, false};
    const auto cb = static_cast<unsigned char>(utf8[posicao + k]);
    if (cb < menor || cb > maior) return {0, k, false};
    menor = 0x80;
    maior = 0xBF;
    c = (c << 6) | (cb & 0x3F);
  }
  return {c, n, true};
}

std::string Utf8ParaW1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const TCaractereUtf8 c = LerCaractereUtf8(utf8, i);
    out += c.Valido ? ByteW1252(c.Codigo).value_or('?') : '?';
    i += c.Tamanho;
  }
  return out;
}

}  // namespace plataforma
