#include "tests/support/BancoMemoria.h"

#include "platform/Texto.h"

namespace suporte {

namespace {

using plataforma::EmBranco;

bool ComecaCom(const std::string& texto, const std::string& inicio) {
  return plataforma::Aparar(texto).substr(0, inicio.size()) == inicio;
}

}  // namespace

void TBancoMemoria::Responder(std::string inicio, TResultado resultado) {
  respostas_.emplace_back(std::move(inicio), std::move(resultado));
}

void TBancoMemoria::FalharEm(std::string inicio, std::string mensagem, bool perdeConexao) {
  falhas_.push_back({std::move(inicio), std::move(mensagem), perdeConexao});
}

// One statement reaching the server.
void TBancoMemoria::Rodar(const std::string& sql) {
  if (!conectado_) throw dbclient::EErroBanco(SemServidor, 2006);
  for (const TFalha& f : falhas_) {
    if (ComecaCom(sql, f.Inicio)) {
      if (f.PerdeConexao) conectado_ = false;
      throw dbclient::EErroBanco(f.Mensagem);
    }
  }
  Executados.push_back(sql);
}

dbclient::TConsulta TBancoMemoria::Consultar(const std::string& sql) {
  Rodar(sql);
  const TResultado* melhor = nullptr;
  size_t tamanho = 0;
  for (const auto& [inicio, resultado] : respostas_) {
    if (sql.compare(0, inicio.size(), inicio) == 0 && (!melhor || inicio.size() > tamanho)) {
      melhor = &resultado;
      tamanho = inicio.size();
    }
  }
  if (!melhor) throw dbclient::EErroBanco("TBancoMemoria: nenhuma resposta para: " + sql);
  return dbclient::TConsulta::EmMemoria(melhor->Campos, melhor->Tipos, melhor->Linhas);
}

// As TDatabase: a text with ";" is a script split the same way, each piece on its own.
bool TBancoMemoria::Execute(const std::string& sql, TFalhaScript aoFalhar) {
  if (EmBranco(sql)) return false;
  Enviados.push_back({TTipoEnvio::Execute, sql, aoFalhar});
  if (sql.find(';') == std::string::npos) {
    Rodar(sql);
    return true;
  }
  const std::vector<std::string> pecas = dbclient::TExecutorScript::Dividir(sql);
  std::vector<dbclient::EErroScript> falhas;
  for (size_t i = 0; i < pecas.size(); ++i) {
    try {
      Rodar(pecas[i]);
    } catch (const dbclient::EErroBanco& e) {
      dbclient::EErroScript erro(e, i + 1, pecas.size());
      if (aoFalhar == TFalhaScript::Parar) throw erro;
      falhas.push_back(erro);
    }
  }
  if (!falhas.empty()) throw EFalhasScript(std::move(falhas));
  return true;
}

std::unique_ptr<dbclient::TConsulta> TBancoMemoria::OpenQuery(const std::string& sql) {
  // Unopened, on a connection that never connects: running it fails as with no server.
  if (EmBranco(sql)) return std::make_unique<dbclient::TConsulta>(conexao_);
  Enviados.push_back({TTipoEnvio::OpenQuery, sql});
  return std::make_unique<dbclient::TConsulta>(Consultar(sql));
}

void TBancoMemoria::GetValue(const std::string& sql, const dbclient::TValor& padrao, dbclient::TValor& valor) {
  valor = std::monostate{};
  if (EmBranco(sql)) return;
  Enviados.push_back({TTipoEnvio::GetValue, sql});
  dbclient::TConsulta q = Consultar(sql);
  if (q.Vazia() || q.Campo(0).IsNull())
    valor = padrao;
  else
    valor = q.Campo(0).AsVariant();
}

}  // namespace suporte
