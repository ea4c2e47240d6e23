// The filter dialog, driven by keys while it runs modally, on a private database.
#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "filter/UFiltroGrupEsp.h"
#include "platform/TextoQt.h"
#include "platform/Win1252.h"
#include "settings/UDatabase.h"
#include "tests/support/DialogoFiltro.h"
#include "tests/support/SuporteTestes.h"

using dbclient::TConjuntoLinhas;

namespace {

class FiltroGrupEsp : public ::testing::Test {
 protected:
  void SetUp() override {
    pasta.EscreverIniBanco(banco.Nome());
    banco.Executar(W(suporte::LerArquivo(suporte::CaminhoFonte("tests/fixtures/filter/grupos_espec.sql"))));
    sessao = std::make_unique<TDatabase>();
  }

  // Runs the actions inside the dialog's modal loop; the dialog is closed afterwards if they left
  // it open (a failed assertion, for instance).

  // The main window's use: the dialog is found as the active modal window.
  bool RodarPrincipal(std::string& grupos, std::string& espec, const std::function<void(TFFiltroGrupoEspec&)>& acoes) {
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<TFFiltroGrupoEspec*>(QApplication::activeModalWidget());
      if (!d) {
        ADD_FAILURE() << "the dialog is not open";
        return;
      }
      acoes(*d);
      if (d->isVisible()) d->reject();
    });
    return ExecutarFiltroGrupoEspec(nullptr, *sessao, grupos, espec);
  }

  static std::vector<int64_t> Ids(TConjuntoLinhas& c) {
    std::vector<int64_t> r;
    for (size_t p = 0; p < c.NumeroRegistros(); ++p)
      r.push_back(TConjuntoLinhas::ParaInteiro(c.ValorNa(p, c.IndiceCampo(c.NomeCampo(0)))));
    return r;
  }

  suporte::TBancoTeste banco;
  suporte::TPastaProgramaTeste pasta;
  suporte::TCaixasInstaladas caixas;
  std::unique_ptr<TDatabase> sessao;
};

TEST_F(FiltroGrupEsp, AbreComAsListasTodasMarcadasEOkSemMudarNaoDaFiltro) {
  std::string grupos = "1,2 ", espec = "7 ";  // a previous filter is forgotten
  bool negrito = RodarPrincipal(grupos, espec, [](TFFiltroGrupoEspec& d) {
    EXPECT_EQ(d.windowTitle(), Q("288 Filtro Grupos e Especificações"));
    EXPECT_EQ(d.CodTela(), 288);
    EXPECT_EQ(d.focusWidget(), d.Button1);
    EXPECT_TRUE(d.Exibido());
    EXPECT_EQ(Ids(d.QGrupos()), (std::vector<int64_t>{1, 2, 3, 10, 11, 4}));  // tree order, deleted left out
    // Expired yesterday and deleted specifications are left out; expiring today stays.
    EXPECT_EQ(Ids(d.QEspec()), (std::vector<int64_t>{1, 2, 4, 6}));
    EXPECT_EQ(suporte::Marcas(d.QGrupos()), "SSSSSS");
    EXPECT_EQ(suporte::Marcas(d.QEspec()), "SSSS");
    EXPECT_EQ(d.DBGrid1->model()->data(d.DBGrid1->model()->index(4, 1)).toString(), Q("HIGIENE > Águas"));
    EXPECT_EQ(d.DBGrid1->model()->headerData(1, Qt::Horizontal).toString(), Q("Descrição"));
    QTest::keyClick(d.focusWidget(), Qt::Key_F3);
  });
  EXPECT_FALSE(negrito);
  EXPECT_EQ(grupos, "");
  EXPECT_EQ(espec, "");
  EXPECT_TRUE(caixas->Mostradas.empty());
}

