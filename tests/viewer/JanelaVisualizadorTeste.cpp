// The viewer's window, offscreen: pages, keys, fitting, search, and the printed/PDF pages.
#include <QApplication>
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrinter>

#include <gtest/gtest.h>

#include <fstream>

#include "paginas/PdfRegistro.h"
#include "platform/Win1252.h"
#include "tests/support/LeituraPdf.h"
#include "tests/support/SuporteTestes.h"
#include "viewer/JanelaVisualizador.h"

using namespace visualizador;
using suporte::PaginasDoPdf;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// A register as the writer lays it out: an empty first line, 18 header lines per page, up to 51
// body lines, CR LF line ends and a form feed between pages; Windows-1252 bytes.
std::string Registro(int linhasCorpo, bool linhaEstourada) {
  std::string s = "\r\n";
  int escritas = 0, folha = 2;
  while (escritas < linhasCorpo || escritas == 0) {
    if (escritas > 0) s += "\f";
    s += "\r\n\r\n \r\n";
    s += std::string(46, ' ') + W("LIVRO REGISTRO DE INVENTÁRIO - RI - MODELO P7") + std::string(45, ' ') + "\r\n";
    s += " \r\n";
    for (int i = 6; i <= 18; ++i) {
      std::string miolo = i == 12 ? "| FOLHA: " + std::to_string(folha++) : W("| CLASSIFICAÇÃO");
      miolo.resize(135, ' ');
      s += " " + miolo + "|\r\n";
    }
    for (int i = 0; i < 51 && escritas < linhasCorpo; ++i, ++escritas) {
      std::string linha = " |   12345678    |" + W("FEIJÃO CARIOCA PRODUTO ") + std::to_string(escritas + 1);
      linha.resize(136, ' ');
      linha += "|";
      if (linhaEstourada && escritas == 3) linha += std::string(13, '9');  // a value that overflows
      s += linha + "\r\n";
    }
  }
  return s;
}

void Tecla(QWidget* alvo, int tecla, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent ev(QEvent::KeyPress, tecla, mods);
  QApplication::sendEvent(alvo, &ev);
}

struct JanelaComRegistro : ::testing::Test {
  suporte::TPastaTemporaria pasta;
  TFVisualizador janela;
  QString arquivo;
  // `extra`: lines added to the last page.
  void Carregar(int linhasCorpo, bool estourada = false, const std::string& extra = "") {
    pasta.EscreverArquivo("relatorio.txt", Registro(linhasCorpo, estourada) + extra);
    arquivo = QString::fromStdString((pasta.Caminho() / "relatorio.txt").string());
    ASSERT_TRUE(janela.Abrir(arquivo)) << janela.UltimoErro().toStdString();
    janela.resize(1100, 700);
    janela.show();
    QApplication::processEvents();
  }
};

}  // namespace

TEST_F(JanelaComRegistro, FolhasENavegacaoPeloTeclado) {
  Carregar(51 * 2 + 1);  // two full pages and one line on a third
  ASSERT_EQ(janela.NumeroPaginas(), 3);
  EXPECT_EQ(janela.Documento().Paginas[0].size(), 70);
  EXPECT_EQ(janela.Documento().Paginas[1].size(), 69);
  EXPECT_EQ(janela.Documento().Paginas[2].size(), 19);
  EXPECT_EQ(janela.TextoFolha(), "Folha 2 (1 de 3)");  // the page's own "FOLHA: 2"

  Tecla(&janela, Qt::Key_PageDown);
  EXPECT_EQ(janela.TextoFolha(), "Folha 3 (2 de 3)");
  Tecla(&janela, Qt::Key_End);
  EXPECT_EQ(janela.PaginaAtual(), 2);
  Tecla(&janela, Qt::Key_PageDown);  // stays on the last page
  EXPECT_EQ(janela.TextoFolha(), "Folha 4 (3 de 3)");
  Tecla(&janela, Qt::Key_PageUp);
  EXPECT_EQ(janela.PaginaAtual(), 1);
  Tecla(&janela, Qt::Key_Home);
  EXPECT_EQ(janela.PaginaAtual(), 0);
  Tecla(&janela, Qt::Key_PageUp);  // stays on the first page
  EXPECT_EQ(janela.PaginaAtual(), 0);

  // Keys reach the window before its controls; in the search box Home/End stay the box's.
  janela.CampoBusca()->setFocus();
  Tecla(janela.CampoBusca(), Qt::Key_PageDown);
  EXPECT_EQ(janela.PaginaAtual(), 1);
  Tecla(janela.CampoBusca(), Qt::Key_End);
  EXPECT_EQ(janela.PaginaAtual(), 1);

  // Esc in the search box leaves the search; Esc on the page closes the viewer.
  janela.CampoBusca()->setText(U("feijão"));
  ASSERT_TRUE(janela.Procurar(U("feijão")));
  Tecla(janela.CampoBusca(), Qt::Key_Escape);
  EXPECT_TRUE(janela.isVisible());
  EXPECT_TRUE(janela.CampoBusca()->text().isEmpty());
  EXPECT_FALSE(janela.Achado());
  EXPECT_FALSE(janela.CampoBusca()->hasFocus());
  Tecla(janela.focusWidget() ? janela.focusWidget() : &janela, Qt::Key_Escape);
  EXPECT_FALSE(janela.isVisible());
}

