#pragma once
// The shared part of Utils: the register's money text and the query check.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Moeda.h"
#include "platform/Regional.h"

// The amount rounded to two decimals (halves away from zero) in the pattern "###,###,##0.00":
// digits grouped by threes, two decimals, the locale's separators, "-" before a negative value.
std::string FormatarValor(plataforma::TMoeda valor,
                          const plataforma::TFormatSettings& f = plataforma::FormatSettings());
// The same text for an amount already in cents (the register's running total).
std::string FormatarCentavos(int64_t centavos, const plataforma::TFormatSettings& f = plataforma::FormatSettings());
// The same text written at `destino`, which has room for TamanhoTextoCentavos characters; returns
// its length. For the detail lines, which would otherwise build two strings per row.
constexpr size_t TamanhoTextoCentavos = plataforma::TamanhoTextoDecimal;
size_t EscreverCentavos(char* destino, int64_t centavos, const plataforma::TFormatSettings& f);

// The query itself when it is usable, otherwise null. Windows own their queries, so a live
// object is every non-null one.
template <class TQuery>
TQuery* ConsultaValida(TQuery* consulta) noexcept {
  return consulta != nullptr ? consulta : nullptr;
}
