// The viewer's windowless logic: command line, Windows-1252 reading, pages, fitting, search.
#include <gtest/gtest.h>

#include "platform/Win1252.h"
#include "tests/support/SuporteTestes.h"
#include "viewer/NucleoVisualizador.h"

using namespace visualizador;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

TEST(ArgumentosVisualizador, AceitaAFormaDaLinhaDeComandoDaFerramenta) {
  auto r = AnalisarArgumentos({"/opt/p7/relatorio/relatorio.txt", "132", "permissao_"});
  ASSERT_TRUE(r.Argumentos) << r.Erro.toStdString();
  EXPECT_EQ(r.Argumentos->Arquivo, "/opt/p7/relatorio/relatorio.txt");
  EXPECT_EQ(r.Argumentos->Colunas, 132);
  EXPECT_EQ(r.Argumentos->Permissao, "");
  auto comTexto = AnalisarArgumentos({"a b.txt", "132", "permissao_gerente"});
  ASSERT_TRUE(comTexto.Argumentos);
  EXPECT_EQ(comTexto.Argumentos->Permissao, "gerente");
  EXPECT_EQ(comTexto.Argumentos->Arquivo, "a b.txt");
}

TEST(ArgumentosVisualizador, FormasErradasDaoMensagemClaraComOUso) {
  struct Caso {
    QStringList args;
    const char* trecho;
  } casos[] = {
      {{}, "Falta o arquivo"},
      {{""}, "Falta o arquivo"},
      {{"r.txt"}, "Falta a largura 132"},
      {{"r.txt", "80", "permissao_"}, "\"80\""},
      {{"r.txt", "132"}, "Falta o argumento permissao_"},
      {{"r.txt", "132", "--zoom"}, "\"--zoom\""},
      {{"r.txt", "132", "permissao_", "extra"}, "\"extra\""},
      {{"132", "r.txt", "permissao_"}, "\"r.txt\""},
  };
  for (const auto& c : casos) {
    auto r = AnalisarArgumentos(c.args);
    EXPECT_FALSE(r.Argumentos) << c.args.join(' ').toStdString();
    EXPECT_TRUE(r.Erro.contains(U(c.trecho))) << r.Erro.toStdString();
    EXPECT_TRUE(r.Erro.contains(TextoUso())) << r.Erro.toStdString();
  }
}

TEST(PaginasVisualizador, DivideNoSaltoDePaginaSemLinhasFantasmas) {
  // The writer's layout: an empty first line, CR LF after every line, a form feed right after
  // the last body line's line end, none after the last page.
  std::string arquivo = "\r\n\r\n L1\r\n L2\r\n\f\r\n L3\r\n L4\r\n";
  auto doc = DividirPaginas(DecodificarW1252(arquivo));
  ASSERT_EQ(doc.Paginas.size(), 2u);
  EXPECT_EQ(doc.Paginas[0], (QStringList{"", "", " L1", " L2"}));
  EXPECT_EQ(doc.Paginas[1], (QStringList{"", " L3", " L4"}));
  EXPECT_EQ(doc.LinhasMaximas, 4);
  EXPECT_EQ(doc.LarguraMaxima, 3);

  // A final form feed opens no empty page; an empty file is one empty page; bare LF works too.
  EXPECT_EQ(DividirPaginas("a\r\n\f").Paginas.size(), 1u);
  auto vazio = DividirPaginas("");
  ASSERT_EQ(vazio.Paginas.size(), 1u);
  EXPECT_TRUE(vazio.Paginas[0].isEmpty());
  EXPECT_EQ(DividirPaginas("a\nb\fc").Paginas[0], (QStringList{"a", "b"}));
  EXPECT_EQ(DividirPaginas("a\nb\fc").Paginas[1], (QStringList{"c"}));
  // Two form feeds in a row keep the empty page between them.
  EXPECT_EQ(DividirPaginas("a\r\n\f\fb\r\n").Paginas.size(), 3u);
}

TEST(PaginasVisualizador, LeWindows1252ELarguraContaCaracteres) {
  suporte::TPastaTemporaria pasta;
  // Á = C1, Ç = C7, Ã = C3, € = 80 in Windows-1252; one byte each, one column each.
  std::string linha = std::string(" |INVENT\xC1RIO CLASSIFICA\xC7\xC3O \x80 1.234,56|");
  pasta.EscreverArquivo("r.txt", "\r\n" + linha + "\r\n");
  auto doc = LerDocumento(QString::fromStdString((pasta.Caminho() / "r.txt").string()));
  ASSERT_EQ(doc.Paginas.size(), 1u);
  ASSERT_EQ(doc.Paginas[0].size(), 2);
  EXPECT_EQ(doc.Paginas[0][1], U(" |INVENTÁRIO CLASSIFICAÇÃO € 1.234,56|"));
  EXPECT_EQ(doc.LarguraMaxima, static_cast<int>(linha.size()));
}