TEST_F(FiltroGrupEsp, F7DepoisOkNaoFiltraEF7MaisDoisF5DaExatamenteOsDois) {
  TFFiltroGrupoEspec d(*sessao);
  suporte::RodarDialogo(d, [](TFFiltroGrupoEspec& d) {
    suporte::F5Em(d.DBGrid1, 2);
    EXPECT_TRUE(d.GruposAlterados());
    suporte::Tecla(d.DBGrid1, Qt::Key_F7);
    EXPECT_FALSE(d.GruposAlterados());
    EXPECT_TRUE(d.MarcacaoEmMassa());
    EXPECT_EQ(suporte::Marcas(d.QGrupos()), "NNNNNN");
    EXPECT_EQ(d.QGrupos().Posicao(), 2u) << "back on the row that was current";
    QTest::keyClick(d.DBGrid1, Qt::Key_F3);
  });
  EXPECT_EQ(d.GruposMarcados(), "");

  std::string grupos, espec;
  bool negrito = RodarPrincipal(grupos, espec, [](TFFiltroGrupoEspec& d) {
    suporte::Tecla(d.DBGrid1, Qt::Key_F7);
    suporte::F5Em(d.DBGrid1, 2);  // REFRIGERANTES, no descendants
    EXPECT_FALSE(d.MarcacaoEmMassa());
    suporte::F5Em(d.DBGrid1, 5);  // LIMPEZA, whose only child is deleted
    suporte::Tecla(d.Button1, Qt::Key_F3);
  });
  EXPECT_TRUE(negrito);
  EXPECT_EQ(grupos, "3,4 ");
  EXPECT_EQ(espec, "");
  EXPECT_TRUE(caixas->Mostradas.empty()) << "no question for groups without living descendants";
}

TEST_F(FiltroGrupEsp, F5DuasVezesNaMesmaLinhaListaTodasAsLinhas) {
  std::string grupos, espec;
  bool negrito = RodarPrincipal(grupos, espec, [](TFFiltroGrupoEspec& d) {
    suporte::F5Em(d.DBGrid2, 1);
    suporte::F5Em(d.DBGrid2, 1);
    EXPECT_EQ(suporte::Marcas(d.QEspec()), "SSSS");
    QTest::keyClick(d.DBGrid2, Qt::Key_F3);
  });
  EXPECT_TRUE(negrito) << "changed especificação marks only: only that list is set";
  EXPECT_EQ(grupos, "");
  EXPECT_EQ(espec, "1,2,4,6 ");
}

TEST_F(FiltroGrupEsp, GrupoComFilhosPerguntaENaoMudaSoALinha) {
  caixas->Respostas = {false};
  TFFiltroGrupoEspec d(*sessao);
  suporte::RodarDialogo(d, [](TFFiltroGrupoEspec& d) {
    suporte::F5Em(d.DBGrid1, 0);  // ALIMENTOS
    QTest::keyClick(d.DBGrid1, Qt::Key_F3);
  });
  ASSERT_EQ(caixas->Mostradas.size(), 1u);
  const auto& caixa = caixas->Mostradas[0];
  EXPECT_TRUE(caixa.Pergunta);
  EXPECT_TRUE(caixa.PadraoSim);
  EXPECT_EQ(caixa.Texto, W("Deseja alterar também os grupos filhos?"));
  EXPECT_EQ(caixa.Titulo, W("Atenção"));
  EXPECT_EQ(d.GruposMarcados(), "2,3,10,11,4 ");
}

TEST_F(FiltroGrupEsp, GrupoComFilhosESimLevaAMarcaAosDescendentesEVoltaALinha) {
  caixas->Respostas = {true, true};
  TFFiltroGrupoEspec d(*sessao);
  suporte::RodarDialogo(d, [](TFFiltroGrupoEspec& d) {
    suporte::F5Em(d.DBGrid1, 0);  // ALIMENTOS: itself, BEBIDAS and REFRIGERANTES
    EXPECT_EQ(suporte::Marcas(d.QGrupos()), "NNNSSS");
    EXPECT_EQ(d.QGrupos().Posicao(), 0u);
    suporte::F5Em(d.DBGrid1, 1);  // BEBIDAS marked again with its child; the rule is attached again
    EXPECT_EQ(suporte::Marcas(d.QGrupos()), "NSSSSS");
    EXPECT_EQ(d.QGrupos().Posicao(), 1u);
    EXPECT_EQ(d.DBGrid1->currentIndex().row(), 1);
    QTest::keyClick(d.DBGrid1, Qt::Key_F3);
  });
  EXPECT_EQ(caixas->Mostradas.size(), 2u);
  EXPECT_EQ(d.GruposMarcados(), "2,3,10,11,4 ");
}

