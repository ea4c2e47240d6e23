#pragma once
// RAII C++ over the MariaDB C API: one connection, queries with buffered result sets and typed
// fields, and a script runner. Texts travel as Windows-1252 bytes (character set latin1).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/Moeda.h"
#include "platform/Regional.h"

struct st_mysql;
struct st_mysql_res;
struct st_mysql_rows;

namespace dbclient {

// Every failure of the client layer: the server's or the client library's own message.
class EErroBanco : public std::runtime_error {
 public:
  explicit EErroBanco(const std::string& mensagem, unsigned codigo = 0)
      : std::runtime_error(mensagem), Codigo(codigo) {}
  unsigned Codigo;
};

// A statement of a script that the server rejected: what() is still the server's own message; the
// statement's place (from 1) and the script's length say where the script stopped.
class EErroScript : public EErroBanco {
 public:
  EErroScript(const EErroBanco& erro, size_t comando, size_t comandos)
      : EErroBanco(erro.what(), erro.Codigo), Comando(comando), Comandos(comandos) {}
  size_t Comando, Comandos;
};

// The one text for an operation without a connection, wherever it is found missing.
const std::string& MensagemSemConexao();

// A value of a column: Null, integer, floating-point number, text or date-time.
using TValor = std::variant<std::monostate, int64_t, double, std::string, plataforma::TDataHora>;
inline bool EhNulo(const TValor& v) { return std::holds_alternative<std::monostate>(v); }

// The one rule that makes a server's text an integer: plataforma::LerInteiro, and for a DECIMAL
// (`decimal`) column also a fraction of zeros only ("4.000" is 4), never through a double and never
// rounded. Anything else ("3.7", out of 64 bits) is an EErroBanco naming the column and the value.
int64_t TextoParaInteiro(std::string_view texto, bool decimal, std::string_view coluna);
// The same rule for a column's value: an integer as it is, a text by TextoParaInteiro, a
// floating-point number only when it is a whole number within 64 bits (an unsigned BIGINT beyond
// the signed range arrives as one), NULL as 0. Anything else is an EErroBanco naming the column and
// the value, never a silently different number.
int64_t ValorParaInteiro(const TValor& v, std::string_view coluna);
// The same for a column that must fit in 32 bits (an id).
int32_t ParaInt32(int64_t valor, std::string_view coluna);
inline int32_t ValorParaInt32(const TValor& v, std::string_view coluna) {
  return ParaInt32(ValorParaInteiro(v, coluna), coluna);
}

// The C handles are owned by these deleters: closing and freeing happen in one place each.
struct TFecharConexao {
  void operator()(st_mysql* m) const noexcept;
};
struct TLiberarResultado {
  void operator()(st_mysql_res* r) const noexcept;
};

class TConexao {
 public:
  TConexao() = default;
  TConexao(TConexao&&) noexcept = default;
  TConexao& operator=(TConexao&&) noexcept = default;

  // Parameters; an empty server name means the local machine. Port 3306 unless set.
  std::string Servidor;
  int Porta = 3306;
  std::string Banco;
  std::string Usuario;
  std::string Senha;

  // TCP over IPv4, 15 s connect timeout, character set latin1, no automatic reconnect.
  void Conectar();
  void Desconectar();
  // False also once the server has dropped or killed the connection.
  bool Conectado() const;

  // Runs one statement and discards any rows.
  void Executar(std::string_view sql);
  // How many statements Executar has sent so far; readable from another thread (progress).
  uint64_t ComandosExecutados() const { return comandos_.Valor.load(std::memory_order_relaxed); }

  st_mysql* Handle();  // for the query classes of this layer

 private:
  std::unique_ptr<st_mysql, TFecharConexao> mysql_;
  // Movable, as the connection is; the count is read from another thread.
  struct TContador {
    std::atomic<uint64_t> Valor{0};
    TContador() = default;
    TContador(TContador&& o) noexcept : Valor(o.Valor.load()) {}
    TContador& operator=(TContador&& o) noexcept {
      Valor = o.Valor.load();
      return *this;
    }
  } comandos_;
};

class TConsulta;

// The kind of a column of a result held in memory, read as a server column of that kind would be.
enum class TTipoCampo { Texto, Inteiro, Decimal, DataHora };
// A value as the server sends it: its text, or nullopt for NULL.
using TCelula = std::optional<std::string>;

// The owner of a result held in memory (defined with TConsulta's code).
struct TResultadoMemoria;
struct TLiberarMemoria {
  void operator()(TResultadoMemoria* m) const noexcept;
};

// A field of the current row of an open query.
class TCampo {
 public:
  TCampo(const TConsulta* consulta, size_t indice) : consulta_(consulta), indice_(indice) {}
  const std::string& Nome() const;
  bool IsNull() const;
  std::string AsString() const;           // "" for NULL
  std::string_view AsStringView() const;  // valid until the cursor moves
  int64_t AsInteger() const;              // 0 for NULL; otherwise TextoParaInteiro
  int32_t AsInt32() const;                // the same, and an error beyond 32 bits (an id column)
  TValor AsVariant() const;               // as the column's type gives

