#include "platform/Moeda.h"

#include <array>
#include <cctype>
#include <limits>

#include "platform/Win1252.h"

namespace plataforma {

namespace {

// The same rounding in 64 bits, for the values of every day (a 128-bit division is many times slower).
int64_t DividirArredondando64(int64_t valor, int64_t div, TArredondamento modo) {
  bool negativo = valor < 0;
  uint64_t absoluto = negativo ? uint64_t(0) - static_cast<uint64_t>(valor) : static_cast<uint64_t>(valor);
  uint64_t d = static_cast<uint64_t>(div), q = absoluto / d, dobro = (absoluto % d) * 2;
  if (dobro > d || (dobro == d && (modo == TArredondamento::MetadeLongeDoZero || (q % 2) == 1))) ++q;
  return negativo ? -static_cast<int64_t>(q) : static_cast<int64_t>(q);
}

// 10^0 .. 10^18, every power that fits in 64 bits.
constexpr std::array<int64_t, 19> PotenciasDe10 = [] {
  std::array<int64_t, 19> p{};
  p[0] = 1;
  for (size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

// The usual text from the server, "-123.4500": no blanks, no exponent and at most 18 digits, so
// the number is read in 64 bits. False leaves the text to the general reader below.
bool LerDecimalCurto(std::string_view t, int casas, TArredondamento modo, int64_t& valor) {
  const char* p = t.data();
  const char* fim = p + t.size();
  bool negativo = false;
  if (p != fim && (*p == '+' || *p == '-')) negativo = *p++ == '-';
  // More than 18 digits wrap around here, but then the count below rejects the text.
  uint64_t m = 0;
  const char* inicio = p;
  while (p != fim && static_cast<unsigned>(*p - '0') <= 9) m = m * 10 + static_cast<unsigned>(*p++ - '0');
  size_t digitos = static_cast<size_t>(p - inicio), decimais = 0;
  if (p != fim && *p == '.') {
    const char* primeiraDecimal = ++p;
    while (p != fim && static_cast<unsigned>(*p - '0') <= 9) m = m * 10 + static_cast<unsigned>(*p++ - '0');
    decimais = static_cast<size_t>(p - primeiraDecimal);
    digitos += decimais;
  }
  if (p != fim || digitos == 0 || digitos > 18 || casas < 0 || casas > 18) return false;
  int64_t v = static_cast<int64_t>(m);
  size_t c = static_cast<size_t>(casas);
  if (decimais < c) {
    if (__builtin_mul_overflow(v, PotenciasDe10[c - decimais], &v)) return false;
  } else if (decimais > c) {
    v = DividirArredondando64(v, PotenciasDe10[decimais - c], modo);
  }
  valor = negativo ? -v : v;
  return true;
}

}  // namespace

__int128 DividirArredondando(__int128 valor, int digitos, TArredondamento modo) {
  if (digitos <= 0) return valor;
  if (digitos <= 18 && valor > std::numeric_limits<int64_t>::min() / 2 && valor < std::numeric_limits<int64_t>::max() / 2) {
    int64_t div = 1;
    for (int i = 0; i < digitos; ++i) div *= 10;
    return DividirArredondando64(static_cast<int64_t>(valor), div, modo);
  }
  __int128 div = 1;
  for (int i = 0; i < digitos; ++i) div *= 10;
  bool negativo = valor < 0;
  __int128 absoluto = negativo ? -valor : valor;
  __int128 q = absoluto / div, r = absoluto % div;
  __int128 dobro = r * 2;
  if (dobro > div || (dobro == div && (modo == TArredondamento::MetadeLongeDoZero || (q % 2) == 1)))
    ++q;
  return negativo ? -q : q;
}

bool LerDecimal(std::string_view t, int casas, TArredondamento modo, int64_t& valor) {
  if (LerDecimalCurto(t, casas, modo, valor)) return true;
  size_t i = 0, n = t.size();
  while (i < n && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
  while (n > i && std::isspace(static_cast<unsigned char>(t[n - 1]))) --n;
  bool negativo = false;
  if (i < n && (t[i] == '+' || t[i] == '-')) negativo = t[i++] == '-';

  // Digits into a 128-bit mantissa; digits past 30 significant ones only matter for rounding,
  // which a sticky flag keeps.
  __int128 mantissa = 0;
  int expoente = 0, significativos = 0;
  bool algumDigito = false, pontoVisto = false, resto = false;
  for (; i < n; ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9') {
      algumDigito = true;
      if (significativos < 30) {
        mantissa = mantissa * 10 + (c - '0');
        if (mantissa != 0) ++significativos;
        if (pontoVisto) --expoente;
      } else {
        if (c != '0') resto = true;
        if (!pontoVisto) ++expoente;
      }
    } else if (c == '.' && !pontoVisto) {
      pontoVisto = true;
    } else {
      break;
    }
  }
  if (!algumDigito) return false;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool expNeg = false;
    if (i < n && (t[i] == '+' || t[i] == '-')) expNeg = t[i++] == '-';
    if (i >= n) return false;
    int e = 0;
    for (; i < n && t[i] >= '0' && t[i] <= '9'; ++i)
      if (e < 100000) e = e * 10 + (t[i] - '0');
    expoente += expNeg ? -e : e;
  }
  if (i != n) return false;

  int escala = expoente + casas;  // value = mantissa * 10^escala in output units
  __int128 r;
  if (escala >= 0) {
    if (escala > 38) return mantissa == 0 ? (valor = 0, true) : false;
    r = mantissa;
    for (int k = 0; k < escala; ++k) {
      if (r > std::numeric_limits<int64_t>::max()) return false;
      r *= 10;
    }
  } else if (-escala > 38) {
    r = 0;  // far below the last decimal: rounds to zero
  } else {
    __int128 div = 1;
    for (int k = 0; k < -escala; ++k) div *= 10;
    __int128 q = mantissa / div, dobro = (mantissa % div) * 2;
    // A non-zero tail beyond the digits kept puts an exact half strictly above half.
    bool sobe = dobro > div ||
                (dobro == div && (resto || modo == TArredondamento::MetadeLongeDoZero || q % 2 == 1));
    r = q + (sobe ? 1 : 0);
  }
  if (negativo) r = -r;
  if (r > std::numeric_limits<int64_t>::max() || r < std::numeric_limits<int64_t>::min()) return false;
  valor = static_cast<int64_t>(r);
  return true;
}

TMoeda MoedaDeTexto(std::string_view texto) {
  int64_t v = 0;
  if (!LerDecimal(texto, 4, TArredondamento::MetadePar, v))
    throw EValorForaDoIntervalo("'" + std::string(texto) + Utf8ParaW1252("' não é um valor decimal válido"));
  return TMoeda{v};
}

TMoeda Multiplicar(TMoeda quantidade, TMoeda valor) {
  int64_t p64;
  if (!__builtin_mul_overflow(quantidade.DezMilesimos, valor.DezMilesimos, &p64))
    return TMoeda{DividirArredondando64(p64, TMoeda::Escala, TArredondamento::MetadePar)};
  __int128 p = static_cast<__int128>(quantidade.DezMilesimos) * valor.DezMilesimos;
  __int128 r = DividirArredondando(p, 4, TArredondamento::MetadePar);
  if (r > std::numeric_limits<int64_t>::max() || r < std::numeric_limits<int64_t>::min())
    throw EValorForaDoIntervalo("Valor fora do intervalo permitido");
  return TMoeda{static_cast<int64_t>(r)};
}

int64_t ParaCentavos(TMoeda valor) {
  return DividirArredondando64(valor.DezMilesimos, 100, TArredondamento::MetadeLongeDoZero);
}

}  // namespace plataforma
