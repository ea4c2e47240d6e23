#include "common/Utils.h"

size_t EscreverCentavos(char* destino, int64_t centavos, const plataforma::TFormatSettings& f) {
  return plataforma::EscreverDecimal(destino, centavos, 2, f.DecimalSeparator, f.ThousandSeparator);
}

std::string FormatarCentavos(int64_t centavos, const plataforma::TFormatSettings& f) {
  char texto[TamanhoTextoCentavos];
  return std::string(texto, EscreverCentavos(texto, centavos, f));
}

std::string FormatarValor(plataforma::TMoeda valor, const plataforma::TFormatSettings& f) {
  return FormatarCentavos(plataforma::ParaCentavos(valor), f);
}
