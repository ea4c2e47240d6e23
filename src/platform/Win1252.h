#pragma once
// Single-byte Windows-1252 text is what the database sends and what the register holds.
// These are the only conversions between it and UTF-8 (source literals, Qt strings).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace plataforma {

// One character of a UTF-8 text: its code and its length in bytes. A bad sequence (a byte that
// starts none, a truncated one, an overlong form, a surrogate, a code above U+10FFFF) is one
// character with Valido false, as long as Unicode's maximal subpart of it, so that decoding goes
// on at the first byte that cannot continue it.
struct TCaractereUtf8 {
  char32_t Codigo;  // 0 when not Valido
  std::size_t Tamanho;
  bool Valido;
};
// The character at `posicao` (< utf8.size()); the only UTF-8 decoder of the program.
TCaractereUtf8 LerCaractereUtf8(std::string_view utf8, std::size_t posicao);

// UTF-8 -> Windows-1252; a character without a Windows-1252 byte, and each bad sequence, becomes
// one '?'.
std::string Utf8ParaW1252(std::string_view utf8);
// The Windows-1252 byte of one character, or nothing when it has none (U+202F, ...).
std::optional<char> ByteW1252(char32_t codigo);
// The character of one Windows-1252 byte; the five unassigned bytes give the C1 control of the
// same code.
char32_t CaractereW1252(unsigned char byte);
// Windows-1252 -> UTF-8, each byte its CaractereW1252.
std::string W1252ParaUtf8(std::string_view w1252);

}  // namespace plataforma

// Accented literals of the register and the messages, written in UTF-8 in the source.
inline std::string W(std::string_view utf8) { return plataforma::Utf8ParaW1252(utf8); }
