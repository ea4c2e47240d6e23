#include <gtest/gtest.h>

#include <climits>

#include "common/Utils.h"
#include "platform/Moeda.h"
#include "tests/support/SuporteTestes.h"

using plataforma::MoedaDeTexto;

namespace {
std::string Fv(const char* texto) { return FormatarValor(MoedaDeTexto(texto)); }
}  // namespace

TEST(FormatarValor, PadraoComSeparadoresBrasileiros) {
  suporte::TRegionalBrasil br;
  EXPECT_EQ(Fv("0"), "0,00");
  EXPECT_EQ(Fv("0.5"), "0,50");
  EXPECT_EQ(Fv("7"), "7,00");
  EXPECT_EQ(Fv("-1234.5"), "-1.234,50");
  EXPECT_EQ(Fv("1234567.891"), "1.234.567,89");
  EXPECT_EQ(Fv("999999.99"), "999.999,99");
  EXPECT_EQ(Fv("100000"), "100.000,00");
  EXPECT_EQ(Fv("10000000000"), "10.000.000.000,00");
}

TEST(FormatarValor, MeiosCentavosSeAfastamDoZero) {
  suporte::TRegionalBrasil br;
  EXPECT_EQ(Fv("0.005"), "0,01");
  EXPECT_EQ(Fv("-0.005"), "-0,01");
  EXPECT_EQ(Fv("0.0049"), "0,00");
  EXPECT_EQ(Fv("2.675"), "2,68");  // 2.67499999... as a binary float
  EXPECT_EQ(Fv("1.015"), "1,02");
  EXPECT_EQ(Fv("999.995"), "1.000,00");
  EXPECT_EQ(Fv("-999.995"), "-1.000,00");
  // A negative amount that rounds to zero carries no sign.
  EXPECT_EQ(Fv("-0.004"), "0,00");
}

TEST(FormatarValor, SeparadoresDaConfiguracaoRegional) {
  plataforma::TFormatSettings us;
  us.ThousandSeparator = ',';
  us.DecimalSeparator = '.';
  EXPECT_EQ(FormatarValor(MoedaDeTexto("-1234567.891"), us), "-1,234,567.89");
  EXPECT_EQ(FormatarCentavos(LLONG_MIN, us), "-92,233,720,368,547,758.08");
  EXPECT_EQ(FormatarCentavos(LLONG_MAX, us), "92,233,720,368,547,758.07");
}

TEST(ConsultaValida, NuloDaNuloEOutroDaEleMesmo) {
  int objeto = 0;
  EXPECT_EQ(ConsultaValida<int>(nullptr), nullptr);
  EXPECT_EQ(ConsultaValida(&objeto), &objeto);
}
