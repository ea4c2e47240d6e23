#include "Utils.h"

#include <cstring>

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
  for (int noGrupo = 0;; ++noGrupo) {
    if (noGrupo == 3) {
      *--p = f.ThousandSeparator;
      noGrupo = 0;
    }
    *--p = static_cast<char>('0' + inteiros % 10);
    inteiros /= 10;
    if (inteiros == 0) break;
  }
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
