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

// A control character: the codes below 32 and DEL (127). The register and the EFD write each as a
// blank, so that none can split a line, start a sheet, shift a column or reach a file as a byte
// the EFD refuses.
constexpr bool Controle(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Blank: empty, or only blanks and control characters.
bool EmBranco(std::string_view texto);
// Without blanks and control characters at both ends.
std::string_view Aparar(std::string_view texto);

// The message with a final "." when it is not empty and its last character's code is greater
// than that of "." (the standard error box's rule, also for messages built on another one).
std::string ComPontoFinal(std::string mensagem);

// The one integer rule of the program: an optional "+" or "-", then decimal digits only, within
// 64 bits. Anything else (blanks, a fraction, an empty text) is no integer: nullopt.
std::optional<int64_t> LerInteiro(std::string_view texto);

}  // namespace plataforma
