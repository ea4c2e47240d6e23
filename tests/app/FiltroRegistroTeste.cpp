// A filter chosen in the dialog restricts the rows of the next "Gerar (F3)".
#include <QApplication>
#include <QDateEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

#include "app/UMain.h"
#include "filter/UFiltroGrupEsp.h"
#include "platform/Win1252.h"
#include "settings/UDatabase.h"
#include "tests/support/SuporteTestes.h"

namespace {

// Groups in tree order: ALIMENTOS(1), ALIMENTOS > BEBIDAS(2), HIGIENE(10), HIGIENE > ÁGUAS(11).
const char* const kDados = R"(
INSERT INTO grupo (grupo_id, desc_arvore, descricao, codigo, apagado) VALUES
 (1, 'ALIMENTOS', 'ALIMENTOS', '0000001', 'N'),
 (2, 'ALIMENTOS > BEBIDAS', 'BEBIDAS', '0000001.0000002', 'N'),
 (10, 'HIGIENE', 'HIGIENE', '0000010', 'N'),
 (11, 'HIGIENE > ÁGUAS', 'ÁGUAS', '0000010.0000011', 'N');
INSERT INTO espec (espec_id, descricao, validade, apagado) VALUES (1, 'ALFA', NULL, 'N'), (2, 'BETA', NULL, 'N');
INSERT INTO produto (produto_id, descricao, unidade, preco_cmp_un, tipo, grupo_id, espec_id, apagado) VALUES
 (101, 'ARROZ', 'KG', 5, 'P', 1, 1, 'N'),
 (102, 'REFRIGERANTE', 'UN', 7, 'P', 2, 1, 'N'),
 (103, 'SABONETE', 'UN', 2, 'P', 10, 1, 'N'),
 (104, 'ÁGUA MINERAL', 'UN', 3, 'P', 11, 2, 'N'),
 (105, 'XAMPU', 'UN', 9, 'P', 10, 2, 'N');
INSERT INTO estoque_minimo (produto_id, filial_id, estoque) VALUES (101, 1, 1), (102, 1, 1), (103, 1, 1), (104, 1, 1), (105, 1, 1);
)";

TEST(FiltroRegistro, GruposEscolhidosNoDialogoRestringemOProximoRegistro) {
  suporte::TRegionalBrasil regional;
  suporte::TBancoTeste banco;
  suporte::TPastaProgramaTeste pasta;
  suporte::TCaixasInstaladas caixas;
  banco.Executar(W(kDados));
  pasta.EscreverIniBanco(banco.Nome(), 1);
  {
    TFMain janela;
    janela.Terminar = [] { ADD_FAILURE() << "the program ended"; };
    janela.show();
    ASSERT_TRUE(DatabaseSession);

    // F7 unmarks every group; F5 on HIGIENE marks it back, and "Yes" takes its child along.
    caixas->Respostas = {true};
    QTimer::singleShot(0, [] {
      auto* d = qobject_cast<TFFiltroGrupoEspec*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      d->DBGrid1->setFocus();
      QTest::keyClick(d->DBGrid1, Qt::Key_F7);
      d->DBGrid1->setCurrentIndex(d->DBGrid1->model()->index(2, 0));
      QTest::keyClick(d->DBGrid1, Qt::Key_F5);
      QTest::keyClick(d, Qt::Key_F3);
    });
    QTest::mouseClick(janela.Button1, Qt::LeftButton);
    EXPECT_EQ(janela.FiltroGrupos, "10,11 ");
    EXPECT_EQ(janela.FiltroEspecificacoes, "");
    EXPECT_TRUE(janela.Button1->font().bold());

    janela.DataInventario->setDate(QDate(2024, 1, 31));
    QTest::keyClick(&janela, Qt::Key_F3);
  }
  DatabaseSession.reset();

  ASSERT_EQ(caixas->Mostradas.size(), 1u) << "only the child-group question";
  std::string registro = suporte::LerArquivo(pasta.Caminho() / "relatorio" / "relatorio.txt");
  EXPECT_NE(registro.find("SABONETE"), std::string::npos);
  EXPECT_NE(registro.find("XAMPU"), std::string::npos);
  EXPECT_NE(registro.find(W("ÁGUA MINERAL")), std::string::npos);
  EXPECT_EQ(registro.find("ARROZ"), std::string::npos);
  EXPECT_EQ(registro.find("REFRIGERANTE"), std::string::npos);
}

}  // namespace