 private:
  const TConsulta* consulta_;
  size_t indice_;
};

// A statement bound to the connection; opened, it holds the whole result in memory with a cursor.
class TConsulta {
 public:
  explicit TConsulta(TConexao& conexao) : conexao_(&conexao) {}
  TConsulta(TConsulta&&) noexcept = default;
  TConsulta& operator=(TConsulta&&) noexcept = default;

  // An open query over rows given in memory, bound to no connection: its cursor and fields serve
  // them as a server's result of those column kinds. Each row has one cell per name; the kinds
  // may be fewer than the names (the rest are texts).
  static TConsulta EmMemoria(std::vector<std::string> nomes, std::vector<TTipoCampo> tipos,
                             std::vector<std::vector<TCelula>> linhas);

  void DefinirSql(std::string sql) { sql_ = std::move(sql); }
  const std::string& Sql() const { return sql_; }
  TConexao& Conexao() const;  // EErroBanco for a query in memory

  void Executar();  // runs the text, discarding rows
  void Abrir();     // runs the text and keeps its rows; positioned on the first row
  void Fechar();
  bool Aberta() const { return res_ != nullptr || memoria_ != nullptr; }

  bool Vazia() const;  // no rows
  void Primeiro();
  void Proximo();
  void Anterior();
  bool Eof() const;  // moved past the last row (true at once when empty)
  bool Bof() const;
  size_t NumeroRegistros() const;
  size_t NumeroCampos() const;

  // By name without regard to case; EErroBanco when there is no such column.
  TCampo CampoPorNome(std::string_view nome) const;
  size_t IndiceCampo(std::string_view nome) const;
  // The index of a column, or SemCampo when the result has none of that name.
  static constexpr size_t SemCampo = size_t(-1);
  size_t ProcurarCampo(std::string_view nome) const;
  TCampo Campo(size_t indice) const {
    if (indice >= nomes_.size()) FalharIndice(indice);
    return TCampo(this, indice);
  }

 private:
  friend class TCampo;
  TConsulta() = default;
  void Posicionar();
  [[noreturn]] void FalharIndice(size_t indice) const;
  TConexao* conexao_ = nullptr;
  std::string sql_;
  std::unique_ptr<st_mysql_res, TLiberarResultado> res_;
  // Rows in memory are laid out as a server row is (pointers and lengths), so the fields read
  // both kinds through the same inline code.
  std::unique_ptr<TResultadoMemoria, TLiberarMemoria> memoria_;
  std::vector<std::string> nomes_;
  std::vector<int> tipos_;
  char** linha_ = nullptr;
  unsigned long* tamanhos_ = nullptr;
  int64_t posicao_ = 0;  // 0-based row; == count means Eof
  bool bof_ = true;
  size_t total_ = 0;                     // rows of the result
  std::vector<st_mysql_rows*> offsets_;  // each row's place in the buffered result: O(1) moves
};

// Read once per column of every row of a large result: kept inline.
inline bool TCampo::IsNull() const { return !consulta_->linha_ || !consulta_->linha_[indice_]; }

inline std::string_view TCampo::AsStringView() const {
  if (IsNull()) return {};
  return {consulta_->linha_[indice_], consulta_->tamanhos_[indice_]};
}

// Runs a text of several statements: split at each ";" outside quoted text (', ", `), empty and
// blank pieces skipped, each piece sent as it stands, in order. A failing statement goes to the
// callback and the script goes on; without a callback its error is raised and nothing after it runs.
// Either way the error carries the statement's place.
class TExecutorScript {
 public:
  explicit TExecutorScript(TConexao& conexao) : conexao_(&conexao) {}
  void DefinirSql(std::string sql) { sql_ = std::move(sql); }
  void Executar(const std::function<void(const EErroScript&)>& aoFalhar);
  static std::vector<std::string> Dividir(std::string_view sql);

 private:
  TConexao* conexao_;
  std::string sql_;
};

}  // namespace dbclient
