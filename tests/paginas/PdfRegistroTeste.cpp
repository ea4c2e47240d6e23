// The book as PDF, with no Qt application at all, read back with pdftotext and checked by qpdf:
// the register's sheets one per page and in order, the opening and closing terms with the file's
// values, several threads at once, the pieces handed on, and failures that reach the caller. The
// numbers and dates the terms spell out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "paginas/PdfRegistro.h"
#include "platform/Win1252.h"
#include "tests/support/LeituraPdf.h"
#include "tests/support/SuporteTestes.h"

using namespace paginas;

namespace {

// A page's text line by line with runs of blanks as one: pdftotext -layout places the words by
// their positions and may shift a column by a blank.
std::vector<std::string> Palavras(const std::string& pagina) {
  std::vector<std::string> linhas;
  std::istringstream in(pagina);
  for (std::string linha; std::getline(in, linha);) {
    std::istringstream palavras(linha);
    std::string w, junta;
    while (palavras >> w) junta += (junta.empty() ? "" : " ") + w;
    if (!junta.empty()) linhas.push_back(junta);
  }
  return linhas;
}

// The register's sheets as UTF-8 text, one per form feed.
std::vector<std::string> Folhas(const std::string& registro) {
  std::vector<std::string> folhas;
  std::string utf8 = plataforma::W1252ParaUtf8(registro);
  size_t inicio = 0;
  for (size_t ff; (ff = utf8.find('\f', inicio)) != std::string::npos; inicio = ff + 1)
    folhas.push_back(utf8.substr(inicio, ff - inicio));
  folhas.push_back(utf8.substr(inicio));
  return folhas;
}

TDadosTermos Termos() {
  auto arquivo = TArquivoTermos::Analisar(
      "[Padrao]\nLivro=27\nEndereco=Rua das Acácias, 120\nMunicipio=São José\nUF=SC\nCEP=88101-000\n"
      "NIRE=42200012345\nDataRegistro=12/03/1998\nResponsavel=Maria Conceição\nCargo=Sócia-administradora\n"
      "Contador=João Lima\n",
      "termos.ini");
  return {{"COMERCIAL EXEMPLO LTDA", "12.345.678/0001-90", "123.456.789"}, arquivo.DaFilial(2), {2023, 12, 31}};
}

const std::string kRegistro =
    suporte::LerArquivo(suporte::CaminhoFonte("tests/fixtures/report/linhas_102/esperado.txt"));

// A book of 180 sheets: the three of the register sixty times.
std::string LivroGrande() {
  std::string livro = kRegistro;
  for (int i = 1; i < 60; ++i) livro += "\f" + kRegistro;
  return livro;
}

struct PdfRegistro : ::testing::Test {
  void SetUp() override {
    if (!suporte::PopplerInstalado()) GTEST_SKIP() << "pdfinfo/pdftotext (poppler-utils) not installed";
  }
  // The PDF's pages read back, once qpdf (when installed) has found its structure sound.
  std::vector<std::string> Paginas(const std::string& pdf, int* quantas = nullptr) {
    const std::string caminho = (pasta.Caminho() / "livro.pdf").string();
    std::ofstream(caminho, std::ios::binary) << pdf;
    std::string relato;
    if (suporte::QpdfInstalado()) {
      EXPECT_TRUE(suporte::QpdfAceita(caminho, &relato)) << relato;
    }
    if (quantas) *quantas = suporte::PaginasDoPdf(caminho);
    return suporte::TextoDasPaginas(caminho);
  }
  suporte::TPastaTemporaria pasta;
  const std::string& registro = kRegistro;
};

}  // namespace

TEST_F(PdfRegistro, UmaPaginaPorFolhaNaOrdemComOTextoDoRegistro) {
  // Three sheets; one sheet with accents and, on a line added to it, the bytes 0x80..0x9F of
  // Windows-1252 that Latin-1 lacks and what a PDF string escapes (a lone parenthesis too).
  const std::string acentos = suporte::LerArquivo(suporte::CaminhoFonte("tests/fixtures/report/acentos/esperado.txt")) +
                              W(" | PREÇO (EM €) – “À VISTA” … ‰ C:\\P7\\ 1) |\r\n");
  for (const auto& [bytes, numero] : {std::pair{registro, 3u}, std::pair{acentos, 1u}}) {
    int quantas = 0;
    auto paginas = Paginas(paginas::PdfRegistro(bytes, {.Titulo = "P7_2_20231231"}), &quantas);
    const auto folhas = Folhas(bytes);
    ASSERT_EQ(folhas.size(), numero);
    EXPECT_EQ(quantas, static_cast<int>(numero));
    ASSERT_EQ(paginas.size(), numero);
    for (size_t i = 0; i < folhas.size(); ++i) EXPECT_EQ(Palavras(paginas[i]), Palavras(folhas[i])) << "folha " << i;
  }
}

