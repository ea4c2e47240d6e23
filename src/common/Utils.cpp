#include "common/Utils.h"

#include <array>
#include <cstring>

namespace {

// "000" to "999": a whole group of digits at a time.
constexpr std::array<std::array<char, 3>, 1000> TresDigitos = [] {
  std::array<std::array<char, 3>, 1000> t{};
  for (unsigned i = 0; i < 1000; ++i)
    t[i] = {static_cast<char>('0' + i / 100), static_cast<char>('0' + i / 10 % 10), static_cast<char>('0' + i % 10)};
  return t;
}();

}  // namespace

size_t EscreverCentavos(char* destino, int64_t centavos, const plataforma::TFormatSettings& f) {
  // Unsigned so that the most negative value has a magnitude too.
  bool negativo = centavos < 0;
  uint64_t absoluto = negativo ? uint64_t(0) - static_cast<uint64_t>(centavos) : static_cast<uint64_t>(centavos);
  // Written from the end: digits grouped by threes from the decimal separator leftwards.
  char texto[TamanhoTextoCentavos];
  char* p = texto + sizeof texto;
  unsigned fracao = static_cast<unsigned>(absoluto % 100);
  *--p = static_cast<char>('0' + fracao % 10);
  *--p = static_cast<char>('0' + fracao / 10);
  *--p = f.DecimalSeparator;
  uint64_t inteiros = absoluto / 100;
  for (; inteiros >= 1000; inteiros /= 1000) {
    p -= 3;
    std::memcpy(p, TresDigitos[inteiros % 1000].data(), 3);
    *--p = f.ThousandSeparator;
  }
  do {
    *--p = static_cast<char>('0' + inteiros % 10);
    inteiros /= 10;
  } while (inteiros != 0);
  if (negativo) *--p = '-';
  size_t n = static_cast<size_t>(texto + sizeof texto - p);
  std::memcpy(destino, p, n);
  return n;
}

std::string FormatarCentavos(int64_t centavos, const plataforma::TFormatSettings& f) {
  char texto[TamanhoTextoCentavos];
  return std::string(texto, EscreverCentavos(texto, centavos, f));
}

std::string FormatarValor(plataforma::TMoeda valor, const plataforma::TFormatSettings& f) {
  return FormatarCentavos(plataforma::ParaCentavos(valor), f);
}
