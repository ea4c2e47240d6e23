#include "platform/Texto.h"

#include <charconv>

namespace plataforma {

unsigned char MaiusculaW1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  if (c == 0x9A || c == 0x9C || c == 0x9E) return static_cast<unsigned char>(c - 0x10);
  if (c == 0xFF) return 0x9F;
  return c;
}

bool IguaisSemCaixa(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (MaiusculaW1252(static_cast<unsigned char>(a[i])) != MaiusculaW1252(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool EmBranco(std::string_view texto) { return Aparar(texto).empty(); }

std::string_view Aparar(std::string_view t) {
  auto branco = [](char c) { return c == ' ' || Controle(static_cast<unsigned char>(c)); };
  size_t i = 0, n = t.size();
  while (i < n && branco(t[i])) ++i;
  while (n > i && branco(t[n - 1])) --n;
  return t.substr(i, n - i);
}

std::optional<int64_t> LerInteiro(std::string_view texto) {
  const char* ini = texto.data();
  const char* fim = ini + texto.size();
  const bool mais = ini != fim && *ini == '+';
  if (mais) ++ini;
  if (ini == fim || (mais && *ini == '-')) return std::nullopt;
  int64_t v = 0;
  auto r = std::from_chars(ini, fim, v);
  if (r.ec != std::errc() || r.ptr != fim) return std::nullopt;
  return v;
}

std::string ComPontoFinal(std::string mensagem) {
  if (!mensagem.empty() && static_cast<unsigned char>(mensagem.back()) > static_cast<unsigned char>('.'))
    mensagem += '.';
  return mensagem;
}

}  // namespace plataforma
