// Windows-1252 text, fixed-point amounts and date formatting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "platform/Moeda.h"
#include "platform/Regional.h"
#include "platform/RegionalQt.h"
#include "platform/Texto.h"
#include "platform/Win1252.h"
#include "tests/support/SuporteTestes.h"

using namespace plataforma;

TEST(Win1252, CadaByteImprimivelVaiEVoltaPorUtf8) {
  for (int c = 0x20; c <= 0xFF; ++c) {
    const std::string b(1, static_cast<char>(c));
    const std::string u = W1252ParaUtf8(b);
    EXPECT_EQ(Utf8ParaW1252(u), b) << std::hex << c;
    if (c >= 0x80) {
      EXPECT_GE(u.size(), 2u) << std::hex << c;
    }
  }
  EXPECT_EQ(W("INVENTÁRIO"), "INVENT\xC1RIO");
  EXPECT_EQ(W("€ Š ž Ÿ"), "\x80 \x8A \x9E \x9F");
  EXPECT_EQ(W1252ParaUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(W("日"), "?");
}

// Every bad sequence is one '?' as long as Unicode's maximal subpart of it, and the text goes on.
TEST(Win1252, Utf8InvalidoViraUmaInterrogacaoPorSequenciaESegue) {
  const std::pair<const char*, const char*> casos[] = {
      {"ab\xF0"
       "cd",
       "ab?cd"},  // truncated lead
      {"a\xE2\x82"
       "b\xE2\x82",
       "a?b?"},                             // truncated three-byte sequence, inside and at the end
      {"\xC0\xAF|\xE0\x80\xAF", "??|???"},  // overlong '/'
      {"\xED\xA0\x80"
       "x",
       "???x"},  // a surrogate
      {"\xF4\x90\x80\x80"
       "y\xF5",
       "????y?"},                               // above U+10FFFF
      {"\xC3\xA1\xF0\x9F\x98\x80!", "\xE1?!"},  // valid: one '?' for U+1F600, which has no byte
  };
  for (const auto& [utf8, w1252] : casos) EXPECT_EQ(Utf8ParaW1252(utf8), w1252) << utf8;
  const TCaractereUtf8 c = LerCaractereUtf8("\xF0\x9F\x98\x80", 0);
  EXPECT_TRUE(c.Valido && c.Codigo == 0x1F600 && c.Tamanho == 4);
}

TEST(Moeda, LerDecimalArredonda) {
  auto ler = [](std::string_view t, int casas, TArredondamento m) {
    int64_t v = -999;
    EXPECT_TRUE(LerDecimal(t, casas, m, v)) << t;
    return v;
  };
  const auto par = TArredondamento::MetadePar, longe = TArredondamento::MetadeLongeDoZero;
  EXPECT_EQ(ler("1.23455", 4, par), 12346);
  EXPECT_EQ(ler("1.23465", 4, par), 12346);
  EXPECT_EQ(ler("1.234650000000000000000000000000001", 4, par), 12347);  // a tail above half
  EXPECT_EQ(ler("-1.23465", 4, par), -12346);
  EXPECT_EQ(ler("1.23465", 4, longe), 12347);
  EXPECT_EQ(ler("-1.23465", 4, longe), -12347);
  EXPECT_EQ(ler(" 0.000050 ", 4, par), 0);
  EXPECT_EQ(ler("0.00015", 4, par), 2);
  EXPECT_EQ(ler("7", 4, par), 70000);
  EXPECT_EQ(ler("+.5", 0, par), 0);
  EXPECT_EQ(ler("1.5", 0, par), 2);
  EXPECT_EQ(ler("1.5e3", 4, par), 15000000);
  EXPECT_EQ(ler("15E-1", 4, par), 15000);
  EXPECT_EQ(ler("1.23455e+0", 4, par), 12346);
  EXPECT_EQ(ler("0e999999", 4, par), 0);
  EXPECT_EQ(ler("922337203685477.5807", 4, par), INT64_MAX);

  int64_t v = 0;
  for (const char* ruim : {"", " ", "abc", "1.2.3", "1e", "1e+", "--1", "1,5", ".", "1 2", "e5"})
    EXPECT_FALSE(LerDecimal(ruim, 4, par, v)) << ruim;
  EXPECT_FALSE(LerDecimal("922337203685477.5808", 4, par, v));
  EXPECT_FALSE(LerDecimal("1e30", 4, par, v));
  EXPECT_FALSE(LerDecimal("99999999999999999999999999999999999999999", 0, par, v));
  try {
    MoedaDeTexto("x");
    ADD_FAILURE() << "accepted";
  } catch (const EValorForaDoIntervalo& e) {
    EXPECT_EQ(e.what(), W("'x' não é um valor decimal válido"));  // the user's language
  }
  EXPECT_EQ(MoedaDeTexto("12.34565").DezMilesimos, 123456);
}

// Short plain texts take a 64-bit path; a leading blank sends the same number through the
// general reader, and both must agree on every digit count, point position, sign and rounding.
TEST(Moeda, LeituraCurtaConcordaComAGeral) {
  std::mt19937_64 gerador(7);
  for (int i = 0; i < 200000; ++i) {
    std::string t;
    if (gerador() % 3 == 0) t += gerador() % 2 ? '-' : '+';
    int digitos = 1 + static_cast<int>(gerador() % 20), ponto = static_cast<int>(gerador() % (digitos + 2)) - 1;
    for (int d = 0; d < digitos; ++d) {
      if (d == ponto) t += '.';
      // Runs of 9s and of 0s followed by 5 reach the carries and the exact halves.
      uint64_t r = gerador() % 10;
      t += static_cast<char>('0' + (r < 3 ? 9 : r < 5 ? 0 : r == 5 ? 5 : gerador() % 10));
    }
    if (ponto == digitos) t += '.';  // "12."
    for (int casas : {0, 2, 4, 18}) {
      for (auto modo : {TArredondamento::MetadePar, TArredondamento::MetadeLongeDoZero}) {
        int64_t curto = 0, geral = 0;
        bool okCurto = LerDecimal(t, casas, modo, curto), okGeral = LerDecimal(" " + t, casas, modo, geral);
        ASSERT_EQ(okCurto, okGeral) << t << " casas " << casas;
        if (okCurto) {
          ASSERT_EQ(curto, geral) << t << " casas " << casas;
        }
      }
    }
  }
}

TEST(Moeda, MultiplicarEParaCentavos) {
  EXPECT_EQ(Multiplicar({25000}, {12345}).DezMilesimos, 30862);  // 2.5 x 1.2345 = 3.08625 -> even
  EXPECT_EQ(Multiplicar({15000}, {10001}).DezMilesimos, 15002);  // 1.50015 -> 1.5002 (even)
  EXPECT_EQ(Multiplicar({-25000}, {12345}).DezMilesimos, -30862);
  EXPECT_THROW(Multiplicar({INT64_MAX}, {20000}), EValorForaDoIntervalo);
  // A product beyond 64 bits whose result fits, with an exact half: to the even neighbour.
  EXPECT_EQ(Multiplicar({50000000001}, {184475000}).DezMilesimos, 922375000018448);
  EXPECT_EQ(Multiplicar({-50000000001}, {184475000}).DezMilesimos, -922375000018448);
  EXPECT_EQ(ParaCentavos({12350}), 124);
  EXPECT_EQ(ParaCentavos({12250}), 123);
  EXPECT_EQ(ParaCentavos({-12350}), -124);
  EXPECT_EQ(ParaCentavos({12349}), 123);
  EXPECT_EQ(ParaCentavos({50}), 1);
  EXPECT_EQ(ParaCentavos({-50}), -1);
  EXPECT_EQ(ParaCentavos({49}), 0);
}

TEST(Regional, DatasBrasileiras) {
  suporte::TRegionalBrasil br;
  const TDataHora d{2023, 1, 5, 10, 0, 0};
  EXPECT_EQ(FormatarData(FormatSettings().ShortDateFormat, d), "05/01/2023");
  EXPECT_EQ(FormatarData("d/m/yy", d), "5/1/23");
  EXPECT_EQ(FormatarData("DD/MM/YYYY", TDataHora{2023, 12, 31}), "31/12/2023");
  EXPECT_EQ(FormatarData("\"dia\" dd", d), "dia 05");
  TFormatSettings f = FormatSettingsBrasil();
  f.DateSeparator = '-';
  EXPECT_EQ(FormatarData("dd/mm/yyyy", d, f), "05-01-2023");
  EXPECT_EQ(DataSql(d), "2023-01-05");
}

TEST(Regional, LocaleSemDatasNumericasVoltaAsBrasileiras) {
  // C.UTF-8's short date format has no numeric separator. Qt reads the locale once, on first use.
  ::setenv("LC_ALL", "C.UTF-8", 1);
  TFormatSettings f = FormatSettingsDoLocale();
  EXPECT_EQ(f.DateSeparator, '/');
  EXPECT_EQ(FormatarData(f.ShortDateFormat, TDataHora{2023, 12, 31}, f), "31/12/2023");
}

TEST(Regional, SeparadoresSemByteWindows1252VoltamEmVezDeViraremInterrogacao) {
  // French groups digits with U+202F; here it also separates the date.
  TFormatSettings f = FormatSettingsDe(",", "\u202F", "dd\u202FMM\u202Fyyyy");
  EXPECT_EQ(f.DecimalSeparator, ',');
  EXPECT_EQ(f.ThousandSeparator, '.');
  EXPECT_EQ(f.DateSeparator, '/');
  EXPECT_EQ(FormatarData(f.ShortDateFormat, TDataHora{2023, 12, 31}, f), "31/12/2023");
  // The fallback never repeats the other separator; separators that have a byte are kept.
  TFormatSettings ponto = FormatSettingsDe(".", "\u202F", "d.M.yy");
  EXPECT_EQ(ponto.ThousandSeparator, ',');
  EXPECT_EQ(ponto.DateSeparator, '.');
  TFormatSettings arabe = FormatSettingsDe("\u066B", ",", "dd/MM/yyyy");
  EXPECT_EQ(arabe.DecimalSeparator, '.');
  EXPECT_EQ(FormatSettingsDe(",", "\u00A0", "dd/MM/yyyy").ThousandSeparator, '\xA0');
}

// One integer rule for the whole program: sign, digits, 64 bits; nothing else is a number.
TEST(Texto, InteiroUmaSoRegra) {
  EXPECT_EQ(plataforma::LerInteiro("42"), 42);
  EXPECT_EQ(plataforma::LerInteiro("+7"), 7);
  EXPECT_EQ(plataforma::LerInteiro("-3"), -3);
  EXPECT_EQ(plataforma::LerInteiro("9223372036854775807"), INT64_MAX);
  for (const char* ruim : {"", "+", "-", "+-1", "--1", " 1", "1 ", "1.0", "abc", "12a", "9223372036854775808"})
    EXPECT_FALSE(plataforma::LerInteiro(ruim).has_value()) << ruim;
  // Case and blanks of Windows-1252 texts.
  EXPECT_TRUE(plataforma::IguaisSemCaixa(W("ÁGUA"), W("água")));
  EXPECT_FALSE(plataforma::IguaisSemCaixa("abc", "abd"));
  EXPECT_EQ(plataforma::Aparar("\t 1,2 \r\n"), "1,2");
  EXPECT_TRUE(plataforma::EmBranco(" \x01\t\x7F"));
  EXPECT_EQ(plataforma::Aparar("\x7F"
                               "A\x7F"),
            "A");
  EXPECT_FALSE(plataforma::EmBranco(" x "));
}
