// The register, composed without a window and written by the real writer, against the files of
// tests/fixtures/report/<case>/ (computed by gerar.py from the layout, not by this program).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <sstream>

#include "livro/ComposicaoP7.h"
#include "common/Utils.h"
#include "platform/Regional.h"
#include "report/urelatorio.h"
#include "tests/support/SuporteTestes.h"

namespace fs = std::filesystem;

namespace {

fs::path PastaCasos() { return suporte::CaminhoFonte("tests/fixtures/report"); }

std::vector<std::string> Casos() {
  std::vector<std::string> r;
  for (auto& e : fs::directory_iterator(PastaCasos()))
    if (fs::exists(e.path() / "esperado.txt")) r.push_back(e.path().filename().string());
  std::sort(r.begin(), r.end());
  return r;
}

std::vector<std::string> Dividir(const std::string& s, char sep) {
  std::vector<std::string> r;
  size_t i = 0;
  while (true) {
    size_t f = s.find(sep, i);
    r.push_back(s.substr(i, f == std::string::npos ? std::string::npos : f - i));
    if (f == std::string::npos) return r;
    i = f + 1;
  }
}

// "\N" is NULL, "\t" a tab, "\xHH" the character of that code, "\\" a backslash.
std::optional<std::string> Campo(const std::string& t) {
  if (t == "\\N") return std::nullopt;
  std::string r;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\\' && i + 3 < t.size() && t[i + 1] == 'x') {
      r += static_cast<char>(std::stoi(t.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else if (t[i] == '\\' && i + 1 < t.size()) {
      r += t[i + 1] == 't' ? '\t' : t[i + 1];
      ++i;
    } else {
      r += t[i];
    }
  }
  return r;
}

std::vector<TLinhaMemoriaP7> LerLinhas(const fs::path& arquivo) {
  std::vector<TLinhaMemoriaP7> r;
  auto linhas = Dividir(suporte::LerArquivo(arquivo), '\n');
  for (size_t i = 1; i < linhas.size(); ++i) {  // the first line names the columns
    if (linhas[i].empty()) continue;
    auto c = Dividir(linhas[i], '\t');
    if (c.size() != 5) throw std::runtime_error("linha mal formada em " + arquivo.string());
    r.push_back({Campo(c[0]), Campo(c[1]), Campo(c[2]), Campo(c[3]), Campo(c[4])});
  }
  return r;
}

void LerParametros(const fs::path& arquivo, TParamsRelatorio& params, TFilial& filial) {
  for (const std::string& l : Dividir(suporte::LerArquivo(arquivo), '\n')) {
    size_t igual = l.find('=');
    if (igual == std::string::npos) continue;
    std::string chave = l.substr(0, igual), valor = l.substr(igual + 1);
    if (chave == "data") {
      params.DataEstoque = {std::stoi(valor.substr(0, 4)), std::stoi(valor.substr(5, 2)),
                            std::stoi(valor.substr(8, 2))};
    } else if (chave == "razao_social") {
      filial.RazaoSocial = *Campo(valor);
    } else if (chave == "inscricao_estadual") {
      filial.InscricaoEstadual = *Campo(valor);
    } else if (chave == "cnpj") {
      filial.Cnpj = *Campo(valor);
    }
  }
}

// Where two files first differ, as a readable line number and the two lines.
std::string PrimeiraDiferenca(const std::string& obtido, const std::string& esperado) {
  auto a = Dividir(obtido, '\n'), b = Dividir(esperado, '\n');
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    std::string x = i < a.size() ? a[i] : "<fim>", y = i < b.size() ? b[i] : "<fim>";
    if (x != y) {
      std::ostringstream s;
      s << "linha " << i + 1 << "\n obtido:   [" << x << "]\n esperado: [" << y << "]";
      return s.str();
    }
  }
  return "iguais";
}

// The register of a case, composed and written by the real writer under the settings in force.
std::string RegistroDoCaso(const fs::path& caso) {
  suporte::TPastaProgramaTeste pasta;  // no visualizador there: nothing is started
  TParamsRelatorio params;
  TFilial filial;
  LerParametros(caso / "parametros.txt", params, filial);
  TFonteMemoriaP7 linhas(LerLinhas(caso / "linhas.tsv"));
  TImpressao impressao(params, PrimeiraFolhaP7);
  ComporRegistroP7(params, filial, linhas, impressao);
  impressao.EmitirRelatorio("");
  return suporte::LerArquivo(pasta.Caminho() / "relatorio" / "relatorio.txt");
}

class RegistroP7 : public testing::TestWithParam<std::string> {};

TEST_P(RegistroP7, ArquivoIgualAoEsperado) {
  suporte::TRegionalBrasil br;
  fs::path caso = PastaCasos() / GetParam();
  std::string obtido = RegistroDoCaso(caso);
  std::string esperado = suporte::LerArquivo(caso / "esperado.txt");
  EXPECT_TRUE(obtido == esperado) << PrimeiraDiferenca(obtido, esperado);
}

INSTANTIATE_TEST_SUITE_P(Casos, RegistroP7, testing::ValuesIn(Casos()),
                         [](const testing::TestParamInfo<std::string>& i) { return i.param; });

// Under US settings (M/d/yy, 1,234.56) the window's register has one date text on every sheet: the
// first sheet's day/month/year, never the locale's short date.
TEST(RegistroP7Regional, UmaDataEmTodasAsFolhasForaDoBrasil) {
  suporte::TRegionalBrasil br;  // puts the Brazilian settings back afterwards
  plataforma::TFormatSettings eua;
  eua.ShortDateFormat = "m/d/yyyy";
  eua.DecimalSeparator = '.';
  eua.ThousandSeparator = ',';
  plataforma::DefinirFormatSettings(eua);
  std::istringstream arquivo(RegistroDoCaso(PastaCasos() / "linhas_102"));
  std::vector<std::string> datas;
  for (std::string l; std::getline(arquivo, l);) {
    size_t p = l.find("ESTOQUES EXISTENTES EM: ");
    if (p != std::string::npos) datas.push_back(l.substr(p + 24, 10));
  }
  EXPECT_EQ(datas, std::vector<std::string>(3, "31/12/2023"));
}

}  // namespace

