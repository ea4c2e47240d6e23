#pragma once
// Rows for the inventory cases: each case inserts only what it needs. Values are SQL literals
// as text ("NULL" for NULL); texts are Windows-1252.
#include <optional>
#include <string>
#include <vector>

#include "inventory/UInventarioP7Params.h"
#include "tests/support/SuporteTestes.h"

class IDatabase;

namespace fixture {

struct TProduto {
  int Id = 0;
  std::string Descricao;
  std::string Estoque = "10";  // of the branch's stock row; NULL for an empty value
  std::string PrecoCmpUn = "1";
  std::string Pmc = "0";
  std::string Precoee = "0";
  std::string Tipo = "P";
  std::string GrupoId = "NULL";
  std::string EspecId = "NULL";
  std::string Apagado = "N";
  std::string DtCadastro = "NULL";         // product, e.g. "'2023-06-14 23:59:59'"
  std::string DtCadastroEstoque = "NULL";  // stock row
  bool ComEstoque = true;                  // false: no stock row for the branch
};

// One row of the register as the final query returns it.
struct TLinha {
  int ProdutoId = 0;
  std::string Descricao;
  double Quantidade = 0;
  std::optional<double> Valor;  // empty for NULL
  std::string Barras, Unidade, Ncm, Sittr;
};

class TDados {
 public:
  TDados(const suporte::TBancoTeste& banco, int filialId) : banco_(banco), filial_(filialId) {}

  void Filial(int id, const std::string& nome, const std::string& cgc, const std::string& inscr,
              const std::string& produtoArredond = "NULL") const;
  void Produto(const TProduto& p) const;
  // A product with a stock row of the branch, the other fields as in TProduto.
  void Produto(int id, const std::string& descricao, const std::string& estoque = "10") const;
  void Historico(int produtoId, const std::string& datahora, const std::string& novoPmc,
                 const std::string& valorEntrada = "NULL", int historicoId = 0) const;
  // Returns the movement's id.
  int Movimento(int produtoId, const std::string& dataHora, const std::string& eS, const std::string& quantidade,
                int oper = 1, const std::string& apagado = "N") const;
  int MovimentoDe(int filialId, const std::string& dafilialId, int produtoId, const std::string& dataHora,
                  const std::string& eS, const std::string& quantidade) const;
  void SemAcompanhamento(int movmentId) const;

 private:
  int InserirMovimento(int filialId, const std::string& dafilialId, int produtoId, const std::string& dataHora,
                       int oper, const std::string& eS, const std::string& quantidade,
                       const std::string& apagado) const;
  const suporte::TBancoTeste& banco_;
  int filial_;
};

// Quoted SQL text of a Windows-1252 value.
std::string Txt(const std::string& s);

// Runs ConsultarInventario on the session, reads every row, frees the rows and drops the
// temporary tables; then the same with the year-end command's script, which must give every
// column of every row alike, in a register table of the same definition.
std::vector<TLinha> Consultar(IDatabase& banco, const TParamsRelatorio& params);
// Ids in the order of the rows.
std::vector<int> Ids(const std::vector<TLinha>& linhas);
// The row of a product; a failure (and a blank row) when it is not there.
TLinha Linha(const std::vector<TLinha>& linhas, int produtoId);

}  // namespace fixture
