#pragma once
// A session without a server, for tests that only need to see what the program sends and to
// choose what comes back: canned results, failing statements and a connection that goes away.
#include <string>
#include <vector>

#include "dbclient/DbClient.h"
#include "settings/UDatabase.h"

namespace suporte {

class TBancoMemoria : public IDatabase {
 public:
  enum class TTipoEnvio { Execute, OpenQuery, GetValue };
  struct TEnvio {
    TTipoEnvio Tipo;
    std::string Sql;
    TFalhaScript Falha = TFalhaScript::Continuar;  // Execute only
    bool operator==(const TEnvio&) const = default;
  };
  struct TResultado {
    std::vector<std::string> Campos;
    std::vector<dbclient::TTipoCampo> Tipos;  // may be fewer than the columns: the rest are texts
    std::vector<std::vector<dbclient::TCelula>> Linhas;
  };
  // What the client library says once the server is gone.
  static constexpr const char* SemServidor = "MySQL server has gone away";

  // OpenQuery and GetValue of a text that begins with `inicio` get the result; the longest such
  // beginning wins. A query with no answer fails, so nothing unexpected passes unnoticed.
  void Responder(std::string inicio, TResultado resultado);
  // A statement beginning with `inicio` (leading blanks aside) fails with the message; with
  // `perdeConexao` the connection goes with it and every later call fails.
  void FalharEm(std::string inicio, std::string mensagem, bool perdeConexao = false);

  std::vector<TEnvio> Enviados;         // every call with a text that is not blank, in order
  std::vector<std::string> Executados;  // the statements that ran: script pieces and queries

  bool Execute(const std::string& sql, TFalhaScript aoFalhar = TFalhaScript::Continuar) override;
  std::unique_ptr<dbclient::TConsulta> OpenQuery(const std::string& sql) override;
  bool IsConnected() override { return conectado_; }
  void GetValue(const std::string& sql, const dbclient::TValor& padrao, dbclient::TValor& valor) override;
  uint64_t ComandosExecutados() const override { return Executados.size(); }

 private:
  struct TFalha {
    std::string Inicio, Mensagem;
    bool PerdeConexao;
  };
  void Rodar(const std::string& sql);
  dbclient::TConsulta Consultar(const std::string& sql);

  std::vector<std::pair<std::string, TResultado>> respostas_;
  std::vector<TFalha> falhas_;
  bool conectado_ = true;
  dbclient::TConexao conexao_;
};

}  // namespace suporte
