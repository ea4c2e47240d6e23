#pragma once
// Data access of the register: the branch's header data, its rounding product and the stock
// position at the end of a day, computed inside the server on temporary tables of the given
// session's connection. Stateless: every operation takes its session.
#include <cstdint>
#include <memory>
#include <string>

#include "dbclient/DbClient.h"
#include "inventory/UInventarioP7Params.h"

class IDatabase;

// Which script builds the register's rows. Janela: the twelve statements as the window has always
// sent them, whose text is the reference. PorFilial (the year-end command): a script of its own
// that reads each source table once, only the branch's part of it where an index allows, in
// READ COMMITTED (no shared locks on the live system's rows) and puts the session back as it
// found it. Both give the same rows, column types and order.
enum class TLeituraMovimentos { Janela, PorFilial };

class TInventarioP7Dao {
 public:
  TInventarioP7Dao() = delete;

  // Overwrites the three fields when the branch row exists; leaves them as they are otherwise.
  static void ObterDadosFilial(IDatabase& banco, int32_t filialId, TFilial& filial);
  // The branch's rounding product; 0 when the branch has no row or no value.
  static int32_t ObterProdutoArredondamento(IDatabase& banco, int32_t filialId);
  // Builds the temporary tables and returns the register's rows, ordered by descricao. The
  // script stops at its first failed statement and raises its error (dbclient::EErroScript).
  // The caller owns the result; ApagarTabelasTemporarias removes the tables afterwards.
  static std::unique_ptr<dbclient::TConsulta> ConsultarInventario(
      IDatabase& banco, const TParamsRelatorio& params, TLeituraMovimentos leitura = TLeituraMovimentos::Janela);
  // Every drop runs; the failed ones are raised together (EFalhasScript).
  static void ApagarTabelasTemporarias(IDatabase& banco);

  // The texts sent to the server, exposed so they can be checked as they stand.
  static std::string MontarScript(const TParamsRelatorio& params, int32_t produtoArredondamento,
                                  TLeituraMovimentos leitura = TLeituraMovimentos::Janela);
  static std::string SqlDadosFilial(int32_t filialId);
  static std::string SqlProdutoArredondamento(int32_t filialId);
  static const std::string& SqlConsultaInventario();
  static const std::string& SqlApagarTabelas();
  // The last statement of the command's script: the session's isolation level as it was.
  static const std::string& SqlRestaurarIsolamento();

  // Lays a text into an edit mask: "0" takes a character (a blank past the end), "/" inserts the
  // locale's date separator, any other mask character is inserted as it stands.
  static std::string AplicarMascara(const std::string& texto, const std::string& mascara);
};
