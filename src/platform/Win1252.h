#pragma once
// Single-byte Windows-1252 text is what the database sends and what the register holds.
// These are the only conversions between it and UTF-8 (source literals, Qt strings).
#include <optional>
#include <string>
#include <string_view>

namespace plataforma {

// UTF-8 -> Windows-1252; a character without a Windows-1252 byte becomes '?'.
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
