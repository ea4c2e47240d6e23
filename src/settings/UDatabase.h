#pragma once
// A database session: one physical connection from connect to the end, handed by reference to
// everything that talks to the server; no layer here shows anything to the user.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dbclient/DbClient.h"

// What a script does when the server rejects one of its statements; the caller chooses.
enum class TFalhaScript {
  Continuar,  // the next statement runs; the failures are raised together once the script ends
  Parar,      // no later statement runs and that statement's error is raised
};

// The statements of a script run with TFalhaScript::Continuar that failed, in order; what() is
// the first one's message. The caller decides what the user sees of each.
class EFalhasScript : public dbclient::EErroBanco {
 public:
  explicit EFalhasScript(std::vector<dbclient::EErroScript> falhas)
      : dbclient::EErroBanco(falhas.front().what(), falhas.front().Codigo), Falhas(std::move(falhas)) {}
  std::vector<dbclient::EErroScript> Falhas;
};

class IDatabase {
 public:
  virtual ~IDatabase() = default;
  // False for a blank text (nothing sent). A text with ";" runs as a script whose failing
  // statements are handled as `aoFalhar` says (dbclient::EErroScript, or EFalhasScript);
  // otherwise one statement whose error is raised.
  virtual bool Execute(const std::string& sql, TFalhaScript aoFalhar = TFalhaScript::Continuar) = 0;
  // An open query for the text (unopened for a blank text); the caller owns it.
  virtual std::unique_ptr<dbclient::TConsulta> OpenQuery(const std::string& sql) = 0;
  virtual bool IsConnected() = 0;
  // Null for a blank text; the default when there is no row or the first column is NULL.
  virtual void GetValue(const std::string& sql, const dbclient::TValor& padrao, dbclient::TValor& valor) = 0;
  // The statements sent on the session so far (0 without a connection), for a progress report;
  // may be read from another thread while the session works.
  virtual uint64_t ComandosExecutados() const = 0;
};

class TDatabase : public IDatabase {
 public:
  // Reads section IP of sistema_kot.ini beside the program, or of `arquivoIni`, and connects;
  // raises on any failure.
  TDatabase();
  explicit TDatabase(const std::string& arquivoIni);

  bool Execute(const std::string& sql, TFalhaScript aoFalhar = TFalhaScript::Continuar) override;
  std::unique_ptr<dbclient::TConsulta> OpenQuery(const std::string& sql) override;
  bool IsConnected() override;
  void GetValue(const std::string& sql, const dbclient::TValor& padrao, dbclient::TValor& valor) override;
  uint64_t ComandosExecutados() const override;

  // Server name and port from a "host[:port]" text. A port beyond 65535 is refused: the client
  // library would take it modulo 65536 and reach another server.
  static void SetServerAddress(const std::string& local, std::string& servidor, int& porta);

 private:
  dbclient::TConexao& Conexao();
  std::unique_ptr<dbclient::TConsulta> NovaConsulta();
  void ExecuteStatement(const std::string& sql);
  void ExecuteScript(const std::string& sql, TFalhaScript aoFalhar);
  std::unique_ptr<dbclient::TConexao> conexao_;
};
