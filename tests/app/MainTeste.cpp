#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <stdexcept>

#include "app/AplicacaoP7.h"
#include "app/UMain.h"
#include "app/VersaoPrograma.h"
#include "platform/Mensagens.h"
#include "platform/TextoQt.h"
#include "platform/Win1252.h"
#include "settings/UDatabase.h"
#include "widgets/CaixasMensagemQt.h"
#include "tests/support/SuporteTestes.h"

// The program's own application object, so that errors escaping a handler reach the error box.
QApplication* p7CriarAplicacaoTeste(int& argc, char** argv) { return new TAplicacaoP7(argc, argv); }

// Readable QStrings in failure messages.
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using plataforma::TIconeMensagem;
using suporte::TCaixasGravadas;

const char* kEnderecoInacessivel = "127.0.0.1:1";

// A main window over a program folder of its own; the end of the program is only counted.
struct TJanelaTeste {
  suporte::TRegionalBrasil regional;
  suporte::TPastaProgramaTeste pasta;
  suporte::TCaixasInstaladas caixas;
  std::unique_ptr<TFMain> janela;
  int terminacoes = 0;

  explicit TJanelaTeste(const std::string& banco = "p7", const std::string& local = kEnderecoInacessivel) {
    pasta.EscreverIniBanco(banco, 1, local);
    janela = std::make_unique<TFMain>();
    janela->Terminar = [this] { ++terminacoes; };
  }
  ~TJanelaTeste() {
    janela.reset();
    DatabaseSession.reset();
  }
  void Mostrar() {
    janela->show();
    janela->activateWindow();
    (void)QTest::qWaitForWindowActive(janela.get());
  }
  QWidget* Foco() const {
    QWidget* f = janela->focusWidget();
    // The date field's editor stands for the field.
    if (f && qobject_cast<QDateEdit*>(f->parentWidget())) f = f->parentWidget();
    return f;
  }
};

std::string TextoControle(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return DeQString(b->text());
  if (auto* g = qobject_cast<TGrupoP7*>(w)) return DeQString(g->Titulo->text());
  if (auto* l = qobject_cast<QLabel*>(w)) return DeQString(l->text());
  return "";
}

}  // namespace