TEST(TextoQuantidade, SoAsCasasQueTem) {
  suporte::TRegionalBrasil br;
  EXPECT_EQ(TextoQuantidade("2.5000"), "2,5");
  EXPECT_EQ(TextoQuantidade("3.0000"), "3");
  EXPECT_EQ(TextoQuantidade("3"), "3");
  EXPECT_EQ(TextoQuantidade("-1.2500"), "-1,25");
  EXPECT_EQ(TextoQuantidade("0.1235"), "0,1235");
  EXPECT_EQ(TextoQuantidade("-0.00001"), "0");
  EXPECT_EQ(TextoQuantidade("10"), "10");
  EXPECT_EQ(TextoQuantidade("0.0100"), "0,01");
  EXPECT_EQ(TextoQuantidade("1234567.0001"), "1234567,0001");
  EXPECT_EQ(TextoQuantidade(plataforma::TMoeda{INT64_MIN}), "-922337203685477,5808");
  EXPECT_EQ(TextoQuantidade(plataforma::TMoeda{INT64_MAX}), "922337203685477,5807");
}

// The composition grows linearly: a million products is a real register.
TEST(ComposicaoP7, UmMilhaoDeProdutos) {
  suporte::TRegionalBrasil br;
  suporte::TPastaProgramaTeste pasta;
  const size_t n = 1000000;
  std::vector<TLinhaMemoriaP7> linhas(n);
  for (size_t i = 0; i < n; ++i)
    linhas[i] = {std::string("84713012"), "PRODUTO " + std::to_string(i), std::string("UN"), std::string("1"),
                 std::string("0.0100")};
  TFonteMemoriaP7 fonte(std::move(linhas));
  TParamsRelatorio params;
  params.DataEstoque = {2023, 12, 31};
  TImpressao impressao(params, PrimeiraFolhaP7);
  ComporRegistroP7(params, TFilial{}, fonte, impressao);
  impressao.EmitirRelatorio("");

  fs::path arquivo = pasta.Caminho() / "relatorio" / "relatorio.txt";
  // Body lines: the rows, one separator per 50, the final block of five.
  const size_t corpo = n + n / 50 + 5, paginas = (corpo + 50) / 51;
  const size_t linhasArquivo = 1 + 18 * paginas + corpo;
  // Each page header: two empty lines, two of " ", the title (136) and 13 lines of 137.
  const size_t cabecalho = 2 + 2 + 4 + 138 + 4 + 13 * 139;
  const size_t bytes = 2 + paginas * cabecalho + (paginas - 1) + (n + n / 50) * 139 + 139 + 2 + 129 + 2 + 139;
  EXPECT_EQ(fs::file_size(arquivo), bytes);
  std::string conteudo = suporte::LerArquivo(arquivo);
  EXPECT_EQ(static_cast<size_t>(std::count(conteudo.begin(), conteudo.end(), '\n')), linhasArquivo);
  EXPECT_EQ(static_cast<size_t>(std::count(conteudo.begin(), conteudo.end(), '\f')), paginas - 1);
  EXPECT_NE(conteudo.find("Total Geral: 10.000,00\r\n"), std::string::npos);
}