TEST_F(PdfRegistro, LetrasAcentuadasSaemComAsPartesDeQueSaoFeitas) {
  // The font's accented letters are made of the letter and the accent, which its subset in the
  // PDF must carry too, or they print blank: the page rendered in grey has ink.
  const std::string pdf = (pasta.Caminho() / "acentos.pdf").string(), imagem = (pasta.Caminho() / "acentos").string();
  std::ofstream(pdf, std::ios::binary) << paginas::PdfRegistro(W("ÇÃÉÔÜ\r\n"), {});
  ASSERT_EQ(std::system(("pdftoppm -gray -r 30 -singlefile '" + pdf + "' '" + imagem + "'").c_str()), 0);
  const std::string pgm = suporte::LerArquivo(imagem + ".pgm");  // P5, width, height, 255, one byte a pixel
  size_t inicio = 0;
  for (int campos = 0; campos < 4; ++campos) inicio = pgm.find_first_of(" \n", inicio) + 1;
  EXPECT_GT(std::count_if(pgm.begin() + static_cast<long>(inicio), pgm.end(),
                          [](char c) { return static_cast<unsigned char>(c) < 128; }),
            20);
}

TEST_F(PdfRegistro, TermosAbremEEncerramOLivroComOsDadosEAsFolhasNoMeio) {
  int quantas = 0;
  auto paginas = Paginas(paginas::PdfRegistro(registro, {.Titulo = "P7_2_20231231", .Termos = Termos()}), &quantas);
  EXPECT_EQ(quantas, 3 + 2);
  ASSERT_EQ(paginas.size(), 5u);
  const auto folhas = Folhas(registro);
  for (size_t i = 0; i < folhas.size(); ++i) EXPECT_EQ(Palavras(paginas[i + 1]), Palavras(folhas[i])) << "folha " << i;

  for (size_t i : {size_t{0}, size_t{4}}) {
    std::string texto;
    for (const auto& linha : Palavras(paginas[i])) texto += linha + "\n";
    EXPECT_NE(texto.find(i == 0 ? "TERMO DE ABERTURA" : "TERMO DE ENCERRAMENTO"), std::string::npos) << texto;
    EXPECT_NE(texto.find(i == 0 ? "servirá" : "serviu"), std::string::npos) << texto;
    // The sheets it holds, the stock date, the book, the company and the file's values.
    for (const char* trecho :
         {"Contém este livro 3 (três) folhas numeradas de 2 a 4", "Livro Registro de Inventário - Modelo P7",
          "NÚMERO DE ORDEM: 27", "ESTOQUES EXISTENTES EM: 31/12/2023", "RAZÃO SOCIAL: COMERCIAL EXEMPLO LTDA",
          "CNPJ: 12.345.678/0001-90", "INSCRIÇÃO ESTADUAL: 123.456.789", "ENDEREÇO: Rua das Acácias, 120",
          "MUNICÍPIO: São José", "UF: SC", "CEP: 88101-000", "NIRE: 42200012345",
          "REGISTRO NA JUNTA COMERCIAL EM: 12/03/1998", "São José - SC, 31 de dezembro de 2023.",
          "| Maria Conceição João Lima |", "| Sócia-administradora |"})
      EXPECT_NE(texto.find(trecho), std::string::npos) << trecho << "\n" << texto;
    EXPECT_EQ(texto.find("CRC"), std::string::npos) << texto;  // missing: its line stays blank
  }
  EXPECT_EQ(Termos().Valores.Aviso, "Termos da filial 2: falta CRC; a linha fica em branco.");
}

TEST_F(PdfRegistro, VariasThreadsDesenhamAoMesmoTempoOMesmoTexto) {
  const TOpcoesPdfRegistro opcoes{.Titulo = "t", .Termos = Termos()};
  const auto esperado = Paginas(paginas::PdfRegistro(registro, opcoes));
  std::string pdfs[3];
  std::vector<std::thread> threads;
  for (auto& pdf : pdfs) threads.emplace_back([&] { pdf = paginas::PdfRegistro(registro, opcoes); });
  for (auto& t : threads) t.join();
  for (const auto& pdf : pdfs) EXPECT_EQ(Paginas(pdf), esperado);
}

TEST_F(PdfRegistro, UmLivroGrandeChegaEmPedacosSemQueOPdfInteiroSeJunte) {
  std::vector<size_t> pedacos;
  std::string pdf;
  EscreverPdfRegistro(LivroGrande(), {.Titulo = "grande"}, [&](std::string_view pedaco) {
    pedacos.push_back(pedaco.size());
    pdf += pedaco;
  });
  EXPECT_GE(pedacos.size(), 4u);
  EXPECT_LE(*std::max_element(pedacos.begin(), pedacos.end()), size_t{96 << 10});  // 64 KB and one object
  int quantas = 0;
  const auto paginas = Paginas(pdf, &quantas);
  EXPECT_EQ(quantas, 180);
  ASSERT_EQ(paginas.size(), 180u);
  EXPECT_EQ(Palavras(paginas[179]), Palavras(Folhas(registro)[2]));
  // A balanced page tree (no /Kids beyond 64, so a million products stay far below the 8,191
  // elements of a PDF 1.4 reader's arrays), and the metadata a document has.
  size_t maior = 0, nos = 0;
  for (size_t p = pdf.find("/Kids ["); p != std::string::npos; p = pdf.find("/Kids [", p + 1), ++nos) {
    const std::string kids = pdf.substr(p, pdf.find(']', p) - p);
    maior = std::max<size_t>(maior, std::count(kids.begin(), kids.end(), 'R'));
  }
  EXPECT_EQ(nos, 4u);  // the root and three nodes of 64, 64 and 52 sheets
  EXPECT_LE(maior, 64u);
  for (const char* chave : {"/Producer <FEFF", "/CreationDate (D:", "/ModDate (D:"})
    EXPECT_NE(pdf.find(chave), std::string::npos) << chave;
  const size_t trailer = pdf.rfind("trailer");
  ASSERT_NE(trailer, std::string::npos);
  EXPECT_NE(pdf.find("/ID [<", trailer), std::string::npos);
}