TEST_F(FiltroGrupEsp, F6EF7NuncaPerguntamEF5SemGradeComFocoNaoFazNada) {
  caixas->Respostas = {true, true, true};
  TFFiltroGrupoEspec d(*sessao);
  suporte::RodarDialogo(d, [](TFFiltroGrupoEspec& d) {
    suporte::Tecla(d.DBGrid1, Qt::Key_F7);
    suporte::Tecla(d.DBGrid1, Qt::Key_F6);
    suporte::Tecla(d.DBGrid2, Qt::Key_F7);
    EXPECT_EQ(suporte::Marcas(d.QGrupos()), "SSSSSS");
    EXPECT_EQ(suporte::Marcas(d.QEspec()), "NNNN");
    suporte::Tecla(d.EditGrupos, Qt::Key_F5);
    suporte::Tecla(d.Button2, Qt::Key_F5);
    EXPECT_EQ(suporte::Marcas(d.QGrupos()), "SSSSSS");
    EXPECT_FALSE(d.GruposAlterados());
    QTest::keyClick(d.Button2, Qt::Key_F3);
  });
  EXPECT_TRUE(caixas->Mostradas.empty());
  EXPECT_EQ(d.GruposMarcados(), "");
  EXPECT_EQ(d.EspecMarcadas(), "");
}

TEST_F(FiltroGrupEsp, CancelarEscOuFecharNaoConstroemNada) {
  const std::vector<std::function<void(TFFiltroGrupoEspec&)>> fechamentos = {
      [](TFFiltroGrupoEspec& d) { suporte::Tecla(d.DBGrid2, Qt::Key_Escape); },
      [](TFFiltroGrupoEspec& d) { d.Button2->click(); },
      [](TFFiltroGrupoEspec& d) { d.close(); },
  };
  for (const auto& fechar : fechamentos) {
    std::string grupos = "9 ", espec = "9 ";
    bool negrito = RodarPrincipal(grupos, espec, [&](TFFiltroGrupoEspec& d) {
      suporte::F5Em(d.DBGrid1, 2);
      suporte::F5Em(d.DBGrid2, 0);
      fechar(d);
      EXPECT_FALSE(d.isVisible());
    });
    EXPECT_FALSE(negrito);
    EXPECT_EQ(grupos, "");
    EXPECT_EQ(espec, "");
  }
}

