#include "efd/AberturaEfd.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "efd/BlocoH.h"
#include "platform/Win1252.h"

namespace efd {

namespace {

// The 0000 is short; a first line longer than this is no 0000.
constexpr size_t LimitePrimeiraLinha = 4096;

bool LerDataEfd(std::string_view t, plataforma::TDataHora& d) {
  if (t.size() != 8 || t.find_first_not_of("0123456789") != std::string_view::npos) return false;
  auto n = [&](size_t i, size_t k) {
    int v = 0;
    for (size_t j = i; j < i + k; ++j) v = v * 10 + (t[j] - '0');
    return v;
  };
  d = {n(4, 4), n(2, 2), n(0, 2)};
  static constexpr int dias[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d.Ano < 1 || d.Mes < 1 || d.Mes > 12 || d.Dia < 1 || d.Dia > dias[d.Mes - 1]) return false;
  const bool bissexto = (d.Ano % 4 == 0 && d.Ano % 100 != 0) || d.Ano % 400 == 0;
  return !(d.Mes == 2 && d.Dia == 29 && !bissexto);
}

std::string TextoErro(int erro) { return plataforma::Utf8ParaW1252(std::generic_category().message(erro)); }

}  // namespace

std::string NomeArquivoEfd(const std::filesystem::path& arquivo) { return plataforma::Utf8ParaW1252(arquivo.string()); }

std::optional<TAberturaEfd> LerRegistro0000(std::string_view linha) {
  while (!linha.empty() && (linha.back() == '\n' || linha.back() == '\r')) linha.remove_suffix(1);
  if (linha.substr(0, 6) != "|0000|" || linha.back() != '|' || std::count(linha.begin(), linha.end(), '|') < 16)
    return std::nullopt;
  TAberturaEfd a;
  if (!LerDataEfd(CampoEfd(linha, campo::DtIni0000), a.DataInicial) ||
      !LerDataEfd(CampoEfd(linha, campo::DtFin0000), a.DataFinal))
    return std::nullopt;
  for (char c : CampoEfd(linha, campo::Cnpj0000))
    if (c >= '0' && c <= '9') a.Cnpj += c;
  a.Perfil = std::string(CampoEfd(linha, campo::IndPerfil0000));
  return a;
}

std::optional<TAberturaEfd> LerAbertura(const std::filesystem::path& arquivo) {
  std::FILE* f = std::fopen(arquivo.c_str(), "rb");
  if (!f) throw EArquivoEfd(W("Não foi possível ler \"") + NomeArquivoEfd(arquivo) + "\": " + TextoErro(errno));
  char texto[LimitePrimeiraLinha];
  const size_t n = std::fread(texto, 1, sizeof texto, f);
  const bool falhou = std::ferror(f);
  const int erro = errno;
  std::fclose(f);
  if (falhou) throw EArquivoEfd(W("Não foi possível ler \"") + NomeArquivoEfd(arquivo) + "\": " + TextoErro(erro));
  const char* fim = static_cast<const char*>(std::memchr(texto, '\n', n));
  if (!fim && n == sizeof texto) return std::nullopt;
  return LerRegistro0000(std::string_view(texto, fim ? fim - texto : n));
}

TIndiceEfd IndexarPasta(const std::filesystem::path& pasta) {
  std::vector<std::filesystem::path> arquivos;
  std::error_code erro;
  std::filesystem::directory_iterator it(pasta, erro), fim;
  for (; !erro && it != fim; it.increment(erro)) {
    std::error_code e;
    if (it->is_regular_file(e)) arquivos.push_back(it->path());
  }
  if (erro)
    throw EArquivoEfd(W("Não foi possível ler a pasta \"") + NomeArquivoEfd(pasta) + "\": " + TextoErro(erro.value()));
  std::sort(arquivos.begin(), arquivos.end());

  TIndiceEfd indice;
  for (const auto& arquivo : arquivos) {
    std::optional<TAberturaEfd> abertura;
    try {
      abertura = LerAbertura(arquivo);
    } catch (const EArquivoEfd& e) {
      indice.Avisos.push_back(W("arquivo ignorado: ") + e.what());
      continue;
    }
    if (!abertura)
      indice.Avisos.push_back("arquivo \"" + NomeArquivoEfd(arquivo) +
                              W("\" ignorado: a primeira linha não é um registro 0000 da EFD ICMS/IPI"));
    else if (abertura->Cnpj.empty())
      indice.Avisos.push_back("arquivo \"" + NomeArquivoEfd(arquivo) + W("\" ignorado: o registro 0000 não tem CNPJ"));
    else
      indice.PorCnpj[abertura->Cnpj].push_back(arquivo);
  }
  return indice;
}

}  // namespace efd