TEST(Main, ControlesNasPosicoesComLegendasEOrdemDeTabulacao) {
  TJanelaTeste t;
  TFMain& j = *t.janela;
  EXPECT_EQ(j.windowTitle(), Q("Inventário modelo P7"));
  EXPECT_EQ(j.size(), QSize(337, 243));
  EXPECT_EQ(j.minimumSize(), j.maximumSize());
  EXPECT_FALSE(j.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(j.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(j.font().family(), Q("Arial"));
  EXPECT_EQ(j.font().pixelSize(), 11);

  struct TLinha {
    const char* nome;
    const char* pai;
    QRect geometria;  // an empty size: only the position is fixed (the label fits its text)
    const char* legenda;
  };
  const TLinha tabela[] = {
      {"lbldataestoque", "FMain", QRect(8, 12, 0, 0), "Data da posição de estoque:"},
      {"DataInventario", "FMain", QRect(152, 8, 105, 22), ""},
      {"imgAjudaDralShare", "FMain", QRect(315, 2, 21, 17), ""},
      {"GroupBox2", "FMain", QRect(8, 40, 129, 57), "Tipo de Preço"},
      {"RadioCustoMedio", "GroupBox2", QRect(8, 16, 113, 17), "Custo Médio"},
      {"RadioPrecoCompra", "GroupBox2", QRect(8, 34, 113, 17), "Preço de Compra"},
      {"grbFiltro", "FMain", QRect(144, 40, 185, 57), "Filtros"},
      {"Button1", "grbFiltro", QRect(8, 20, 169, 25), "Filtro Grupos / Especificação"},
      {"GroupBox1", "FMain", QRect(8, 100, 321, 103), "Opções"},
      {"CheckConsiderarArredondamento", "GroupBox1", QRect(8, 20, 161, 17), "Considerar arredondamento"},
      {"CheckConsiderarProdutoApagado", "GroupBox1", QRect(8, 45, 201, 17), "Considerar produtos apagados"},
      {"CheckConsiderarProdutosCadastradosAntesDataInventario", "GroupBox1", QRect(8, 68, 304, 24),
       "Considerar apenas produtos cadastrados antes da data do inventário"},
      {"BtnGerar", "FMain", QRect(128, 211, 97, 25), "Gerar (F3)"},
      {"BtnCancelar", "FMain", QRect(232, 211, 97, 25), "Fechar (Esc)"},
  };
  for (const auto& l : tabela) {
    SCOPED_TRACE(l.nome);
    auto* w = j.findChild<QWidget*>(l.nome);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget()->objectName(), QString(l.pai));
    if (l.geometria.isEmpty())
      EXPECT_EQ(w->pos(), l.geometria.topLeft());
    else
      EXPECT_EQ(w->geometry(), l.geometria);
    EXPECT_EQ(TextoControle(w), W(l.legenda));
    if (auto* g = qobject_cast<TGrupoP7*>(w)) {
      EXPECT_EQ(g->Titulo->geometry(), QRect(7, 1, 75, 13));
      EXPECT_TRUE(g->Titulo->font().bold());
      EXPECT_EQ(g->Titulo->font().pixelSize(), 9);
      EXPECT_EQ(g->Titulo->palette().color(QPalette::Window), QColor(215, 215, 215));
    }
  }
  EXPECT_TRUE(j.RadioCustoMedio->isChecked());
  EXPECT_FALSE(j.RadioPrecoCompra->isChecked());
  EXPECT_TRUE(j.CheckConsiderarArredondamento->isChecked());
  EXPECT_FALSE(j.CheckConsiderarProdutoApagado->isChecked());
  EXPECT_FALSE(j.CheckConsiderarProdutosCadastradosAntesDataInventario->isChecked());
  EXPECT_FALSE(j.Button1->font().bold());
  EXPECT_EQ(j.imgAjudaDralShare->toolTip(),
            Q("Clique aqui para acessar o artigo do Dral Share referente ao Inventário Modelo P7"));
  EXPECT_FALSE(j.imgAjudaDralShare->pixmap().isNull());

  // A filter in either list makes Button1's caption bold; none makes it normal again.
  j.FiltroEspecificacoes = "3 ";
  j.AtualizarLegendaFiltro();
  EXPECT_TRUE(j.Button1->font().bold());
  j.FiltroEspecificacoes.clear();
  j.AtualizarLegendaFiltro();
  EXPECT_FALSE(j.Button1->font().bold());

  // Tab order, walked as the user does.
  t.Mostrar();
  j.DataInventario->setFocus();
  const char* ordem[] = {"DataInventario",
                         "Button1",
                         "BtnGerar",
                         "BtnCancelar",
                         "CheckConsiderarArredondamento",
                         "CheckConsiderarProdutoApagado",
                         "CheckConsiderarProdutosCadastradosAntesDataInventario",
                         "RadioCustoMedio"};
  for (const char* nome : ordem) {
    ASSERT_NE(t.Foco(), nullptr);
    EXPECT_EQ(t.Foco()->objectName(), QString(nome));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : t.Foco(), Qt::Key_Tab);
  }
}

TEST(Main, TentarNovamenteEnquantoSimESemSessaoTerminaNoNao) {
  TJanelaTeste t;
  // The message the connection itself raises for the unreachable server.
  std::string mensagem;
  try {
    TDatabase banco;
    FAIL() << "connected to " << kEnderecoInacessivel;
  } catch (const std::exception& e) {
    mensagem = e.what();
  }
  ASSERT_FALSE(mensagem.empty());

  t.caixas->Respostas = {true, false};
  t.Mostrar();

  const std::string esperado = W("Não foi possível estabelecer conexão com o banco de dados.\r\nErro: ") + mensagem +
                               "\r\n" + W("Deseja tentar novamente?");
  ASSERT_EQ(t.caixas->Mostradas.size(), 2u);
  for (const auto& c : t.caixas->Mostradas) {
    EXPECT_TRUE(c.Pergunta);
    EXPECT_TRUE(c.PadraoSim);
    EXPECT_EQ(c.Titulo, W("Confirmação..."));
    EXPECT_EQ(c.Texto, esperado);
  }
  EXPECT_EQ(t.terminacoes, 1);
  EXPECT_EQ(DatabaseSession, nullptr);
  // The caption is set before the connection is tried.
  EXPECT_TRUE(t.janela->windowTitle().startsWith(Q("Inventário Modelo P7 - ")));

  // Called again: one more question, answered No, and no session.
  EXPECT_FALSE(t.janela->ConectarBanco());
  EXPECT_EQ(t.caixas->Mostradas.size(), 3u);
  EXPECT_EQ(DatabaseSession, nullptr);
}