TEST(PdfRegistroFalhas, RegistroVazioFonteRuimEErroDoDestinoChegamAoChamador) {
  EXPECT_THROW(paginas::PdfRegistro("", {}), EErroPdf);
  // A font that is not there; one cut short (the table directory points past its end); one whose
  // cmap table ends after its records, so that the character map lies outside it (the subset
  // embedded would have none); one that names head twice, the second too short for the subset's
  // own head.
  suporte::TPastaTemporaria pasta;
  const std::string liberation = suporte::LerArquivo(CaminhoFonteRegistro());
  pasta.EscreverArquivo("cortada.ttf", liberation.substr(0, 4000));
  auto u16 = [&](size_t o) { return size_t(uint8_t(liberation[o])) << 8 | uint8_t(liberation[o + 1]); };
  auto entrada = [&](const char* etiqueta) {  // its place in the table directory
    size_t r = 12;
    while (r < 12 + 16 * u16(4) && liberation.compare(r, 4, etiqueta) != 0) r += 16;
    return r;
  };
  auto comTamanho = [](std::string fonte, size_t entrada, size_t tamanho) {
    for (int k = 0; k < 4; ++k) fonte[entrada + 12 + k] = static_cast<char>(tamanho >> (24 - 8 * k));
    return fonte;
  };
  const size_t cmap = entrada("cmap"), post = entrada("post");
  pasta.EscreverArquivo("mapa_fora.ttf",
                        comTamanho(liberation, cmap, 4 + 8 * u16((u16(cmap + 8) << 16 | u16(cmap + 10)) + 2)));
  pasta.EscreverArquivo("cabeca_dupla.ttf", comTamanho(liberation, post, 49).replace(post, 4, "head"));
  const TFolhasW1252 folhas(kRegistro);
  const TFolhasPdf pdf{folhas.Quantas(), folhas.LarguraMaxima(), folhas.LinhasMaximas(),
                       [&](int i) { return folhas.Linhas(i); }};
  for (const std::string& fonte :
       {(pasta.Caminho() / "nao_ha.ttf").string(), (pasta.Caminho() / "cortada.ttf").string(),
        (pasta.Caminho() / "mapa_fora.ttf").string(), (pasta.Caminho() / "cabeca_dupla.ttf").string()}) {
    try {
      EscreverPdfTexto(pdf, {"t", "c", fonte}, [](std::string_view) { ADD_FAILURE() << "a PDF without its font"; });
      ADD_FAILURE() << fonte;
    } catch (const EErroPdf& e) {
      EXPECT_NE(std::string(e.what()).find(fonte), std::string::npos) << e.what();
    }
  }
  int chamadas = 0;
  try {
    EscreverPdfRegistro(LivroGrande(), {}, [&](std::string_view) {
      ++chamadas;
      throw std::runtime_error("disco cheio");
    });
    ADD_FAILURE() << "the writer's error was lost";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "disco cheio");
  }
  EXPECT_EQ(chamadas, 1);  // nothing more is handed over after a failure
}

TEST(TermosPorExtenso, NumerosNoFemininoDeFolhasEDatas) {
  const std::pair<int, const char*> casos[] = {
      {1, "uma"},
      {2, "duas"},
      {14, "quatorze"},
      {21, "vinte e uma"},
      {53, "cinquenta e três"},
      {100, "cem"},
      {101, "cento e uma"},
      {252, "duzentas e cinquenta e duas"},
      {1000, "mil"},
      {1001, "mil e uma"},
      {1100, "mil e cem"},
      {1234, "mil duzentas e trinta e quatro"},
      {2000, "duas mil"},
      {21500, "vinte e uma mil e quinhentas"},
      {999999, "novecentas e noventa e nove mil novecentas e noventa e nove"},
  };
  for (const auto& [n, extenso] : casos) EXPECT_EQ(NumeroPorExtenso(n), W(extenso)) << n;
  EXPECT_EQ(NumeroPorExtenso(1000000), "");
  EXPECT_EQ(DataPorExtenso({2025, 12, 31}), "31 de dezembro de 2025");
  EXPECT_EQ(DataPorExtenso({2026, 3, 1}), W("1º de março de 2026"));
}