TEST_F(JanelaComRegistro, BarraMostraAFolhaComLarguraFixaEModosDeZoomFicamAoPaginar) {
  Carregar(51 * 9 + 1);  // sheets "FOLHA: 2" to "FOLHA: 11"
  auto* rotulo = janela.findChild<QLabel*>("RotuloFolha");
  ASSERT_TRUE(rotulo);
  const int largura = rotulo->width();
  Tecla(&janela, Qt::Key_End);
  EXPECT_EQ(rotulo->text(), "Folha 11 (10 de 10)");
  EXPECT_EQ(rotulo->width(), largura);
  EXPECT_LE(rotulo->fontMetrics().horizontalAdvance(rotulo->text()), largura);

  // At the width's fit a sheet of 70 lines is taller than the window; the page fit shows it whole.
  EXPECT_GT(janela.AlturaTextoNaTela(), janela.AlturaVisivelNaTela());
  Tecla(&janela, Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(janela.ModoZoom(), TModoZoom::Pagina);
  EXPECT_LE(janela.AlturaTextoNaTela(), janela.AlturaVisivelNaTela());
  EXPECT_LT(janela.Zoom(), 1.0);
  Tecla(&janela, Qt::Key_PageUp);
  janela.resize(900, 650);
  QApplication::processEvents();
  EXPECT_EQ(janela.ModoZoom(), TModoZoom::Pagina);
  EXPECT_LE(janela.AlturaTextoNaTela(), janela.AlturaVisivelNaTela());
  EXPECT_GT(janela.AlturaTextoNaTela(), janela.AlturaVisivelNaTela() * 0.8);  // and uses the height
  Tecla(&janela, Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(janela.ModoZoom(), TModoZoom::Largura);
  EXPECT_GE(janela.LarguraTextoNaTela(), janela.LarguraDisponivelNaTela() * 0.97);

  // The buttons name their keys.
  QStringList dicas;
  for (QAction* a : janela.findChildren<QAction*>())
    if (a->text().startsWith(U("Ajustar à"))) dicas << a->text() + " | " + a->toolTip();
  dicas.sort();
  ASSERT_EQ(dicas.size(), 2);
  EXPECT_TRUE(dicas[0].startsWith(U("Ajustar à largura")) && dicas[0].contains("Ctrl+0")) << dicas[0].toStdString();
  EXPECT_TRUE(dicas[1].startsWith(U("Ajustar à página")) && dicas[1].contains("Ctrl+1")) << dicas[1].toStdString();
}

TEST_F(JanelaComRegistro, LinhaMaisLargaCabeNaJanelaEmQualquerLargura) {
  Carregar(60, /*estourada=*/true);
  EXPECT_EQ(janela.Documento().LarguraMaxima, 137 + 13);
  for (int largura : {1400, 900, 500}) {
    janela.resize(largura, 600);
    QApplication::processEvents();
    const double texto = janela.LarguraTextoNaTela(), livre = janela.LarguraDisponivelNaTela();
    EXPECT_LE(texto, livre + 0.5) << largura;
    EXPECT_GE(texto, livre * 0.97) << largura;  // and it uses the width, not a fixed small size
  }
  const double antes = janela.LarguraTextoNaTela();
  Tecla(&janela, Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_GT(janela.Zoom(), 1.0);
  EXPECT_NEAR(janela.LarguraTextoNaTela() / antes, janela.Zoom(), 0.02);
  Tecla(&janela, Qt::Key_0, Qt::ControlModifier);
  EXPECT_DOUBLE_EQ(janela.Zoom(), 1.0);
  Tecla(&janela, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_LT(janela.Zoom(), 1.0);
}

TEST_F(JanelaComRegistro, ProcurarComCtrlFEF3PassaDePagina) {
  Carregar(51 * 2 + 1);
  Tecla(&janela, Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(janela.CampoBusca()->hasFocus() || !janela.isActiveWindow());
  janela.CampoBusca()->setText(U("feijão carioca produto 52"));
  Tecla(janela.CampoBusca(), Qt::Key_Return);
  ASSERT_TRUE(janela.Achado());
  EXPECT_EQ(janela.PaginaAtual(), 1);
  EXPECT_EQ(janela.Achado()->Linha, 18);  // first body line of the second page

  janela.CampoBusca()->setText(U("FOLHA: "));
  Tecla(janela.CampoBusca(), Qt::Key_Home, Qt::ControlModifier);  // Ctrl+Home pages even from the box
  EXPECT_EQ(janela.PaginaAtual(), 0);
  Tecla(&janela, Qt::Key_F3);
  EXPECT_EQ(janela.PaginaAtual(), 0);
  Tecla(&janela, Qt::Key_F3);
  EXPECT_EQ(janela.PaginaAtual(), 1);
  Tecla(&janela, Qt::Key_F3);
  EXPECT_EQ(janela.PaginaAtual(), 2);
  Tecla(&janela, Qt::Key_F3);  // round again
  EXPECT_EQ(janela.PaginaAtual(), 0);

  EXPECT_FALSE(janela.Procurar(U("ARROZ")));
  EXPECT_EQ(janela.PaginaAtual(), 0);
}

TEST_F(JanelaComRegistro, ArquivoAusenteDeixaJanelaVaziaEMensagemComCaminho) {
  QString ausente = QString::fromStdString((pasta.Caminho() / "sumiu.txt").string());
  EXPECT_FALSE(janela.Abrir(ausente));
  EXPECT_TRUE(janela.UltimoErro().contains(ausente)) << janela.UltimoErro().toStdString();
  EXPECT_EQ(janela.NumeroPaginas(), 0);
  EXPECT_EQ(janela.TextoFolha(), "Folha 0 de 0");
  Tecla(&janela, Qt::Key_PageDown);  // nothing to page, nothing breaks
  EXPECT_FALSE(janela.Procurar("x"));
}

TEST_F(JanelaComRegistro, PdfTemUmaPaginaPorFolhaEAcentosExtraiveis) {
  if (!suporte::PopplerInstalado())
    GTEST_SKIP() << "pdfinfo/pdftotext (poppler-utils) not installed: PDF contents not checked";
  Carregar(51 * 3 + 7, /*estourada=*/true);
  ASSERT_EQ(janela.NumeroPaginas(), 4);
  std::string pdf = (pasta.Caminho() / "relatorio.pdf").string();
  ASSERT_TRUE(janela.SalvarPdfEm(QString::fromStdString(pdf))) << janela.UltimoErro().toStdString();
  EXPECT_EQ(PaginasDoPdf(pdf), 4);

  QStringList paginas;
  for (const auto& p : suporte::TextoDasPaginas(pdf)) paginas << QString::fromStdString(p);
  ASSERT_EQ(paginas.size(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(paginas[i].contains(U("LIVRO REGISTRO DE INVENTÁRIO - RI - MODELO P7"))) << i;
    EXPECT_TRUE(paginas[i].contains(U("FOLHA: %1").arg(i + 2))) << i;  // no page split in two
  }
  EXPECT_TRUE(paginas[0].contains(U("CLASSIFICAÇÃO")));
  EXPECT_TRUE(paginas[0].contains(U("FEIJÃO CARIOCA PRODUTO 51")));
  EXPECT_TRUE(paginas[1].contains(U("FEIJÃO CARIOCA PRODUTO 52")));
  EXPECT_TRUE(paginas[0].contains("9999999999999"));  // the overflowing value is not cut off
  EXPECT_TRUE(paginas[3].contains(U("FEIJÃO CARIOCA PRODUTO 160")));
}

TEST_F(JanelaComRegistro, PdfDaJanelaEODoComandoParaOMesmoArquivoTemAsMesmasPaginasETextoNoMesmoLugar) {
  if (!suporte::PopplerInstalado()) GTEST_SKIP() << "pdfinfo/pdftotext (poppler-utils) not installed";
  Carregar(51 * 3 + 7, /*estourada=*/true);
  const std::string daJanela = (pasta.Caminho() / "janela.pdf").string(),
                    doComando = (pasta.Caminho() / "lote.pdf").string();
  ASSERT_TRUE(janela.SalvarPdfEm(QString::fromStdString(daJanela))) << janela.UltimoErro().toStdString();
  std::ofstream(doComando, std::ios::binary)
      << paginas::PdfRegistro(suporte::LerArquivo(pasta.Caminho() / "relatorio.txt"), {.Titulo = "relatorio"});
  EXPECT_EQ(PaginasDoPdf(doComando), 4);
  EXPECT_EQ(PaginasDoPdf(doComando), PaginasDoPdf(daJanela));
  EXPECT_EQ(suporte::TextoDasPaginas(doComando), suporte::TextoDasPaginas(daJanela));
  // The same page size and every word in the same place.
  const std::string lugares = suporte::PalavrasNoLugar(doComando);
  EXPECT_NE(lugares.find("<page width=\"842.000000\" height=\"595.000000\">"), std::string::npos);  // A4 landscape
  EXPECT_EQ(lugares, suporte::PalavrasNoLugar(daJanela));
}

// The PDF as Qt's PDF engine drew it with the page routine before, against the writer of ours:
// the same text, every word in its place, the same page size.
TEST_F(JanelaComRegistro, PdfSalvoPoeCadaPalavraOndeODesenhoDoQtPunha) {
  if (!suporte::PopplerInstalado()) GTEST_SKIP() << "pdfinfo/pdftotext (poppler-utils) not installed";
  // A line with what a PDF string escapes, what Latin-1 lacks, a blank and a hyphen of their own
  // (0xA0, 0xAD); and one with a control character, DEL and an unassigned byte, each keeping its
  // column. (Qt drew a line with controls as shaped text, where 0xAD took no column.)
  Carregar(51 + 7, false,
           W(" | (CAFÉ) 1) C:\\P7\\ “€ – Š…” ") +
               "A\xA0"
               "Z\xAD|\r\n |\x01|\x7F|\x81|\r\n");
  const std::string nosso = (pasta.Caminho() / "nosso.pdf").string(), doQt = (pasta.Caminho() / "qt.pdf").string();
  ASSERT_TRUE(janela.SalvarPdfEm(QString::fromStdString(nosso))) << janela.UltimoErro().toStdString();
  {
    QPdfWriter qt(QString::fromStdString(doQt));
    qt.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                 QPageLayout::Millimeter));
    ASSERT_TRUE(RenderizarDocumento(qt, janela.Documento(), 0, janela.NumeroPaginas() - 1));
  }
  EXPECT_EQ(suporte::TextoDasPaginas(nosso), suporte::TextoDasPaginas(doQt));
  const auto nossas = suporte::PaginasComPalavras(nosso), doQtPaginas = suporte::PaginasComPalavras(doQt);
  ASSERT_EQ(nossas.size(), 2u);
  ASSERT_EQ(doQtPaginas.size(), 2u);
  constexpr double kTolerancia = 0.01;  // points
  for (size_t p = 0; p < nossas.size(); ++p) {
    EXPECT_EQ(nossas[p].Largura, doQtPaginas[p].Largura);
    EXPECT_EQ(nossas[p].Altura, doQtPaginas[p].Altura);
    ASSERT_EQ(nossas[p].Palavras.size(), doQtPaginas[p].Palavras.size()) << "folha " << p;
    for (size_t w = 0; w < nossas[p].Palavras.size(); ++w) {
      const auto &a = nossas[p].Palavras[w], &b = doQtPaginas[p].Palavras[w];
      EXPECT_EQ(a.Texto, b.Texto);
      for (auto [x, y] : {std::pair{a.X0, b.X0}, {a.Y0, b.Y0}, {a.X1, b.X1}, {a.Y1, b.Y1}})
        EXPECT_NEAR(x, y, kTolerancia) << a.Texto << " folha " << p;
    }
  }
}

TEST_F(JanelaComRegistro, PdfNumaPastaSemEscritaFalhaSemDeixarArquivo) {
  Carregar(10);
  std::string destino = (pasta.Caminho() / "nao_ha" / "r.pdf").string();
  EXPECT_FALSE(janela.SalvarPdfEm(QString::fromStdString(destino)));
  EXPECT_TRUE(janela.UltimoErro().contains(QString::fromStdString(destino)));
  EXPECT_FALSE(std::filesystem::exists(destino));
}

TEST_F(JanelaComRegistro, ImpressaoUmaPaginaImpressaPorFolhaNoIntervalo) {
  if (!suporte::PopplerInstalado()) GTEST_SKIP() << "pdfinfo (poppler-utils) not installed: printed pages not counted";
  Carregar(51 * 2 + 1);
  std::string saida = (pasta.Caminho() / "impresso.pdf").string();
  {
    QPrinter impressora(QPrinter::HighResolution);
    impressora.setOutputFormat(QPrinter::PdfFormat);
    impressora.setOutputFileName(QString::fromStdString(saida));
    impressora.setPageOrientation(QPageLayout::Landscape);
    ASSERT_TRUE(RenderizarDocumento(impressora, janela.Documento(), 1, 2));
  }
  EXPECT_EQ(PaginasDoPdf(saida), 2);
  QString texto = QString::fromStdString(suporte::SaidaDe("pdftotext -layout -enc UTF-8 '" + saida + "' -"));
  EXPECT_TRUE(texto.contains("FOLHA: 3"));
  EXPECT_FALSE(texto.contains("FOLHA: 2 "));
}
