#pragma once
// An editable in-memory copy of a query result, for windows that let the user mark rows.
// Changes stay in memory: nothing is ever written back to the server.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dbclient/DbClient.h"

namespace dbclient {

// What observers (grids) are told. Nothing is told while controls are disabled; enabling them
// again sends Dados and Cursor.
enum class TAvisoConjunto {
  Estrutura,  // opened or closed: rows and columns may all differ
  Dados,      // same rows, any values or order may differ
  Linha,      // the row at the given position changed
  Cursor      // the current row is now the given position
};

class TConjuntoLinhas {
 public:
  using TMarcador = size_t;  // a row's identity; survives sorting
  using TAposGravar = std::function<void(TConjuntoLinhas&)>;
  using TObservador = std::function<void(TAvisoConjunto, size_t posicao)>;

  TConjuntoLinhas() = default;
  explicit TConjuntoLinhas(TConexao& conexao) : conexao_(&conexao) {}
  TConjuntoLinhas(const TConjuntoLinhas&) = delete;
  TConjuntoLinhas& operator=(const TConjuntoLinhas&) = delete;

  void DefinirSql(std::string sql) { sql_ = std::move(sql); }
  const std::string& Sql() const { return sql_; }

  // Runs the text on the connection and copies all its rows; positioned on the first row.
  void Abrir();
  // Copies every row of an open query, from its first.
  void Carregar(TConsulta& consulta);
  // Takes rows given in memory (each row one value per column).
  void CarregarLinhas(std::vector<std::string> campos, std::vector<std::vector<TValor>> linhas);
  void Fechar();
  bool Aberta() const { return aberta_; }

  size_t NumeroCampos() const { return campos_.size(); }
  const std::string& NomeCampo(size_t indice) const { return campos_.at(indice); }
  // By name without regard to case; EErroBanco when there is no such column.
  size_t IndiceCampo(std::string_view nome) const;
  bool TemCampo(std::string_view nome) const;

  size_t NumeroRegistros() const { return ordem_.size(); }
  bool Vazia() const { return ordem_.empty(); }

  // Navigation. Moving away from a row being edited saves it first. Proximo on the last row
  // stays there and sets Eof; Anterior on the first stays there and sets Bof.
  void Primeiro();
  void Proximo();
  void Anterior();
  bool Eof() const { return ordem_.empty() || eof_; }
  bool Bof() const { return ordem_.empty() || bof_; }
  size_t Posicao() const { return posicao_; }  // row number in the current order, 0-based
  void IrPara(size_t posicao);                 // clamped to the last row

  // Values of the current row (the edit buffer while editing) or of a row by position.
  const TValor& Valor(size_t campo) const;
  const TValor& Valor(std::string_view nome) const { return Valor(IndiceCampo(nome)); }
  const TValor& ValorNa(size_t posicao, size_t campo) const;
  std::string Texto(std::string_view nome) const { return ParaTexto(Valor(nome)); }
  int64_t Inteiro(std::string_view nome) const { return ParaInteiro(Valor(nome), nome); }
  static std::string ParaTexto(const TValor& v);  // "" for Null
  // As dbclient::ValorParaInteiro; `coluna` names the column in its error.
  static int64_t ParaInteiro(const TValor& v, std::string_view coluna = "");

  // Editing: Editar copies the current row into a buffer, DefinirValor changes the buffer,
  // Gravar stores it in the row and then runs AposGravar with the saved row current.
  void Editar();
  void DefinirValor(std::string_view nome, TValor valor);
  void Gravar();
  void Cancelar();
  TAposGravar AposGravar;  // detach by taking it out, attach by putting it back

  TMarcador Marcador() const;  // of the current row; error when empty
  void IrParaMarcador(TMarcador marcador);

  // Ascending, stable; texts compare without regard to case or accents, Null first.
  // Positioned on the row that was current.
  void Ordenar(std::string_view campo);
  // Exact match, first in the current order; the current row stays when nothing matches.
  bool Localizar(std::string_view campo, const TValor& valor);
  // First row whose text begins with the prefix, without regard to case.
  bool LocalizarInicio(std::string_view campo, std::string_view prefixo);

  // Bulk changes: while the counter is above zero observers hear nothing.
  void DesabilitarControles() { ++controlesDesabilitados_; }
  void HabilitarControles();
  bool ControlesDesabilitados() const { return controlesDesabilitados_ > 0; }

  int Observar(TObservador observador);
  void DeixarDeObservar(int id);

 private:
  void ExigirAberta() const;
  void ExigirLinha() const;
  void GravarSePendente();
  void Avisar(TAvisoConjunto aviso, size_t posicao);
  void MoverPara(size_t posicao);

  TConexao* conexao_ = nullptr;
  std::string sql_;
  bool aberta_ = false;
  std::vector<std::string> campos_;
  std::vector<std::vector<TValor>> linhas_;  // in load order; the index is the bookmark
  std::vector<size_t> ordem_;                // position -> row
  size_t posicao_ = 0;
  bool eof_ = true, bof_ = true;
  bool editando_ = false;
  std::vector<TValor> buffer_;
  int controlesDesabilitados_ = 0;
  std::vector<std::pair<int, TObservador>> observadores_;
  int proximoObservador_ = 1;
};

// Disables the controls of a row set for the lifetime of the object.
class TControlesDesabilitados {
 public:
  explicit TControlesDesabilitados(TConjuntoLinhas& c) : c_(c) { c_.DesabilitarControles(); }
  // The observers run here, possibly while an error unwinds: theirs must not end the program.
  ~TControlesDesabilitados() {
    try {
      c_.HabilitarControles();
    } catch (...) {
    }
  }
  TControlesDesabilitados(const TControlesDesabilitados&) = delete;
  TControlesDesabilitados& operator=(const TControlesDesabilitados&) = delete;

 private:
  TConjuntoLinhas& c_;
};

}  // namespace dbclient