TEST(PaginasVisualizador, ArquivoAusenteOuPastaDaoMensagemComOCaminho) {
  suporte::TPastaTemporaria pasta;
  QString ausente = QString::fromStdString((pasta.Caminho() / "nao_existe.txt").string());
  try {
    LerDocumento(ausente);
    FAIL() << "no error for a missing file";
  } catch (const std::runtime_error& e) {
    QString msg = QString::fromUtf8(plataforma::W1252ParaUtf8(e.what()));
    EXPECT_TRUE(msg.contains(ausente)) << msg.toStdString();
    EXPECT_TRUE(msg.contains(U("não existe"))) << msg.toStdString();
  }
  QString pastaTexto = QString::fromStdString(pasta.Caminho().string());
  EXPECT_THROW(LerDocumento(pastaTexto), std::runtime_error);
}

TEST(PaginasVisualizador, CaminhoComSeparadoresDoWindowsEncontraOArquivo) {
  suporte::TPastaTemporaria pasta;
  std::filesystem::create_directory(pasta.Caminho() / "relatorio");
  pasta.EscreverArquivo("relatorio/relatorio.txt", "x\r\n");
  QString base = QString::fromStdString(pasta.Caminho().string());
  EXPECT_EQ(NormalizarCaminho(base + "/\\relatorio\\relatorio.txt"), base + "//relatorio/relatorio.txt");
  EXPECT_EQ(NormalizarCaminho(base + "/relatorio/relatorio.txt"), base + "/relatorio/relatorio.txt");
  // Nothing found either way: the path is reported as given.
  EXPECT_EQ(NormalizarCaminho(base + "\\nada.txt"), base + "\\nada.txt");
}

TEST(PaginasVisualizador, ArquivoVazioOuQueNaoETextoDaMensagemEmVezDeFolhasEmBranco) {
  suporte::TPastaTemporaria pasta;
  auto mensagem = [&](const std::string& nome, const std::string& conteudo) -> QString {
    pasta.EscreverArquivo(nome, conteudo);
    try {
      LerDocumento(QString::fromStdString((pasta.Caminho() / nome).string()));
    } catch (const std::runtime_error& e) {
      return QString::fromUtf8(plataforma::W1252ParaUtf8(e.what()));
    }
    return {};
  };
  EXPECT_TRUE(mensagem("vazio.txt", "").contains(U("vazio"))) << mensagem("vazio.txt", "").toStdString();
  // A NUL anywhere, or a file full of control bytes with form feeds among them (an image, an archive).
  std::string comNulo = "LINHA\r\n" + std::string(1, '\0') + "\r\n";
  std::string binario;
  for (int i = 0; i < 4000; ++i) binario += static_cast<char>(i % 3 == 0 ? '\f' : 1 + i % 27);
  for (const auto& [nome, conteudo] : {std::pair{"nulo.bin", comNulo}, std::pair{"imagem.bin", binario}}) {
    QString m = mensagem(nome, conteudo);
    EXPECT_TRUE(m.contains(U("não parece um relatório de texto"))) << nome << ": " << m.toStdString();
    EXPECT_TRUE(m.contains(QString::fromUtf8(nome))) << m.toStdString();
  }
  // A register with a stray printer escape is still a register.
  pasta.EscreverArquivo("escape.txt", "\x1B@\r\n" + std::string(200, 'X') + "\r\n\fY\r\n");
  EXPECT_EQ(LerDocumento(QString::fromStdString((pasta.Caminho() / "escape.txt").string())).Paginas.size(), 2u);
}

TEST(PaginasVisualizador, TextoDaFolhaVemDaLinhaFolhaDaPaginaOuDaPosicao) {
  auto doc = DividirPaginas(U("\r\n | FOLHA: 28      ESTOQUES\r\nx\r\n\fsem folha\r\n\f | FOLHA: 130 \r\n"));
  EXPECT_EQ(TextoFolha(doc, 0), U("Folha 28 (1 de 3)"));
  EXPECT_EQ(TextoFolha(doc, 1), U("Folha 2 de 3"));
  EXPECT_EQ(TextoFolha(doc, 2), U("Folha 130 (3 de 3)"));
  EXPECT_EQ(TextoFolha(TDocumento{}, 0), U("Folha 0 de 0"));
  // The longest text has as many digits as the largest sheet and the page count.
  EXPECT_EQ(TextoFolhaMaisLongo(doc), U("Folha 000 (0 de 0)"));
  EXPECT_EQ(TextoFolhaMaisLongo(DividirPaginas(U("a\fb\fc\fd\fe\ff\fg\fh\fi\fj"))), U("Folha 00 de 00"));
}

TEST(AjusteVisualizador, EscalaCabeNaLarguraENaAlturaQuandoPedida) {
  // 137 columns of 6 units in 822 units: scale 1; in 411: one half.
  EXPECT_DOUBLE_EQ(EscalaParaCaber(137, 6, 70, 10, 822, 0), 1.0);
  EXPECT_DOUBLE_EQ(EscalaParaCaber(137, 6, 70, 10, 411, 0), 0.5);
  // A line that overflows to 150 columns shrinks the scale so it still fits.
  EXPECT_LE(150 * 6 * EscalaParaCaber(150, 6, 70, 10, 822, 0), 822.0 + 1e-9);
  // With the height given, a 70-line page in 350 units is height-bound.
  EXPECT_DOUBLE_EQ(EscalaParaCaber(137, 6, 70, 10, 822, 350), 0.5);
}

