// The in-memory row set: order, positions, editing with its hook, and the quiet bulk mode.
#include <gtest/gtest.h>

#include "filter/RowSet.h"
#include "platform/Win1252.h"

using dbclient::TAvisoConjunto;
using dbclient::TConjuntoLinhas;
using dbclient::TValor;

namespace {

TValor T(const char* utf8) { return W(utf8); }
TValor I(int64_t i) { return i; }

// id, nome, MARCADO
void Carregar(TConjuntoLinhas& c) {
  c.CarregarLinhas({"id", "nome", "MARCADO"}, {
                                                  {I(10), T("beta"), T("S")},
                                                  {I(2), T("Água"), T("S")},
                                                  {I(9), T("ALFA"), T("S")},
                                                  {I(1), T("Beta"), T("S")},
                                                  {I(5), TValor{}, T("S")},
                                                  {I(3), T("alfa"), T("S")},
                                              });
}

std::vector<int64_t> Ids(TConjuntoLinhas& c) {
  std::vector<int64_t> r;
  for (size_t p = 0; p < c.NumeroRegistros(); ++p) r.push_back(TConjuntoLinhas::ParaInteiro(c.ValorNa(p, 0)));
  return r;
}

TEST(ConjuntoLinhas, OrdenaPorTextoSemCaixaNemAcentoDeFormaEstavelENumerosPorValor) {
  TConjuntoLinhas c;
  Carregar(c);
  c.IrPara(3);  // id 1
  c.Ordenar("NOME");
  // Null first; ALFA/alfa and beta/Beta keep their previous relative order; Água among the A's.
  EXPECT_EQ(Ids(c), (std::vector<int64_t>{5, 2, 9, 3, 10, 1}));
  EXPECT_EQ(c.Inteiro("id"), 1) << "the current row follows the sort";
  EXPECT_EQ(c.Posicao(), 5u);

  c.Ordenar("id");
  EXPECT_EQ(Ids(c), (std::vector<int64_t>{1, 2, 3, 5, 9, 10}));  // 10 after 9, not after 1
  c.Ordenar("nome");                                             // from the id order: ties now in id order
  EXPECT_EQ(Ids(c), (std::vector<int64_t>{5, 2, 3, 9, 1, 10}));
  EXPECT_THROW(c.Ordenar("inexistente"), dbclient::EErroBanco);
}

TEST(ConjuntoLinhas, LocalizaExatoOuPorInicioEFicaNoLugarQuandoNaoAcha) {
  TConjuntoLinhas c;
  Carregar(c);
  c.IrPara(1);
  EXPECT_FALSE(c.Localizar("id", I(7)));
  EXPECT_EQ(c.Posicao(), 1u);
  EXPECT_TRUE(c.Localizar("id", I(3)));
  EXPECT_EQ(c.Posicao(), 5u);
  EXPECT_FALSE(c.Localizar("nome", T("Alfa"))) << "exact match keeps case";
  EXPECT_TRUE(c.Localizar("nome", T("alfa")));
  EXPECT_EQ(c.Inteiro("id"), 3);

  // By prefix, case-insensitive, the first in the current order.
  EXPECT_TRUE(c.LocalizarInicio("nome", W("BE")));
  EXPECT_EQ(c.Inteiro("id"), 10);
  EXPECT_TRUE(c.LocalizarInicio("nome", W("ág")));
  EXPECT_EQ(c.Inteiro("id"), 2);
  EXPECT_FALSE(c.LocalizarInicio("nome", W("alfaz")));
  EXPECT_EQ(c.Inteiro("id"), 2);
  c.Ordenar("id");
  EXPECT_TRUE(c.LocalizarInicio("nome", W("alf")));
  EXPECT_EQ(c.Inteiro("id"), 3) << "id 3 comes before id 9 in id order";
}

TEST(ConjuntoLinhas, NavegacaoPermaneceNaUltimaLinhaComEof) {
  TConjuntoLinhas c;
  Carregar(c);
  int visitadas = 0;
  for (c.Primeiro(); !c.Eof(); c.Proximo()) ++visitadas;
  EXPECT_EQ(visitadas, 6);
  EXPECT_EQ(c.Posicao(), 5u);
  c.Anterior();
  EXPECT_FALSE(c.Eof());
  EXPECT_EQ(c.Posicao(), 4u);
  c.Primeiro();
  c.Anterior();
  EXPECT_TRUE(c.Bof());
  EXPECT_EQ(c.Posicao(), 0u);

  TConjuntoLinhas vazio;
  vazio.CarregarLinhas({"id"}, {});
  vazio.Primeiro();
  EXPECT_TRUE(vazio.Eof());
  EXPECT_THROW(vazio.Editar(), dbclient::EErroBanco);
}

TEST(ConjuntoLinhas, MarcadorSobreviveAOrdenacao) {
  TConjuntoLinhas c;
  Carregar(c);
  c.IrPara(2);  // id 9
  auto m = c.Marcador();
  c.Ordenar("id");
  c.Primeiro();
  c.IrParaMarcador(m);
  EXPECT_EQ(c.Inteiro("id"), 9);
  EXPECT_EQ(c.Posicao(), 4u);
}

TEST(ConjuntoLinhas, GravarGuardaNaLinhaERodaOGanchoQuePodeSerDesligadoEReligado) {
  TConjuntoLinhas c;
  Carregar(c);
  std::vector<std::string> gravadas;  // id:MARCADO seen by the hook
  c.AposGravar = [&](TConjuntoLinhas& l) {
    gravadas.push_back(std::to_string(l.Inteiro("id")) + ":" + l.Texto("MARCADO"));
  };

  c.IrPara(1);
  c.Editar();
  c.DefinirValor("marcado", std::string("N"));
  EXPECT_EQ(c.Texto("MARCADO"), "N") << "the edit buffer is what the row shows while editing";
  c.Gravar();
  EXPECT_EQ(gravadas, (std::vector<std::string>{"2:N"}));

  auto gancho = std::move(c.AposGravar);
  c.AposGravar = nullptr;
  c.IrPara(2);
  c.Editar();
  c.DefinirValor("MARCADO", std::string("N"));
  c.Gravar();
  EXPECT_EQ(gravadas.size(), 1u) << "detached hook must not run";

  c.AposGravar = gancho;
  c.Editar();
  c.DefinirValor("MARCADO", std::string("S"));
  c.IrPara(0);  // moving away saves the pending edit
  EXPECT_EQ(gravadas, (std::vector<std::string>{"2:N", "9:S"}));
  EXPECT_EQ(TConjuntoLinhas::ParaTexto(c.ValorNa(1, 2)), "N");

  c.Editar();
  c.DefinirValor("MARCADO", std::string("N"));
  c.Cancelar();
  EXPECT_EQ(c.Texto("MARCADO"), "S");
  EXPECT_EQ(gravadas.size(), 2u);
}

TEST(ConjuntoLinhas, GanchoPodeDesligarSeEnquantoRodaEGravarOutrasLinhas) {
  TConjuntoLinhas c;
  Carregar(c);
  int chamadas = 0;
  c.AposGravar = [&](TConjuntoLinhas& l) {
    ++chamadas;
    auto eu = std::move(l.AposGravar);
    l.AposGravar = nullptr;
    size_t volta = l.Posicao();
    for (l.Primeiro(); !l.Eof(); l.Proximo()) {
      l.Editar();
      l.DefinirValor("MARCADO", std::string("N"));
      l.Gravar();
    }
    l.AposGravar = std::move(eu);
    l.IrPara(volta);
  };
  c.IrPara(3);
  c.Editar();
  c.DefinirValor("MARCADO", std::string("N"));
  c.Gravar();
  EXPECT_EQ(chamadas, 1);
  EXPECT_EQ(c.Posicao(), 3u);
  for (size_t p = 0; p < c.NumeroRegistros(); ++p) EXPECT_EQ(TConjuntoLinhas::ParaTexto(c.ValorNa(p, 2)), "N");
  ASSERT_TRUE(c.AposGravar);
}

TEST(ConjuntoLinhas, ControlesDesabilitadosCalamOsAvisosAteOUltimoHabilitar) {
  TConjuntoLinhas c;
  std::vector<std::pair<TAvisoConjunto, size_t>> avisos;
  int id = c.Observar([&](TAvisoConjunto a, size_t p) { avisos.emplace_back(a, p); });
  Carregar(c);
  ASSERT_FALSE(avisos.empty());
  EXPECT_EQ(avisos.front().first, TAvisoConjunto::Estrutura);
  avisos.clear();

  c.IrPara(2);
  c.Editar();
  c.DefinirValor("MARCADO", std::string("N"));
  c.Gravar();
  EXPECT_EQ(avisos,
            (std::vector<std::pair<TAvisoConjunto, size_t>>{{TAvisoConjunto::Cursor, 2}, {TAvisoConjunto::Linha, 2}}));
  avisos.clear();

  c.DesabilitarControles();
  {
    dbclient::TControlesDesabilitados interno(c);
    c.Primeiro();
    c.Editar();
    c.DefinirValor("MARCADO", std::string("N"));
    c.Gravar();
    c.Ordenar("id");
  }
  EXPECT_TRUE(c.ControlesDesabilitados());
  EXPECT_TRUE(avisos.empty());
  c.HabilitarControles();
  EXPECT_FALSE(c.ControlesDesabilitados());
  EXPECT_EQ(avisos, (std::vector<std::pair<TAvisoConjunto, size_t>>{{TAvisoConjunto::Dados, 0},
                                                                    {TAvisoConjunto::Cursor, c.Posicao()}}));
  c.DeixarDeObservar(id);
  avisos.clear();
  c.Primeiro();
  c.Proximo();
  EXPECT_TRUE(avisos.empty());
}

TEST(ConjuntoLinhas, CamposPorNomeSemCaixaEValoresConvertidos) {
  TConjuntoLinhas c;
  Carregar(c);
  EXPECT_EQ(c.IndiceCampo("Marcado"), 2u);
  EXPECT_THROW(c.IndiceCampo("outro"), dbclient::EErroBanco);
  c.IrPara(4);
  EXPECT_EQ(c.Texto("nome"), "") << "Null reads as empty text";
  EXPECT_EQ(TConjuntoLinhas::ParaInteiro(T("42")), 42);
  EXPECT_THROW(TConjuntoLinhas::ParaInteiro(T("4x")), dbclient::EErroBanco);
  c.Fechar();
  EXPECT_FALSE(c.Aberta());
  EXPECT_EQ(c.NumeroRegistros(), 0u);
  EXPECT_THROW(c.Ordenar("id"), dbclient::EErroBanco);
}

}  // namespace
