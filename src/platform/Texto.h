#pragma once
// Small rules on Windows-1252 texts that several layers share: one copy each.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plataforma {

// Upper case of a Windows-1252 byte, accented letters included (á -> Á, ÿ -> Ÿ).
unsigned char MaiusculaW1252(unsigned char c);
// Equal without regard to case, by MaiusculaW1252.
bool IguaisSemCaixa(std::string_view a, std::string_view b);

// Blank: empty, or only characters of codes up to 32 (blanks and control characters).
bool EmBranco(std::string_view texto);
// Without the characters of codes up to 32 at both ends.
std::string_view Aparar(std::string_view texto);

// The message with a final "." when it is not empty and its last character's code is greater
// than that of "." (the standard error box's rule, also for messages built on another one).
std::string ComPontoFinal(std::string mensagem);

// The one integer rule of the program: an optional "+" or "-", then decimal digits only, within
// 64 bits. Anything else (blanks, a fraction, an empty text) is no integer: nullopt.
std::optional<int64_t> LerInteiro(std::string_view texto);

}  // namespace plataforma