// Enter presses a button only when that button has the focus; in a grid or a search box it does
// nothing, so the marks are never thrown away by a stray Enter.
TEST_F(FiltroGrupEsp, EnterSoApertaOBotaoComFoco) {
  std::string grupos, espec;
  bool negrito = RodarPrincipal(grupos, espec, [](TFFiltroGrupoEspec& d) {
    EXPECT_FALSE(d.Button1->autoDefault() || d.Button2->autoDefault());
    // Each button has had the focus before the grid gets Enter.
    d.Button2->setFocus();
    d.Button1->setFocus();
    suporte::F5Em(d.DBGrid1, 2);
    for (QWidget* w : {static_cast<QWidget*>(d.DBGrid1), static_cast<QWidget*>(d.EditGrupos),
                       static_cast<QWidget*>(d.EditEspec), static_cast<QWidget*>(d.DBGrid2)}) {
      suporte::Tecla(w, Qt::Key_Return);
      suporte::Tecla(w, Qt::Key_Enter);
      EXPECT_TRUE(d.isVisible()) << w->objectName().toStdString();
    }
    suporte::Tecla(d.Button1, Qt::Key_Return);
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_TRUE(negrito);
  EXPECT_EQ(grupos, "1,2,10,11,4 ");
  EXPECT_EQ(espec, "");

  negrito = RodarPrincipal(grupos, espec, [](TFFiltroGrupoEspec& d) {
    suporte::F5Em(d.DBGrid1, 2);
    suporte::Tecla(d.Button2, Qt::Key_Enter);
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_FALSE(negrito);
  EXPECT_EQ(grupos, "");
}

TEST_F(FiltroGrupEsp, OrdenarPorIdDaIdsEmOrdemCrescenteETituloAmarelo) {
  TFFiltroGrupoEspec d(*sessao);
  suporte::RodarDialogo(d, [](TFFiltroGrupoEspec& d) {
    auto* modelo = d.DBGrid1->Modelo();
    suporte::F5Em(d.DBGrid1, 5);
    QTest::mouseClick(d.DBGrid1->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(d.DBGrid1->horizontalHeader()->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(Ids(d.QGrupos()), (std::vector<int64_t>{1, 2, 3, 4, 10, 11}));
    EXPECT_EQ(d.QGrupos().Posicao(), 0u);
    EXPECT_EQ(modelo->CorTitulo(0), QColor(255, 255, 0));
    EXPECT_EQ(modelo->CorTitulo(1), QColor(Qt::white));
    suporte::F5Em(d.DBGrid1, 3);  // LIMPEZA marked again
    // A second click on the same column only moves to the first row.
    suporte::F5Em(d.DBGrid1, 4);  // HIGIENE: the question is answered No
    d.QGrupos().IrPara(5);
    QTest::mouseClick(d.DBGrid1->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(d.DBGrid1->horizontalHeader()->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(d.QGrupos().Posicao(), 0u);
    EXPECT_EQ(Ids(d.QGrupos()), (std::vector<int64_t>{1, 2, 3, 4, 10, 11}));
    QTest::keyClick(d.DBGrid1, Qt::Key_F3);
  });
  EXPECT_EQ(d.GruposMarcados(), "1,2,3,4,11 ");
}

TEST_F(FiltroGrupEsp, CaixasDeBuscaMovemEProcuramPeloNomeDoGrupo) {
  TFFiltroGrupoEspec d(*sessao);
  suporte::RodarDialogo(d, [](TFFiltroGrupoEspec& d) {
    auto& g = d.QGrupos();
    d.EditGrupos->setFocus();
    QTest::keyClick(d.EditGrupos, Qt::Key_H);  // the key just typed counts
    EXPECT_EQ(g.Inteiro("grupo_id"), 10);
    QTest::keyClick(d.EditGrupos, Qt::Key_Down);
    EXPECT_EQ(g.Inteiro("grupo_id"), 11);
    EXPECT_EQ(d.EditGrupos->text(), Q("h"));
    QTest::keyClick(d.EditGrupos, Qt::Key_Up);
    QTest::keyClick(d.EditGrupos, Qt::Key_Up);
    EXPECT_EQ(g.Inteiro("grupo_id"), 3);
    EXPECT_EQ(d.DBGrid1->currentIndex().row(), 2) << "the grid follows";

    d.EditGrupos->clear();
    QTest::keyClicks(d.EditGrupos, "Ref");  // own name, not the tree description
    EXPECT_EQ(g.Inteiro("grupo_id"), 3);
    QTest::keyClicks(d.EditGrupos, "x");  // no match: stays
    EXPECT_EQ(g.Inteiro("grupo_id"), 3);
    d.EditGrupos->setText(Q("ág"));
    QTest::keyClick(d.EditGrupos, Qt::Key_End);
    EXPECT_EQ(g.Inteiro("grupo_id"), 11) << "an accented lower case matches the stored capital";

    d.EditEspec->setFocus();
    QTest::keyClicks(d.EditEspec, "z");
    EXPECT_EQ(d.QEspec().Inteiro("espec_id"), 6);
    QTest::keyClick(d.EditEspec, Qt::Key_Up);
    EXPECT_EQ(d.QEspec().Inteiro("espec_id"), 4);
    QTest::keyClick(d.EditEspec, Qt::Key_Escape);
  });
  EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST_F(FiltroGrupEsp, LinhaMarcadaPintadaMesmoSelecionada) {
  TFFiltroGrupoEspec d(*sessao);
  suporte::RodarDialogo(d, [](TFFiltroGrupoEspec& d) {
    suporte::F5Em(d.DBGrid2, 1);                                  // unmarked now, and current (selected)
    d.DBGrid2->setCurrentIndex(d.DBGrid2->model()->index(0, 0));  // marked and selected
    QImage imagem = d.DBGrid2->viewport()->grab().toImage();
    auto ponto = [&](int linha) {
      QRect r = d.DBGrid2->visualRect(d.DBGrid2->model()->index(linha, 1));
      return imagem.pixelColor(r.right() - 3, r.center().y()).rgb();
    };
    EXPECT_EQ(ponto(0), QColor(255, 128, 128).rgb());
    EXPECT_EQ(ponto(2), QColor(255, 128, 128).rgb());
    EXPECT_NE(ponto(1), QColor(255, 128, 128).rgb());
  });
}

TEST_F(FiltroGrupEsp, ErroAoLerUmaListaMostraACaixaEAbreSemElaESemAsSeguintes) {
  banco.Executar("DROP TABLE espec");
  {
    TFFiltroGrupoEspec d(*sessao);
    suporte::RodarDialogo(d, [](TFFiltroGrupoEspec& d) {
      EXPECT_EQ(d.QGrupos().NumeroRegistros(), 6u);
      EXPECT_FALSE(d.QEspec().Aberta());
      suporte::Tecla(d.DBGrid2, Qt::Key_F5);  // nothing to toggle
      suporte::Tecla(d.DBGrid2, Qt::Key_F7);
      QTest::keyClick(d.DBGrid2, Qt::Key_F3);
    });
    EXPECT_EQ(d.EspecMarcadas(), "");
  }
  ASSERT_EQ(caixas->Mostradas.size(), 1u);
  EXPECT_EQ(caixas->Mostradas[0].Icone, plataforma::TIconeMensagem::Erro);
  EXPECT_NE(caixas->Mostradas[0].Texto.find("espec"), std::string::npos) << caixas->Mostradas[0].Texto;

  caixas->Mostradas.clear();
  banco.Executar(
      "DROP TABLE grupo; CREATE TABLE espec (espec_id INT, descricao VARCHAR(40), validade DATETIME, apagado CHAR(1))");
  std::string grupos, espec;
  bool negrito = RodarPrincipal(grupos, espec, [](TFFiltroGrupoEspec& d) {
    EXPECT_FALSE(d.QGrupos().Aberta());
    EXPECT_FALSE(d.QEspec().Aberta()) << "the list after the failing one is not read";
    suporte::Tecla(d.DBGrid1, Qt::Key_F5);
    QTest::keyClick(d.DBGrid1, Qt::Key_F3);
  });
  EXPECT_FALSE(negrito);
  EXPECT_EQ(caixas->Mostradas.size(), 1u);
}

TEST_F(FiltroGrupEsp, ErroDaConsultaDosFilhosMostraACaixaEALinhaFicaComANovaMarca) {
  TFFiltroGrupoEspec d(*sessao);
  suporte::RodarDialogo(d, [this](TFFiltroGrupoEspec& d) {
    banco.Executar("ALTER TABLE grupo CHANGE codigo codigo_antigo VARCHAR(150)");
    suporte::F5Em(d.DBGrid1, 0);
    EXPECT_EQ(suporte::Marcas(d.QGrupos()), "NSSSSS");
    QTest::keyClick(d.DBGrid1, Qt::Key_F3);
  });
  ASSERT_EQ(caixas->Mostradas.size(), 1u);
  EXPECT_EQ(caixas->Mostradas[0].Icone, plataforma::TIconeMensagem::Erro);
  EXPECT_EQ(d.GruposMarcados(), "2,3,10,11,4 ") << "the row's new mark counts";
}

TEST(FiltroGrupEspSql, TextosDasConsultas) {
  EXPECT_EQ(TFFiltroGrupoEspec::SqlGrupos(),
            "Select grupo_id, desc_arvore, descricao, \"S\" as MARCADO, codigo from grupo where apagado = \"N\" "
            "order by desc_arvore");
  EXPECT_EQ(TFFiltroGrupoEspec::SqlEspec("2024-03-05"),
            "Select espec_id, descricao, \"S\" as MARCADO from espec where ((validade >= \"2024-03-05 00:00:00\") or "
            "(validade is null)) and apagado = \"N\" order by descricao");
  EXPECT_EQ(TFFiltroGrupoEspec::SqlGruposFilhos(123),
            "Select\r\n grupo_id\r\nfrom\r\n grupo\r\nwhere\r\n codigo like \"%0000123%\" and\r\n apagado = \"N\"\r\n");
  EXPECT_NE(TFFiltroGrupoEspec::SqlGruposFilhos(123456789).find("\"%123456789%\""), std::string::npos);
}

}  // namespace
