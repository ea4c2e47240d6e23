#pragma once
// Fixed-point amounts: 64-bit integers of ten-thousandths (four decimals), never binary floats.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace plataforma {

enum class TArredondamento { MetadePar, MetadeLongeDoZero };

// Reads a decimal text ("-12.3456", "7", "1.5e3", " 0.000050 ") into an integer scaled by
// 10^casas, rounding the digits beyond them. False for a text that is not a number or that does
// not fit in 64 bits.
bool LerDecimal(std::string_view texto, int casas, TArredondamento modo, int64_t& valor);

// Divides by 10^digitos with the given rounding; used when narrowing a scaled value.
__int128 DividirArredondando(__int128 valor, int digitos, TArredondamento modo);

struct TMoeda {
  int64_t DezMilesimos = 0;  // amount x 10000
  static constexpr int64_t Escala = 10000;
  friend bool operator==(TMoeda, TMoeda) = default;
  friend auto operator<=>(TMoeda, TMoeda) = default;
};

class EValorForaDoIntervalo : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The server's decimal text rounded to four decimals, halves to the even neighbour.
// Throws EValorForaDoIntervalo for a text that is not a number or too large.
TMoeda MoedaDeTexto(std::string_view texto);

// Quantity (four decimals) x unit value, rounded to four decimals, halves to even.
TMoeda Multiplicar(TMoeda quantidade, TMoeda valor);

// The amount rounded to two decimals, halves away from zero, in cents.
int64_t ParaCentavos(TMoeda valor);

// The one writer of a scaled integer as text: `valor` / 10^casas (casas 0..18) with `casas`
// decimals after `separadorDecimal`, the whole part grouped by threes with `separadorMilhar`
// unless it is '\0', and "-" before a negative value. With `semZerosFinais` the decimals lose
// their trailing zeros, and the separator goes with them when nothing is left. Writes at
// `destino`, which has room for TamanhoTextoDecimal characters, and returns the length.
constexpr size_t TamanhoTextoDecimal = 48;
size_t EscreverDecimal(char* destino, int64_t valor, int casas, char separadorDecimal, char separadorMilhar = '\0',
                       bool semZerosFinais = false);

}  // namespace plataforma