TEST(Main, AoMostrarConectaPoeVersaoNaLegendaEDataDeHoje) {
  suporte::TBancoTeste banco;
  TJanelaTeste t(banco.Nome(), "");
  t.janela->DataInventario->setDate(QDate(2001, 2, 3));
  t.Mostrar();

  EXPECT_TRUE(t.caixas->Mostradas.empty());
  EXPECT_EQ(t.terminacoes, 0);
  ASSERT_NE(DatabaseSession, nullptr);
  EXPECT_TRUE(DatabaseSession->IsConnected());
  EXPECT_EQ(t.janela->DataInventario->date(), QDate::currentDate());

  const QString versao =
      QString("%1.%2.%3.%4").arg(P7_VERSAO_MAJOR).arg(P7_VERSAO_MINOR).arg(P7_VERSAO_PATCH).arg(P7_VERSAO_TWEAK);
  EXPECT_EQ(t.janela->windowTitle(), Q("Inventário Modelo P7 - ") + versao);
}

// An F3 and a click queued before the run lets the event loop paint the waiting window (the
// buttons are disabled only once the rows are there) reach the window inside the run: neither
// starts a second run on the connection. Each run of an empty stock ends in one notice.
TEST(Main, F3OuCliqueNaFilaDuranteAEsperaNaoIniciaOutraExecucao) {
  suporte::TBancoTeste banco;
  TJanelaTeste t(banco.Nome(), "");
  t.Mostrar();
  ASSERT_TRUE(t.caixas->Mostradas.empty());
  TFMain& j = *t.janela;
  j.CheckConsiderarProdutoApagado->setFocus();
  QCoreApplication::postEvent(j.CheckConsiderarProdutoApagado,
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier));
  QMetaObject::invokeMethod(j.BtnGerar, "click", Qt::QueuedConnection);
  j.GerarRelatorio();
  ASSERT_EQ(t.caixas->Mostradas.size(), 1u);
  EXPECT_EQ(t.caixas->Mostradas[0].Texto, W("Não existem registros para esta seleção!"));
  QCoreApplication::processEvents();  // nothing left that starts another one
  EXPECT_EQ(t.caixas->Mostradas.size(), 1u);
}

TEST(Main, TeclasDaJanelaAntesDosControles) {
  TJanelaTeste t;
  t.Mostrar();
  TFMain& j = *t.janela;
  // Only the click is observed here, not the generation run behind it.
  QObject::disconnect(j.BtnGerar, &QPushButton::clicked, &j, &TFMain::BtnGerarClick);
  QSignalSpy cliques(j.BtnGerar, &QPushButton::clicked);

  j.CheckConsiderarProdutoApagado->setFocus();
  QTest::keyClick(j.CheckConsiderarProdutoApagado, Qt::Key_F3);
  EXPECT_EQ(cliques.count(), 1);
  EXPECT_FALSE(j.CheckConsiderarProdutoApagado->isChecked());

  // Enter in the date field goes to the next control in tab order.
  j.DataInventario->setFocus();
  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : j.DataInventario, Qt::Key_Return);
  EXPECT_EQ(t.Foco(), j.Button1);
  // Enter on a button moves on as well and does not press it.
  QTest::keyClick(j.Button1, Qt::Key_Return);
  EXPECT_EQ(t.Foco(), j.BtnGerar);
  QTest::keyClick(j.BtnGerar, Qt::Key_Enter);
  EXPECT_EQ(cliques.count(), 1);
  EXPECT_EQ(t.Foco(), j.BtnCancelar);

  // An ordinary key still reaches the control.
  j.CheckConsiderarProdutoApagado->setFocus();
  QTest::keyClick(j.CheckConsiderarProdutoApagado, Qt::Key_Space);
  EXPECT_TRUE(j.CheckConsiderarProdutoApagado->isChecked());

  ASSERT_TRUE(j.isVisible());
  QTest::keyClick(j.CheckConsiderarProdutoApagado, Qt::Key_Escape);
  EXPECT_FALSE(j.isVisible());
}