TEST(AjusteVisualizador, ModosDeZoomPaginaInteiraLarguraOuFator) {
  // 137 columns of 6, 70 lines of 10, margin 10, in a view of 842 x 370.
  auto pagina = GeometriaPagina(TModoZoom::Pagina, 3.0, 842, 370, 10, 137, 6, 70, 10);
  EXPECT_EQ(pagina.Largura, 842);
  EXPECT_EQ(pagina.Altura, 370);  // nothing to scroll
  EXPECT_DOUBLE_EQ(pagina.Escala, 0.5);
  auto largura = GeometriaPagina(TModoZoom::Largura, 3.0, 842, 370, 10, 137, 6, 70, 10);
  EXPECT_EQ(largura.Largura, 842);
  EXPECT_DOUBLE_EQ(largura.Escala, 1.0);
  EXPECT_EQ(largura.Altura, 700 + 20);
  auto livre = GeometriaPagina(TModoZoom::Livre, 2.0, 842, 370, 10, 137, 6, 70, 10);
  EXPECT_EQ(livre.Largura, 1684);
  EXPECT_GT(livre.Escala, 2.0);
}

TEST(BuscaVisualizador, AchaEmOrdemPassaDePaginaEDaVolta) {
  auto doc = DividirPaginas(U("cabeçalho\r\nFeijão preto e feijão\r\n\fnada\r\nFEIJÃO\r\n"));
  auto a = Procurar(doc, U("feijão"), std::nullopt);
  ASSERT_TRUE(a);
  EXPECT_EQ(*a, (TPosicaoBusca{0, 1, 0}));
  auto b = Procurar(doc, U("feijão"), a);
  ASSERT_TRUE(b);
  EXPECT_EQ(*b, (TPosicaoBusca{0, 1, 15}));
  auto c = Procurar(doc, U("feijão"), b);
  ASSERT_TRUE(c);
  EXPECT_EQ(*c, (TPosicaoBusca{1, 1, 0}));
  // After the last one it starts over from the first page.
  auto d = Procurar(doc, U("feijão"), c);
  ASSERT_TRUE(d);
  EXPECT_EQ(*d, *a);
  // A single occurrence wraps to itself; an absent text is not found.
  auto unico = Procurar(doc, U("nada"), std::nullopt);
  ASSERT_TRUE(unico);
  EXPECT_EQ(Procurar(doc, U("nada"), unico), unico);
  EXPECT_FALSE(Procurar(doc, U("arroz"), std::nullopt));
  EXPECT_FALSE(Procurar(doc, U(""), std::nullopt));
}

#include "platform/Programa.h"
#include "report/urelatorio.h"

// The file the tool's writer produces is read back as the pages the writer made.
TEST(PaginasVisualizador, ArquivoDoEscritorDaFerramentaVoltaComAsMesmasFolhas) {
  suporte::TPastaProgramaTeste programa;  // no viewer in it: the writer's start just fails
  TParamsRelatorio params;
  params.DataEstoque = plataforma::TDataHora{2025, 6, 30};
  TImpressao escritor(params, 2);
  escritor.DefinirLinhasPorPagina(70);
  for (int l = 3; l <= 18; ++l) escritor.EscreverCabecalho(W("CABEÇALHO ") + std::to_string(l), l, 1);
  escritor.EscreverCabecalho(TImpressao::LinhaFolha(2, "30/06/2025"), 12, 1);
  const int corpo = 51 * 2 + 5;
  for (int l = 2; l < corpo + 2; ++l) escritor.EscreverCorpo(W("PRODUTO AÇÚCAR ") + std::to_string(l - 1), l, 1);
  escritor.EmitirRelatorio("");

  auto doc = LerDocumento(QString::fromStdString(TImpressao::CaminhoRelatorio(plataforma::PastaPrograma())));
  ASSERT_EQ(doc.Paginas.size(), 3u);
  EXPECT_EQ(doc.Paginas[0].size(), 70);  // the file's empty first line, 18 header, 51 body
  EXPECT_EQ(doc.Paginas[1].size(), 69);
  EXPECT_EQ(doc.Paginas[2].size(), 18 + 5);
  for (int p = 0; p < 3; ++p) {
    const TPagina& pagina = doc.Paginas[p];
    int cab = p == 0 ? 1 : 0;  // header line 1 of page 1 follows the file's empty first line
    EXPECT_TRUE(pagina[cab + 11].startsWith(U(" | FOLHA: %1 ").arg(p + 2))) << pagina[cab + 11].toStdString();
    EXPECT_EQ(pagina[cab + 18], U(" PRODUTO AÇÚCAR %1").arg(p * 51 + 1));
  }
  EXPECT_EQ(doc.Paginas[2].last(), U(" PRODUTO AÇÚCAR %1").arg(corpo));
}
