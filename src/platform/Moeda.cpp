#include "platform/Moeda.h"

#include <array>
#include <cctype>
#include <cstring>
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
  if (digitos <= 18 && valor > std::numeric_limits<int64_t>::min() / 2 &&
      valor < std::numeric_limits<int64_t>::max() / 2) {
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
  if (dobro > div || (dobro == div && (modo == TArredondamento::MetadeLongeDoZero || (q % 2) == 1))) ++q;
  return negativo ? -q : q;
}

namespace {

// A decimal text read as mantissa x 10^expoente: up to 30 significant digits in 128 bits, a
// sticky flag for any non-zero digit beyond them (it only matters for rounding).
struct TDecimalLido {
  bool Negativo = false, Resto = false;
  __int128 Mantissa = 0;
  int Expoente = 0;
};

// Sign, digits with at most one ".", and an exponent; blanks around the whole text. False for
// anything else.
bool LerPartesDecimal(std::string_view t, TDecimalLido& d) {
  size_t i = 0, n = t.size();
  while (i < n && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
  while (n > i && std::isspace(static_cast<unsigned char>(t[n - 1]))) --n;
  if (i < n && (t[i] == '+' || t[i] == '-')) d.Negativo = t[i++] == '-';
  int significativos = 0;
  bool algumDigito = false, pontoVisto = false;
  for (; i < n; ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9') {
      algumDigito = true;
      if (significativos < 30) {
        d.Mantissa = d.Mantissa * 10 + (c - '0');
        if (d.Mantissa != 0) ++significativos;
        if (pontoVisto) --d.Expoente;
      } else {
        if (c != '0') d.Resto = true;
        if (!pontoVisto) ++d.Expoente;
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
    d.Expoente += expNeg ? -e : e;
  }
  return i == n;
}

// The number scaled to 10^casas, rounded as `modo` says; false when it does not fit in 64 bits.
bool EscalarDecimal(const TDecimalLido& d, int casas, TArredondamento modo, int64_t& valor) {
  int escala = d.Expoente + casas;  // value = mantissa * 10^escala in output units
  __int128 r;
  if (escala >= 0) {
    if (escala > 38) return d.Mantissa == 0 ? (valor = 0, true) : false;
    r = d.Mantissa;
    for (int k = 0; k < escala; ++k) {
      if (r > std::numeric_limits<int64_t>::max()) return false;
      r *= 10;
    }
  } else if (-escala > 38) {
    r = 0;  // far below the last decimal: rounds to zero
  } else {
    __int128 div = 1;
    for (int k = 0; k < -escala; ++k) div *= 10;
    __int128 q = d.Mantissa / div, dobro = (d.Mantissa % div) * 2;
    // A non-zero tail beyond the digits kept puts an exact half strictly above half.
    bool sobe = dobro > div || (dobro == div && (d.Resto || modo == TArredondamento::MetadeLongeDoZero || q % 2 == 1));
    r = q + (sobe ? 1 : 0);
  }
  if (d.Negativo) r = -r;
  if (r > std::numeric_limits<int64_t>::max() || r < std::numeric_limits<int64_t>::min()) return false;
  valor = static_cast<int64_t>(r);
  return true;
}

}  // namespace

bool LerDecimal(std::string_view t, int casas, TArredondamento modo, int64_t& valor) {
  if (LerDecimalCurto(t, casas, modo, valor)) return true;
  TDecimalLido d;
  return LerPartesDecimal(t, d) && EscalarDecimal(d, casas, modo, valor);
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

namespace {

// "000" to "999": a whole group of digits at a time.
constexpr std::array<std::array<char, 3>, 1000> TresDigitos = [] {
  std::array<std::array<char, 3>, 1000> t{};
  for (unsigned i = 0; i < 1000; ++i)
    t[i] = {static_cast<char>('0' + i / 100), static_cast<char>('0' + i / 10 % 10), static_cast<char>('0' + i % 10)};
  return t;
}();

}  // namespace

size_t EscreverDecimal(char* destino, int64_t valor, int casas, char separadorDecimal, char separadorMilhar,
                       bool semZerosFinais) {
  // Unsigned so that the most negative value has a magnitude too; written from the end.
  const bool negativo = valor < 0;
  uint64_t absoluto = negativo ? uint64_t(0) - static_cast<uint64_t>(valor) : static_cast<uint64_t>(valor);
  char texto[TamanhoTextoDecimal];
  char* p = texto + sizeof texto;
  if (casas > 0) {
    uint64_t escala = 1;
    for (int i = 0; i < casas; ++i) escala *= 10;
    uint64_t fracao = absoluto % escala;
    absoluto /= escala;
    int digitos = casas;
    if (semZerosFinais)
      for (; digitos > 0 && fracao % 10 == 0; --digitos) fracao /= 10;
    for (int i = 0; i < digitos; ++i, fracao /= 10) *--p = static_cast<char>('0' + fracao % 10);
    if (digitos > 0) *--p = separadorDecimal;
  }
  for (; absoluto >= 1000; absoluto /= 1000) {
    p -= 3;
    std::memcpy(p, TresDigitos[absoluto % 1000].data(), 3);
    if (separadorMilhar != '\0') *--p = separadorMilhar;
  }
  do {
    *--p = static_cast<char>('0' + absoluto % 10);
    absoluto /= 10;
  } while (absoluto != 0);
  if (negativo) *--p = '-';
  const size_t n = static_cast<size_t>(texto + sizeof texto - p);
  std::memcpy(destino, p, n);
  return n;
}

int64_t ParaCentavos(TMoeda valor) {
  return DividirArredondando64(valor.DezMilesimos, 100, TArredondamento::MetadeLongeDoZero);
}

}  // namespace plataforma
