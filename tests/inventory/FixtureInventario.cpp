#include "tests/inventory/FixtureInventario.h"

#include <optional>

#include <gtest/gtest.h>

#include "inventory/UInventarioP7Dao.h"
#include "settings/UDatabase.h"

namespace fixture {

std::string Txt(const std::string& s) {
  std::string r = "'";
  for (char c : s) {
    if (c == '\'' || c == '\\')
      r += c == '\'' ? "''" : "\\\\";
    else
      r += c;
  }
  return r + "'";
}

void TDados::Filial(int id, const std::string& nome, const std::string& cgc, const std::string& inscr,
                    const std::string& produtoArredond) const {
  banco_.Executar("INSERT INTO filial (filial_id, psi_nomest, cgc, inscr, produto_arredond) VALUES (" +
                  std::to_string(id) + ", " + nome + ", " + cgc + ", " + inscr + ", " + produtoArredond + ")");
}

void TDados::Produto(const TProduto& p) const {
  banco_.Executar(
      "INSERT INTO produto (produto_id, barras, sittr, descricao, ncm, unidade, preco_cmp_un, tipo, grupo_id, "
      "espec_id, apagado, dtcadastro) VALUES (" +
      std::to_string(p.Id) + ", " + Txt("789" + std::to_string(p.Id)) + ", '000', " + Txt(p.Descricao) +
      ", '12345678', 'UN', " + p.PrecoCmpUn + ", " + Txt(p.Tipo) + ", " + p.GrupoId + ", " + p.EspecId + ", " +
      Txt(p.Apagado) + ", " + p.DtCadastro + ")");
  if (p.ComEstoque)
    banco_.Executar("INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc, precoee, dtcadastro) VALUES (" +
                    std::to_string(p.Id) + ", " + std::to_string(filial_) + ", " + p.Estoque + ", " + p.Pmc + ", " +
                    p.Precoee + ", " + p.DtCadastroEstoque + ")");
}

void TDados::Produto(int id, const std::string& descricao, const std::string& estoque) const {
  TProduto p;
  p.Id = id;
  p.Descricao = descricao;
  p.Estoque = estoque;
  Produto(p);
}

void TDados::Historico(int produtoId, const std::string& datahora, const std::string& novoPmc,
                       const std::string& valorEntrada, int historicoId) const {
  banco_.Executar(
      "INSERT INTO preco_medio_custo_historico (historico_id, filial_id, produto_id, datahora, "
      "novo_pmc, valor_entrada) VALUES (" +
      (historicoId ? std::to_string(historicoId) : std::string("NULL")) + ", " + std::to_string(filial_) + ", " +
      std::to_string(produtoId) + ", " + Txt(datahora) + ", " + novoPmc + ", " + valorEntrada + ")");
}

int TDados::InserirMovimento(int filialId, const std::string& dafilialId, int produtoId, const std::string& dataHora,
                             int oper, const std::string& eS, const std::string& quantidade,
                             const std::string& apagado) const {
  banco_.Executar(
      "INSERT INTO movment (filial_id, dafilial_id, produto_id, data_hora, oper, e_s, quanti_uni, "
      "apagado) VALUES (" +
      std::to_string(filialId) + ", " + dafilialId + ", " + std::to_string(produtoId) + ", " + Txt(dataHora) + ", " +
      std::to_string(oper) + ", " + Txt(eS) + ", " + quantidade + ", " + Txt(apagado) + ")");
  return std::stoi(banco_.Valor("SELECT MAX(movment_id) FROM movment"));
}

int TDados::Movimento(int produtoId, const std::string& dataHora, const std::string& eS, const std::string& quantidade,
                      int oper, const std::string& apagado) const {
  return InserirMovimento(filial_, "NULL", produtoId, dataHora, oper, eS, quantidade, apagado);
}

int TDados::MovimentoDe(int filialId, const std::string& dafilialId, int produtoId, const std::string& dataHora,
                        const std::string& eS, const std::string& quantidade) const {
  return InserirMovimento(filialId, dafilialId, produtoId, dataHora, 1, eS, quantidade, "N");
}

void TDados::SemAcompanhamento(int movmentId) const {
  banco_.Executar("INSERT INTO movment_sem_acompanhamento (movment_id) VALUES (" + std::to_string(movmentId) + ")");
}

namespace {

// Every column of every row as the server sent it, NULL apart.
using TTextoLinhas = std::vector<std::vector<std::optional<std::string>>>;

TTextoLinhas LerTudo(dbclient::TConsulta& q) {
  TTextoLinhas r;
  for (q.Primeiro(); !q.Eof(); q.Proximo()) {
    r.emplace_back();
    for (size_t c = 0; c < q.NumeroCampos(); ++c)
      r.back().push_back(q.Campo(c).IsNull() ? std::nullopt : std::optional<std::string>(q.Campo(c).AsString()));
  }
  return r;
}

// The register table's definition: the column types the composition reads.
std::string Definicao(IDatabase& banco) { return banco.OpenQuery("SHOW CREATE TABLE registro74")->Campo(1).AsString(); }

}  // namespace

std::vector<TLinha> Consultar(IDatabase& banco, const TParamsRelatorio& params) {
  std::vector<TLinha> linhas;
  TTextoLinhas janela;
  std::string definicaoJanela;
  {
    std::unique_ptr<dbclient::TConsulta> q = TInventarioP7Dao::ConsultarInventario(banco, params);
    EXPECT_EQ(q->NumeroCampos(), 8u);
    janela = LerTudo(*q);
    definicaoJanela = Definicao(banco);
    for (q->Primeiro(); !q->Eof(); q->Proximo()) {
      TLinha l;
      l.ProdutoId = static_cast<int>(q->CampoPorNome("produto_id").AsInteger());
      l.Descricao = q->CampoPorNome("descricao").AsString();
      l.Quantidade = std::stod(q->CampoPorNome("quantidade").AsString());
      if (!q->CampoPorNome("valor").IsNull()) l.Valor = std::stod(q->CampoPorNome("valor").AsString());
      l.Barras = q->CampoPorNome("barras").AsString();
      l.Unidade = q->CampoPorNome("unidade").AsString();
      l.Ncm = q->CampoPorNome("ncm").AsString();
      l.Sittr = q->CampoPorNome("sittr").AsString();
      linhas.push_back(l);
    }
  }
  TInventarioP7Dao::ApagarTabelasTemporarias(banco);
  // The year-end command's script gives the very same rows, every column, of the same types.
  {
    std::unique_ptr<dbclient::TConsulta> q =
        TInventarioP7Dao::ConsultarInventario(banco, params, TLeituraMovimentos::PorFilial);
    EXPECT_EQ(LerTudo(*q), janela) << "the command's rows differ from the window's";
    EXPECT_EQ(Definicao(banco), definicaoJanela);
  }
  TInventarioP7Dao::ApagarTabelasTemporarias(banco);
  return linhas;
}

std::vector<int> Ids(const std::vector<TLinha>& linhas) {
  std::vector<int> r;
  for (const auto& l : linhas) r.push_back(l.ProdutoId);
  return r;
}

TLinha Linha(const std::vector<TLinha>& linhas, int produtoId) {
  for (const auto& l : linhas)
    if (l.ProdutoId == produtoId) return l;
  ADD_FAILURE() << "product " << produtoId << " is not in the register";
  return {};
}

}  // namespace fixture