TEST(Main, DataVaziaOuInvalidaLeHoje) {
  TJanelaTeste t;
  TFMain& j = *t.janela;
  auto* editor = j.DataInventario->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  const QDate hoje = QDate::currentDate();
  auto lida = [&] {
    auto d = j.DataEscolhida();
    return QDate(d.Ano, d.Mes, d.Dia);
  };

  j.DataInventario->setDate(QDate(2023, 12, 31));
  EXPECT_EQ(j.DataInventario->text(), "31/12/2023");
  EXPECT_EQ(lida(), QDate(2023, 12, 31));

  editor->setText("");
  EXPECT_EQ(lida(), hoje);

  // The field writes and reads dates with the locale's separator.
  plataforma::TFormatSettings pontos = plataforma::FormatSettingsBrasil();
  pontos.DateSeparator = '.';
  plataforma::DefinirFormatSettings(pontos);
  TFMain outra;
  outra.DataInventario->setDate(QDate(2024, 2, 29));
  EXPECT_EQ(outra.DataInventario->text(), "29.02.2024");
  auto d = outra.DataEscolhida();
  EXPECT_EQ(QDate(d.Ano, d.Mes, d.Dia), QDate(2024, 2, 29));
}

// A mistyped date is rejected where the user sees it: on leaving the field and on F3, with the
// text named, the focus kept in the field, and no register for another date.
TEST(Main, DataIncompletaRejeitadaAoSairENoF3) {
  TJanelaTeste t;
  t.Mostrar();
  TFMain& j = *t.janela;
  t.caixas->Mostradas.clear();
  j.DataInventario->setFocus();
  // A year cut short, as when "01011" is typed.
  j.DataInventario->setDate(QDate(2025, 1, 1));
  QTest::keyClick(j.DataInventario, Qt::Key_End);
  for (int i = 0; i < 3; ++i) QTest::keyClick(j.DataInventario, Qt::Key_Backspace);
  ASSERT_EQ(j.DataInventario->text(), "01/01/2");

  QTest::keyClick(j.DataInventario, Qt::Key_Tab);
  ASSERT_EQ(t.caixas->Mostradas.size(), 1u);
  EXPECT_NE(t.caixas->Mostradas[0].Texto.find("\"01/01/2\""), std::string::npos) << t.caixas->Mostradas[0].Texto;
  EXPECT_EQ(t.caixas->Mostradas[0].Icone, TIconeMensagem::Erro);
  EXPECT_EQ(t.Foco(), j.DataInventario);
  EXPECT_EQ(j.DataInventario->text(), "01/01/2");

  // Enter, F3 and the button: the same message, and the run does not start (without a session it
  // would show its own error).
  QTest::keyClick(j.DataInventario, Qt::Key_Return);
  QTest::keyClick(j.DataInventario, Qt::Key_F3);
  j.BtnGerar->click();
  ASSERT_EQ(t.caixas->Mostradas.size(), 4u);
  for (const auto& c : t.caixas->Mostradas) EXPECT_EQ(c.Texto, t.caixas->Mostradas[0].Texto);
  EXPECT_EQ(t.Foco(), j.DataInventario);
  EXPECT_EQ(j.DataInventario->text(), "01/01/2");

  // Under a real box too the text stays as typed: the spin box would complete it into a date.
  {
    auto anteriores = plataforma::InstalarCaixasMensagem(std::make_shared<TCaixasMensagemQt>());
    QString sobACaixa;
    QTimer::singleShot(50, [&] {
      sobACaixa = j.DataInventario->text();
      if (auto* caixa = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) caixa->accept();
    });
    QTest::keyClick(j.DataInventario, Qt::Key_F3);
    plataforma::InstalarCaixasMensagem(anteriores);
    EXPECT_EQ(sobACaixa, "01/01/2");
    EXPECT_EQ(j.DataInventario->text(), "01/01/2");
  }

  // A complete date goes through: the run starts (and fails here for want of a session).
  j.DataInventario->setDate(QDate(2025, 1, 1));
  QTest::keyClick(j.DataInventario, Qt::Key_Tab);
  EXPECT_EQ(t.Foco(), j.Button1);
  QTest::keyClick(j.Button1, Qt::Key_F3);
  ASSERT_EQ(t.caixas->Mostradas.size(), 5u);
  EXPECT_EQ(t.caixas->Mostradas[4].Texto.find("Data"), std::string::npos);
}
