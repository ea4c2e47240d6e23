#include "settings/UConfigSistemaKOT.h"

#include <climits>
#include <cstdint>
#include <optional>
#include <chrono>
#include <random>

#include "platform/IniPerfil.h"
#include "platform/Programa.h"
#include "platform/Texto.h"

namespace {

int DigitoHex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads up to two hex digits; the message is the one the suite's other programs show.
int LerHex(const std::string& peca) {
  int v = 0;
  bool valido = !peca.empty();
  for (char c : peca) {
    int d = DigitoHex(c);
    if (d < 0) valido = false;
    v = v * 16 + (d < 0 ? 0 : d);
  }
  if (!valido) throw EConvertError("'$" + peca + "' is not a valid integer value");
  return v;
}

// Key characters one after the other, starting again after the last.
class TChave {
 public:
  explicit TChave(const std::string& chave) : chave_(chave) {}
  int Proximo() {
    const int l = static_cast<int>(chave_.size());
    k_ = k_ < l ? k_ + 1 : 1;
    return l == 0 ? 0 : static_cast<unsigned char>(chave_[static_cast<size_t>(k_ - 1)]);
  }

 private:
  const std::string& chave_;
  int k_ = 0;
};

void AnexarHex(std::string& s, int v) {
  static const char* const kDigitos = "0123456789ABCDEF";
  s += kDigitos[(v >> 4) & 15];
  s += kDigitos[v & 15];
}

int SementeAleatoria() {
  // The clock mixed with the system's entropy: a different seed on every call.
  static std::mt19937 gerador(std::random_device{}() ^
                              static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return std::uniform_int_distribution<int>(0, 255)(gerador);
}

std::string Embaralhar(const std::string& texto, const std::string& chave) {
  const int semente = SementeAleatoria();
  std::string r;
  r.reserve(2 + 2 * texto.size());
  AnexarHex(r, semente);
  int anterior = semente;
  TChave k(chave);
  for (unsigned char c : texto) {
    const int soma = (c + anterior) % 255;
    const int saida = soma ^ k.Proximo();
    AnexarHex(r, saida);
    anterior = saida;
  }
  return r;
}

std::string Desembaralhar(const std::string& texto, const std::string& chave) {
  int anterior = LerHex(texto.substr(0, 2));
  size_t p = 3;  // 1-based, like the stored form's description
  TChave k(chave);
  std::string r;
  do {
    const int entrada = LerHex(p - 1 < texto.size() ? texto.substr(p - 1, 2) : std::string());
    const int soma = entrada ^ k.Proximo();
    const int codigo = anterior < soma ? soma - anterior : soma + 255 - anterior;
    r += static_cast<char>(static_cast<unsigned char>(codigo));
    anterior = entrada;
    p += 2;
  } while (texto.size() > p);
  return r;
}

}  // namespace

std::string TConfigSistemaKOT::ConfigFileName() { return plataforma::PastaPrograma() + "sistema_kot.ini"; }

std::string TConfigSistemaKOT::ReadSetting(const std::string& Section, const std::string& Ident,
                                           const std::string& Default, const std::string& arquivo) {
  return plataforma::LerPerfilPrivado(Section, Ident, Default, arquivo);
}

int TConfigSistemaKOT::GetCodLogica(const std::string& arquivo) {
  // Not an integer, or beyond 32 bits: 0.
  std::optional<int64_t> v = plataforma::LerInteiro(ReadSetting("FilialMatriz", "CodLogica", "0", arquivo));
  return v && *v >= INT32_MIN && *v <= INT32_MAX ? static_cast<int32_t>(*v) : 0;
}

std::string TConfigSistemaKOT::GetPermissao() {
  // Nothing in this program grants a viewer permission.
  return {};
}

std::string ScrambleText(const std::string& Mode, const std::string& Text, const std::string& Key) {
  if (Mode == "E") return Embaralhar(Text, Key);
  if (Mode == "D") return Desembaralhar(Text, Key);
  return {};
}

std::string DescramblePassword(const std::string& Text, const std::string& Key) {
  if (plataforma::EmBranco(Text)) return {};
  return ScrambleText("D", Text, Key);
}
