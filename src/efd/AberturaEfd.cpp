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

int AnoMesDia(const plataforma::TDataHora& d) { return d.Ano * 10000 + d.Mes * 100 + d.Dia; }

// The layout versions and the periods they are in force for, from the table of layout versions of
// the Guia Prático da EFD ICMS/IPI. The last one stays in force until the next is known; a year
// with a new layout adds its line here.
struct TVersaoLeiaute {
  const char* Codigo;
  int Inicio, Fim;  // aaaammdd; Fim 0: in force from Inicio on
};
constexpr TVersaoLeiaute kVersoes[] = {
    {"001", 20080101, 20081231}, {"002", 20090101, 20091231}, {"003", 20100101, 20101231}, {"004", 20110101, 20111231},
    {"005", 20120101, 20120630}, {"006", 20120701, 20121231}, {"007", 20130101, 20131231}, {"008", 20140101, 20141231},
    {"009", 20150101, 20151231}, {"010", 20160101, 20161231}, {"011", 20170101, 20171231}, {"012", 20180101, 20181231},
    {"013", 20190101, 20191231}, {"014", 20200101, 20201231}, {"015", 20210101, 20211231}, {"016", 20220101, 20221231},
    {"017", 20230101, 20231231}, {"018", 20240101, 20241231}, {"019", 20250101, 20251231}, {"020", 20260101, 0},
};

}  // namespace

std::string DataLegivel(const plataforma::TDataHora& d) {
  char t[32];
  std::snprintf(t, sizeof t, "%02d/%02d/%04d", d.Dia, d.Mes, d.Ano);
  return t;
}

std::string VersaoLeiaute(const plataforma::TDataHora& inicio, const plataforma::TDataHora& fim) {
  const int de = AnoMesDia(inicio), ate = AnoMesDia(fim);
  for (const TVersaoLeiaute& v : kVersoes)
    if (v.Inicio <= de && (v.Fim == 0 || ate <= v.Fim)) return v.Codigo;
  return "";
}

std::string ValidarAbertura(const TAberturaEfd& a) {
  const std::string periodo = DataLegivel(a.DataInicial) + " a " + DataLegivel(a.DataFinal);
  const std::string versao = VersaoLeiaute(a.DataInicial, a.DataFinal);
  if (versao.empty())
    return W("o campo COD_VER do registro 0000 é \"") + a.Versao + W("\", mas não há versão do leiaute conhecida ") +
           W("para o período de ") + periodo;
  if (a.Versao != versao)
    return W("o campo COD_VER do registro 0000 é \"") + a.Versao +
           W("\", que não é a versão do leiaute do período de ") + periodo + " (" + versao + ")";
  if (a.Finalidade != "0" && a.Finalidade != "1")
    return W("o campo COD_FIN do registro 0000 é \"") + a.Finalidade +
           W("\"; só 0 (remessa do arquivo original) e 1 (remessa do arquivo substituto) são válidos");
  return "";
}

std::string FaltaContaContabil(const TAberturaEfd& a, std::string_view conta) {
  if ((a.Perfil != "A" && a.Perfil != "B") || !conta.empty()) return "";
  return "o arquivo tem o perfil " + a.Perfil +
         W(", que exige a conta contábil (COD_CTA) em cada H010: informe --conta-contabil");
}

std::string NomeArquivoEfd(const std::filesystem::path& arquivo) { return plataforma::Utf8ParaW1252(arquivo.string()); }

std::optional<TAberturaEfd> LerRegistro0000(std::string_view linha) {
  while (!linha.empty() && (linha.back() == '\n' || linha.back() == '\r')) linha.remove_suffix(1);
  if (linha.substr(0, 6) != "|0000|" || linha.back() != '|' || std::count(linha.begin(), linha.end(), '|') < 16)
    return std::nullopt;
  TAberturaEfd a;
  a.Versao = std::string(CampoEfd(linha, campo::CodVer0000));
  a.Finalidade = std::string(CampoEfd(linha, campo::CodFin0000));
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
