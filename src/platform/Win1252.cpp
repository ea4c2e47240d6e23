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

std::string Utf8ParaW1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    auto b = static_cast<unsigned char>(utf8[i]);
    char32_t c;
    size_t n;
    if (b < 0x80) {
      c = b;
      n = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      n = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      n = 3;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      n = 4;
    } else {
      out += '?';
      ++i;
      continue;
    }
    if (i + n > utf8.size()) {
      out += '?';
      break;
    }
    bool valido = true;
    for (size_t k = 1; k < n; ++k) {
      auto cb = static_cast<unsigned char>(utf8[i + k]);
      if ((cb & 0xC0) != 0x80) {
        valido = false;
        break;
      }
      c = (c << 6) | (cb & 0x3F);
    }
    if (!valido) {
      out += '?';
      ++i;
      continue;
    }
    out += ByteW1252(c).value_or('?');
    i += n;
  }
  return out;
}

}  // namespace plataforma
