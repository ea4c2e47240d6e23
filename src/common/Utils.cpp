#include "Utils.h"

std::string FormatarCentavos(int64_t centavos, const plataforma::TFormatSettings& f) {
  // Unsigned so that the most negative value has a magnitude too.
  bool negativo = centavos < 0;
  uint64_t absoluto = negativo ? uint64_t(0) - static_cast<uint64_t>(centavos) : static_cast<uint64_t>(centavos);
  std::string inteiros = std::to_string(absoluto / 100);
  unsigned fracao = static_cast<unsigned>(absoluto % 100);

  std::string r;
  r.reserve(inteiros.size() + inteiros.size() / 3 + 4);
  if (negativo) r += '-';
  for (size_t i = 0; i < inteiros.size(); ++i) {
    if (i > 0 && (inteiros.size() - i) % 3 == 0) r += f.ThousandSeparator;
    r += inteiros[i];
  }
  r += f.DecimalSeparator;
  r += static_cast<char>('0' + fracao / 10);
  r += static_cast<char>('0' + fracao % 10);
  return r;
}

std::string FormatarValor(plataforma::TMoeda valor, const plataforma::TFormatSettings& f) {
  return FormatarCentavos(plataforma::ParaCentavos(valor), f);
}
