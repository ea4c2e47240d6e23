#include "platform/IniPerfil.h"

#include <fstream>
#include <string_view>

#include "platform/Texto.h"

namespace plataforma {
namespace {

bool EhBrancoIni(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The ini's own blanks: blanks, tabs and line ends, not every control character.
std::string_view ApararIni(std::string_view s) {
  while (!s.empty() && EhBrancoIni(s.front())) s.remove_prefix(1);
  while (!s.empty() && EhBrancoIni(s.back())) s.remove_suffix(1);
  return s;
}

std::string Limitar(std::string_view v) {
  if (v.size() > kTamanhoBufferPerfil - 1) v = v.substr(0, kTamanhoBufferPerfil - 1);
  return std::string(v);
}

}  // namespace

std::string LerPerfilPrivado(const std::string& secao, const std::string& chave, const std::string& padrao,
                             const std::string& arquivo) {
  std::ifstream f(arquivo, std::ios::binary);
  if (!f) return Limitar(padrao);
  std::string linha;
  bool naSecao = false;
  bool secaoVista = false;
  bool primeira = true;
  while (std::getline(f, linha)) {
    std::string_view l = linha;
    // A file saved as UTF-8 by a text editor may begin with a byte order mark; it would hide the
    // first section.
    if (primeira && l.starts_with("\xEF\xBB\xBF")) l.remove_prefix(3);
    primeira = false;
    l = ApararIni(l);
    if (l.empty() || l.front() == ';') continue;
    if (l.front() == '[') {
      if (secaoVista) break;  // only the first section of this name counts
      auto fim = l.find(']');
      std::string_view nome = ApararIni(l.substr(1, fim == std::string_view::npos ? l.size() - 1 : fim - 1));
      naSecao = IguaisSemCaixa(nome, secao);
      secaoVista = naSecao;
      continue;
    }
    if (!naSecao) continue;
    auto igual = l.find('=');
    if (igual == std::string_view::npos) continue;
    if (!IguaisSemCaixa(ApararIni(l.substr(0, igual)), chave)) continue;
    std::string_view valor = ApararIni(l.substr(igual + 1));
    if (valor.size() >= 2 && (valor.front() == '"' || valor.front() == '\'') && valor.back() == valor.front())
      valor = valor.substr(1, valor.size() - 2);
    return Limitar(valor);
  }
  return Limitar(padrao);
}

}  // namespace plataforma
