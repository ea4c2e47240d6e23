#include "settings/UDatabase.h"

#include <cstdint>
#include <optional>
#include <stdexcept>

#include "platform/IniPerfil.h"
#include "platform/Texto.h"
#include "platform/Win1252.h"
#include "settings/UConfigSistemaKOT.h"

namespace {

const char* const kSenhaPadrao = "574203kqw";
const char* const kChaveSenha = "QEW";

}  // namespace

TDatabase::TDatabase() : TDatabase(TConfigSistemaKOT::ConfigFileName()) {}

// A failure anywhere here leaves through the member's destructor, which closes the connection.
TDatabase::TDatabase(const std::string& arquivo) {
  auto ler = [&](const char* secao, const char* chave, const char* padrao) {
    return plataforma::LerPerfilPrivado(secao, chave, padrao, arquivo);
  };
  conexao_ = std::make_unique<dbclient::TConexao>();
  SetServerAddress(ler("IP", "local", ""), conexao_->Servidor, conexao_->Porta);
  conexao_->Banco = ler("IP", "database", "");
  const std::string senha = ler("ip", "senha", "");
  conexao_->Senha = senha.empty() ? std::string(kSenhaPadrao) : DescramblePassword(senha, kChaveSenha);
  conexao_->Usuario = ler("IP", "usuario", "root");
  conexao_->Conectar();
  if (conexao_->Conectado() && plataforma::EmBranco(conexao_->Banco))
    throw dbclient::EErroBanco(W("Database configurada não existe."));
}

void TDatabase::SetServerAddress(const std::string& local, std::string& servidor, int& porta) {
  bool doisPontos = false;
  std::string textoPorta;
  for (char c : local) {
    if (c == ':') {
      doisPontos = true;
    } else if (doisPontos) {
      if (c < '0' || c > '9') break;
      textoPorta += c;
    }
  }

  // Every ":" followed by the port text goes, the port text included.
  const std::string marca = ":" + textoPorta;
  servidor.clear();
  for (size_t i = 0; i < local.size();) {
    if (local.compare(i, marca.size(), marca) == 0) {
      i += marca.size();
    } else {
      servidor += local[i++];
    }
  }

  porta = 3306;
  if (!textoPorta.empty()) {
    std::optional<int64_t> v = plataforma::LerInteiro(textoPorta);
    if (!v || *v > 65535) throw std::runtime_error(W("Porta inválida no arquivo de configuração: ") + textoPorta);
    porta = static_cast<int>(*v);
  }
}

uint64_t TDatabase::ComandosExecutados() const { return conexao_ ? conexao_->ComandosExecutados() : 0; }

dbclient::TConexao& TDatabase::Conexao() {
  if (!conexao_) throw dbclient::EErroBanco(dbclient::MensagemSemConexao());
  return *conexao_;
}

bool TDatabase::IsConnected() { return conexao_ && conexao_->Conectado(); }

std::unique_ptr<dbclient::TConsulta> TDatabase::NovaConsulta() {
  return std::make_unique<dbclient::TConsulta>(Conexao());
}

bool TDatabase::Execute(const std::string& sql, TFalhaScript aoFalhar) {
  if (plataforma::EmBranco(sql)) return false;
  if (sql.find(';') != std::string::npos)
    ExecuteScript(sql, aoFalhar);
  else
    ExecuteStatement(sql);
  return true;
}

void TDatabase::ExecuteStatement(const std::string& sql) {
  auto q = NovaConsulta();
  q->DefinirSql(sql);
  q->Executar();
}

void TDatabase::ExecuteScript(const std::string& sql, TFalhaScript aoFalhar) {
  dbclient::TExecutorScript script(Conexao());
  script.DefinirSql(sql);
  if (aoFalhar == TFalhaScript::Parar) {
    script.Executar(nullptr);  // the runner raises the first failure
    return;
  }
  std::vector<dbclient::EErroScript> falhas;
  script.Executar([&](const dbclient::EErroScript& e) { falhas.push_back(e); });
  if (!falhas.empty()) throw EFalhasScript(std::move(falhas));
}

std::unique_ptr<dbclient::TConsulta> TDatabase::OpenQuery(const std::string& sql) {
  auto q = NovaConsulta();
  if (plataforma::EmBranco(sql)) return q;
  q->DefinirSql(sql);
  q->Abrir();  // on failure the query goes with the unwinding
  return q;
}

void TDatabase::GetValue(const std::string& sql, const dbclient::TValor& padrao, dbclient::TValor& valor) {
  valor = std::monostate{};
  if (plataforma::EmBranco(sql)) return;
  auto q = NovaConsulta();
  q->DefinirSql(sql);
  q->Abrir();
  if (q->Vazia() || q->Campo(0).IsNull())
    valor = padrao;
  else
    valor = q->Campo(0).AsVariant();
}
