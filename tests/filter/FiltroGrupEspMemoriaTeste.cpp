// The filter dialog's marking rules on a session without a server: the child-group question and
// its answers, F6/F7 that never ask, and the id lists that OK builds.
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "filter/UFiltroGrupEsp.h"
#include "platform/Win1252.h"
#include "settings/UDatabase.h"
#include "tests/support/BancoMemoria.h"
#include "tests/support/DialogoFiltro.h"
#include "tests/support/SuporteTestes.h"

using dbclient::TConjuntoLinhas;
using dbclient::TTipoCampo;
using suporte::TBancoMemoria;

namespace {

class FiltroGrupEspMemoria : public ::testing::Test {
 protected:
  void SetUp() override {
    banco_ = std::make_shared<TBancoMemoria>();
    // ALIMENTOS > BEBIDAS > REFRIGERANTES, and LIMPEZA alone.
    banco_->Responder(TFFiltroGrupoEspec::SqlGrupos(),
                      {{"grupo_id", "desc_arvore", "descricao", "MARCADO", "codigo"},
                       {TTipoCampo::Inteiro},
                       {{"1", "ALIMENTOS", "ALIMENTOS", "S", "0000001"},
                        {"2", "ALIMENTOS > BEBIDAS", "BEBIDAS", "S", "0000001.0000002"},
                        {"3", "ALIMENTOS > BEBIDAS > REFRIGERANTES", "REFRIGERANTES", "S", "0000001.0000002.0000003"},
                        {"4", "LIMPEZA", "LIMPEZA", "S", "0000004"}}});
    banco_->Responder("Select espec_id,", {{"espec_id", "descricao", "MARCADO"},
                                           {TTipoCampo::Inteiro},
                                           {{"1", "A", "S"}, {"2", "B", "S"}, {"3", "C", "S"}}});
    const std::vector<std::vector<int>> filhos = {{1, 2, 3}, {2, 3}, {3}, {4}};  // each group and its descendants
    for (const auto& ids : filhos) {
      TBancoMemoria::TResultado r{{"grupo_id"}, {TTipoCampo::Inteiro}, {}};
      for (int id : ids) r.Linhas.push_back({std::to_string(id)});
      banco_->Responder(TFFiltroGrupoEspec::SqlGruposFilhos(ids.front()), r);
    }
  }

  size_t ConsultasDeFilhos() const {
    size_t n = 0;
    for (const auto& e : banco_->Enviados)
      if (e.Sql.rfind("Select\r\n grupo_id", 0) == 0) ++n;
    return n;
  }

  suporte::TCaixasInstaladas caixas_;
  std::shared_ptr<TBancoMemoria> banco_;
};

TEST_F(FiltroGrupEspMemoria, GrupoComDescendentesPerguntaESoOSimLevaAMarca) {
  caixas_->Respostas = {false, true};
  TFFiltroGrupoEspec d(*banco_);
  suporte::RodarDialogo(d, [this](TFFiltroGrupoEspec& d) {
    ASSERT_GE(banco_->Enviados.size(), 2u);
    EXPECT_EQ(banco_->Enviados[0].Sql, TFFiltroGrupoEspec::SqlGrupos()) << "the lists come through the session";
    EXPECT_EQ(banco_->Enviados[1].Sql.rfind("Select espec_id,", 0), 0u);
    suporte::F5Em(d.DBGrid1, 0);  // ALIMENTOS, answered No: only the row
    EXPECT_EQ(suporte::Marcas(d.QGrupos()), "NSSS");
    suporte::F5Em(d.DBGrid1, 1);  // BEBIDAS, answered Yes: REFRIGERANTES too, and back on BEBIDAS
    EXPECT_EQ(suporte::Marcas(d.QGrupos()), "NNNS");
    EXPECT_EQ(d.QGrupos().Posicao(), 1u);
    suporte::F5Em(d.DBGrid1, 2);  // REFRIGERANTES has no descendants: no question
    EXPECT_EQ(suporte::Marcas(d.QGrupos()), "NNSS");
    QTest::keyClick(d.DBGrid1, Qt::Key_F3);
  });
  ASSERT_EQ(caixas_->Mostradas.size(), 2u);
  for (const auto& caixa : caixas_->Mostradas) {
    EXPECT_TRUE(caixa.Pergunta);
    EXPECT_TRUE(caixa.PadraoSim);
    EXPECT_EQ(caixa.Texto, W("Deseja alterar também os grupos filhos?"));
    EXPECT_EQ(caixa.Titulo, W("Atenção"));
  }
  EXPECT_EQ(ConsultasDeFilhos(), 3u) << "the Yes saves the descendants without asking again";
  EXPECT_EQ(d.GruposMarcados(), "3,4 ");
  EXPECT_EQ(d.EspecMarcadas(), "") << "an untouched list gives no filter";
}

TEST_F(FiltroGrupEspMemoria, F6EF7NuncaPerguntamEOkListaOsMarcados) {
  caixas_->Respostas = {true, true, true};
  TFFiltroGrupoEspec d(*banco_);
  suporte::RodarDialogo(d, [this](TFFiltroGrupoEspec& d) {
    suporte::Tecla(d.DBGrid1, Qt::Key_F7);
    suporte::Tecla(d.DBGrid1, Qt::Key_F6);
    suporte::Tecla(d.DBGrid1, Qt::Key_F7);
    EXPECT_EQ(suporte::Marcas(d.QGrupos()), "NNNN");
    EXPECT_EQ(ConsultasDeFilhos(), 0u);
    suporte::F5Em(d.DBGrid1, 3);  // LIMPEZA
    suporte::F5Em(d.DBGrid2, 1);
    EXPECT_EQ(suporte::Marcas(d.QEspec()), "SNS");
    QTest::keyClick(d.DBGrid2, Qt::Key_F3);
  });
  EXPECT_TRUE(caixas_->Mostradas.empty());
  EXPECT_EQ(d.GruposMarcados(), "4 ");
  EXPECT_EQ(d.EspecMarcadas(), "1,3 ");
}

}  // namespace
