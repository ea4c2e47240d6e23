#include "dbclient/DbClient.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <climits>

#include <errmsg.h>
#include <mysql.h>
#include <mysqld_error.h>

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/Texto.h"
#include "platform/Win1252.h"

namespace dbclient {

namespace {

[[noreturn]] void Falhar(MYSQL* m) { throw EErroBanco(mysql_error(m), mysql_errno(m)); }

[[noreturn]] void FalharSemConexao() { throw EErroBanco(MensagemSemConexao()); }

// Frees every result the last statement produced, so the next one can be sent.
void DescartarResultados(MYSQL* m) {
  for (;;) {
    if (MYSQL_RES* r = mysql_store_result(m)) {
      mysql_free_result(r);
    } else if (mysql_field_count(m) != 0) {
      Falhar(m);
    }
    int prox = mysql_next_result(m);
    if (prox < 0) return;
    if (prox > 0) Falhar(m);
  }
}

bool TipoInteiro(int t) {
  switch (t) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_YEAR: return true;
    default: return false;
  }
}

bool TipoReal(int t) {
  switch (t) {
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE: return true;
    default: return false;
  }
}

bool TipoData(int t) {
  switch (t) {
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP: return true;
    default: return false;
  }
}

bool LerReal(std::string_view s, double& v) {
  const char* ini = s.data();
  const char* fim = ini + s.size();
  if (ini != fim && *ini == '+') ++ini;
  auto r = std::from_chars(ini, fim, v);
  return r.ec == std::errc() && r.ptr == fim && ini != fim;
}

// "yyyy-mm-dd[ hh:mm:ss[.ffffff]]" as the server writes it.
bool LerDataHora(std::string_view s, plataforma::TDataHora& d) {
  auto numero = [&](size_t pos, size_t len, int& out) {
    if (pos + len > s.size()) return false;
    int v = 0;
    for (size_t i = pos; i < pos + len; ++i) {
      if (s[i] < '0' || s[i] > '9') return false;
      v = v * 10 + (s[i] - '0');
    }
    out = v;
    return true;
  };
  plataforma::TDataHora r;
  r.Hora = r.Minuto = r.Segundo = 0;
  if (!numero(0, 4, r.Ano) || s.size() < 10 || s[4] != '-' || !numero(5, 2, r.Mes) || s[7] != '-' ||
      !numero(8, 2, r.Dia))
    return false;
  if (s.size() >= 19) {
    if (!numero(11, 2, r.Hora) || !numero(14, 2, r.Minuto) || !numero(17, 2, r.Segundo)) return false;
  }
  d = r;
  return true;
}

// A dead network path (a cable pulled, a firewall that drops the session) would leave a statement
// waiting for ever; the kernel's probes find it in about a minute (30 s idle, then 3 probes 10 s
// apart) and the statement fails with the client's error. A slow but live server answers the
// probes, so a long statement is never cut. Not having them is no reason to refuse the connection.
void LigarKeepalive(my_socket s) {
  const int ligado = 1, ocioso = 30, intervalo = 10, tentativas = 3;
  setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, &ligado, sizeof ligado);
  setsockopt(s, IPPROTO_TCP, TCP_KEEPIDLE, &ocioso, sizeof ocioso);
  setsockopt(s, IPPROTO_TCP, TCP_KEEPINTVL, &intervalo, sizeof intervalo);
  setsockopt(s, IPPROTO_TCP, TCP_KEEPCNT, &tentativas, sizeof tentativas);
}

}  // namespace

const std::string& MensagemSemConexao() {
  static const std::string m = W("Não há conexão com o banco de dados.");
  return m;
}

// ---------------------------------------------------------------- TConexao

void TFecharConexao::operator()(st_mysql* m) const noexcept { mysql_close(m); }
void TLiberarResultado::operator()(st_mysql_res* r) const noexcept { mysql_free_result(r); }

void TConexao::Conectar() {
  Desconectar();
  std::unique_ptr<MYSQL, TFecharConexao> nova(mysql_init(nullptr));
  if (!nova) throw EErroBanco(W("Memória insuficiente para a conexão."));
  MYSQL* m = nova.get();
  unsigned protocolo = MYSQL_PROTOCOL_TCP;
  unsigned espera = 15;
  my_bool reconectar = 0;
  mysql_options(m, MYSQL_OPT_PROTOCOL, &protocolo);
  mysql_options(m, MYSQL_OPT_CONNECT_TIMEOUT, &espera);
  mysql_options(m, MYSQL_OPT_RECONNECT, &reconectar);
  mysql_options(m, MYSQL_SET_CHARSET_NAME, "latin1");

  // An empty server is this machine, reached over TCP on IPv4.
  const std::string host = Servidor.empty() ? std::string("127.0.0.1") : Servidor;
  // A blank database name connects without a default database; the session decides what that means.
  const bool semBanco = plataforma::EmBranco(Banco);
  if (!mysql_real_connect(m, host.c_str(), Usuario.c_str(), Senha.c_str(), semBanco ? nullptr : Banco.c_str(),
                          static_cast<unsigned>(Porta), nullptr, CLIENT_MULTI_RESULTS))
    Falhar(m);
  LigarKeepalive(mysql_get_socket(m));
  mysql_ = std::move(nova);
}

void TConexao::Desconectar() { mysql_.reset(); }

bool TConexao::Conectado() const {
  if (!mysql_) return false;
  // A connection the server dropped, or that was killed, stays gone: there is no reconnect.
  switch (mysql_errno(mysql_.get())) {
    case CR_SERVER_GONE_ERROR:
    case CR_SERVER_LOST:
    case ER_CONNECTION_KILLED: return false;
    default: return static_cast<int>(mysql_get_socket(mysql_.get())) >= 0;
  }
}

st_mysql* TConexao::Handle() {
  if (!mysql_) FalharSemConexao();
  return mysql_.get();
}

void TConexao::Executar(std::string_view sql) {
  MYSQL* m = Handle();
  comandos_.Valor.fetch_add(1, std::memory_order_relaxed);
  if (mysql_real_query(m, sql.data(), static_cast<unsigned long>(sql.size())) != 0) Falhar(m);
  DescartarResultados(m);
}

// ---------------------------------------------------------------- TConsulta

struct TResultadoMemoria {
  size_t colunas = 0;
  std::vector<TCelula> celulas;  // row after row; never changed once the pointers are taken
  std::vector<char*> textos;     // into celulas, nullptr for NULL: what a server row holds
  std::vector<unsigned long> tamanhos;
};

void TLiberarMemoria::operator()(TResultadoMemoria* m) const noexcept { delete m; }

TConsulta TConsulta::EmMemoria(std::vector<std::string> nomes, std::vector<TTipoCampo> tipos,
                               std::vector<std::vector<TCelula>> linhas) {
  if (tipos.size() > nomes.size()) throw EErroBanco(W("Mais tipos de campo do que campos."));
  std::unique_ptr<TResultadoMemoria, TLiberarMemoria> m(new TResultadoMemoria);
  m->colunas = nomes.size();
  m->celulas.reserve(linhas.size() * nomes.size());
  for (auto& linha : linhas) {
    if (linha.size() != nomes.size()) throw EErroBanco(W("Linha com número de campos diferente das colunas"));
    for (auto& c : linha) m->celulas.push_back(std::move(c));
  }
  m->textos.reserve(m->celulas.size());
  m->tamanhos.reserve(m->celulas.size());
  for (auto& c : m->celulas) {
    m->textos.push_back(c ? c->data() : nullptr);
    m->tamanhos.push_back(c ? static_cast<unsigned long>(c->size()) : 0);
  }

  TConsulta q;
  q.nomes_ = std::move(nomes);
  q.tipos_.assign(q.nomes_.size(), MYSQL_TYPE_VAR_STRING);
  for (size_t i = 0; i < tipos.size(); ++i) {
    switch (tipos[i]) {
      case TTipoCampo::Texto: q.tipos_[i] = MYSQL_TYPE_VAR_STRING; break;
      case TTipoCampo::Inteiro: q.tipos_[i] = MYSQL_TYPE_LONGLONG; break;
      case TTipoCampo::Decimal: q.tipos_[i] = MYSQL_TYPE_NEWDECIMAL; break;
      case TTipoCampo::DataHora: q.tipos_[i] = MYSQL_TYPE_DATETIME; break;
    }
  }
  q.total_ = linhas.size();
  q.memoria_ = std::move(m);
  q.Primeiro();
  return q;
}

TConexao& TConsulta::Conexao() const {
  if (!conexao_) FalharSemConexao();
  return *conexao_;
}

void TConsulta::Executar() {
  TConexao& conexao = Conexao();
  Fechar();
  conexao.Executar(sql_);
}

void TConsulta::Abrir() {
  TConexao& conexao = Conexao();
  Fechar();
  MYSQL* m = conexao.Handle();
  if (mysql_real_query(m, sql_.data(), static_cast<unsigned long>(sql_.size())) != 0) Falhar(m);
  std::unique_ptr<MYSQL_RES, TLiberarResultado> r(mysql_store_result(m));
  if (!r) {
    if (mysql_field_count(m) != 0) Falhar(m);
    DescartarResultados(m);
    throw EErroBanco(W("O comando não devolveu um conjunto de registros."));
  }
  // Further results (a procedure's status) are dropped so the connection stays usable.
  while (mysql_more_results(m)) {
    int prox = mysql_next_result(m);
    if (prox > 0) Falhar(m);
    if (prox < 0) break;
    std::unique_ptr<MYSQL_RES, TLiberarResultado> extra(mysql_store_result(m));
  }
  res_ = std::move(r);

  MYSQL_RES* res = res_.get();
  unsigned n = mysql_num_fields(res);
  MYSQL_FIELD* campos = mysql_fetch_fields(res);
  nomes_.reserve(n);
  tipos_.reserve(n);
  for (unsigned i = 0; i < n; ++i) {
    nomes_.emplace_back(campos[i].name, campos[i].name_length);
    tipos_.push_back(static_cast<int>(campos[i].type));
  }

  // One pass over the buffered rows, keeping where each one starts.
  const uint64_t total = mysql_num_rows(res);
  offsets_.reserve(static_cast<size_t>(total));
  mysql_data_seek(res, 0);
  for (uint64_t i = 0; i < total; ++i) {
    offsets_.push_back(mysql_row_tell(res));
    mysql_fetch_row(res);
  }
  total_ = offsets_.size();
  Primeiro();
}

void TConsulta::Fechar() {
  res_.reset();
  memoria_.reset();
  total_ = 0;
  nomes_.clear();
  tipos_.clear();
  offsets_.clear();
  linha_ = nullptr;
  tamanhos_ = nullptr;
  posicao_ = 0;
  bof_ = true;
}

void TConsulta::Posicionar() {
  linha_ = nullptr;
  tamanhos_ = nullptr;
  if (posicao_ < 0 || posicao_ >= static_cast<int64_t>(total_)) return;
  if (memoria_) {
    const size_t inicio = static_cast<size_t>(posicao_) * memoria_->colunas;
    linha_ = memoria_->textos.data() + inicio;
    tamanhos_ = memoria_->tamanhos.data() + inicio;
    return;
  }
  if (!res_) return;
  mysql_row_seek(res_.get(), offsets_[static_cast<size_t>(posicao_)]);
  linha_ = mysql_fetch_row(res_.get());
  tamanhos_ = mysql_fetch_lengths(res_.get());
}

bool TConsulta::Vazia() const { return total_ == 0; }

void TConsulta::Primeiro() {
  posicao_ = 0;
  bof_ = true;
  Posicionar();
}

void TConsulta::Proximo() {
  const auto n = static_cast<int64_t>(total_);
  if (posicao_ >= n) return;
  bof_ = false;
  ++posicao_;
  Posicionar();
}

void TConsulta::Anterior() {
  const auto n = static_cast<int64_t>(total_);
  if (n == 0 || posicao_ == 0) {
    bof_ = true;
    return;
  }
  posicao_ = (posicao_ > n ? n : posicao_) - 1;
  bof_ = false;
  Posicionar();
}

bool TConsulta::Eof() const { return posicao_ >= static_cast<int64_t>(total_); }

bool TConsulta::Bof() const { return bof_; }

size_t TConsulta::NumeroRegistros() const { return total_; }

size_t TConsulta::NumeroCampos() const { return nomes_.size(); }

size_t TConsulta::ProcurarCampo(std::string_view nome) const {
  for (size_t i = 0; i < nomes_.size(); ++i)
    if (plataforma::IguaisSemCaixa(nomes_[i], nome)) return i;
  return SemCampo;
}

size_t TConsulta::IndiceCampo(std::string_view nome) const {
  size_t i = ProcurarCampo(nome);
  if (i != SemCampo) return i;
  throw EErroBanco(W("Campo '") + std::string(nome) + W("' não encontrado."));
}

TCampo TConsulta::CampoPorNome(std::string_view nome) const { return TCampo(this, IndiceCampo(nome)); }

void TConsulta::FalharIndice(size_t indice) const {
  throw EErroBanco(W("Campo de índice ") + std::to_string(indice) + W(" não existe."));
}

// ---------------------------------------------------------------- TCampo

const std::string& TCampo::Nome() const { return consulta_->nomes_[indice_]; }

std::string TCampo::AsString() const { return std::string(AsStringView()); }

int64_t TCampo::AsInteger() const {
  if (IsNull()) return 0;
  return TextoParaInteiro(AsStringView(), TipoReal(consulta_->tipos_[indice_]), Nome());
}

int32_t TCampo::AsInt32() const { return ParaInt32(AsInteger(), Nome()); }

TValor TCampo::AsVariant() const {
  if (IsNull()) return std::monostate{};
  std::string_view s = AsStringView();
  const int tipo = consulta_->tipos_[indice_];
  if (TipoInteiro(tipo)) {
    if (auto i = plataforma::LerInteiro(s)) return *i;
    double d = 0;  // an unsigned BIGINT beyond the signed range
    if (LerReal(s, d)) return d;
  } else if (TipoReal(tipo)) {
    double d = 0;
    if (LerReal(s, d)) return d;
  } else if (TipoData(tipo)) {
    plataforma::TDataHora dh;
    if (LerDataHora(s, dh)) return dh;
  }
  return std::string(s);
}

namespace {

[[noreturn]] void FalharInteiro(std::string_view texto, std::string_view coluna, const char* motivo) {
  throw EErroBanco("'" + std::string(texto) + W(motivo) + std::string(coluna) + ")");
}

}  // namespace

int64_t TextoParaInteiro(std::string_view texto, bool decimal, std::string_view coluna) {
  // A DECIMAL column writes its scale: "4.000" is exactly 4, "3.700" no integer at all.
  std::string_view inteiro = texto;
  if (const size_t ponto = texto.find('.'); decimal && ponto != std::string_view::npos && ponto + 1 < texto.size() &&
                                            texto.find_first_not_of('0', ponto + 1) == std::string_view::npos)
    inteiro = texto.substr(0, ponto);
  if (auto i = plataforma::LerInteiro(inteiro)) return *i;
  const std::string_view digitos = inteiro.substr(!inteiro.empty() && (inteiro[0] == '-' || inteiro[0] == '+'));
  if (!digitos.empty() && digitos.find_first_not_of("0123456789") == std::string_view::npos)
    FalharInteiro(texto, coluna, "' está fora do intervalo de um inteiro de 64 bits (coluna ");
  FalharInteiro(texto, coluna, "' não é um número inteiro válido (coluna ");
}

int64_t ValorParaInteiro(const TValor& v, std::string_view coluna) {
  if (const auto* i = std::get_if<int64_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) {
    char texto[64];
    const auto fim = std::to_chars(texto, texto + sizeof texto, *d).ptr;
    const std::string_view t(texto, static_cast<size_t>(fim - texto));
    if (!std::isfinite(*d) || *d != std::trunc(*d))
      FalharInteiro(t, coluna, "' não é um número inteiro válido (coluna ");
    // 2^63 is exact in a double; every whole double below it and from -2^63 on fits.
    if (*d < -9223372036854775808.0 || *d >= 9223372036854775808.0)
      FalharInteiro(t, coluna, "' está fora do intervalo de um inteiro de 64 bits (coluna ");
    return static_cast<int64_t>(*d);
  }
  if (const auto* s = std::get_if<std::string>(&v)) return TextoParaInteiro(*s, false, coluna);
  if (EhNulo(v)) return 0;
  FalharInteiro(plataforma::DataSql(std::get<plataforma::TDataHora>(v)), coluna, "' não é um número inteiro (coluna ");
}

int32_t ParaInt32(int64_t valor, std::string_view coluna) {
  if (valor < INT32_MIN || valor > INT32_MAX)
    FalharInteiro(std::to_string(valor), coluna, "' está fora do intervalo de um inteiro de 32 bits (coluna ");
  return static_cast<int32_t>(valor);
}

// ---------------------------------------------------------------- TExecutorScript

std::vector<std::string> TExecutorScript::Dividir(std::string_view sql) {
  std::vector<std::string> pecas;
  const size_t n = sql.size();
  size_t inicio = 0;
  bool temConteudo = false;  // something besides blanks and comments since the last ";"

  auto fecharPeca = [&](size_t fim) {
    if (temConteudo) pecas.emplace_back(sql.substr(inicio, fim - inicio));
    inicio = fim + 1;
    temConteudo = false;
  };

  size_t i = 0;
  while (i < n) {
    const char c = sql[i];
    if (c == '\'' || c == '"' || c == '`') {
      temConteudo = true;
      ++i;
      while (i < n) {
        if (sql[i] == '\\' && c != '`') {
          i += 2;
        } else if (sql[i] == c) {
          if (i + 1 < n && sql[i + 1] == c) {
            i += 2;  // doubled quote
          } else {
            ++i;
            break;
          }
        } else {
          ++i;
        }
      }
      continue;
    }
    // Comments may hold quotes or ";" that mean nothing.
    if (c == '#' ||
        (c == '-' && i + 1 < n && sql[i + 1] == '-' && (i + 2 >= n || static_cast<unsigned char>(sql[i + 2]) <= 32))) {
      while (i < n && sql[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      // "/*!" and "/*M!" hold executable text
      if (sql.substr(i + 2, 1) == "!" || sql.substr(i + 2, 2) == "M!") temConteudo = true;
      size_t fim = sql.find("*/", i + 2);
      i = fim == std::string_view::npos ? n : fim + 2;
      continue;
    }
    if (c == ';') {
      fecharPeca(i);
      ++i;
      continue;
    }
    if (static_cast<unsigned char>(c) > 32) temConteudo = true;
    ++i;
  }
  if (inicio < n) fecharPeca(n);
  return pecas;
}

void TExecutorScript::Executar(const std::function<void(const EErroScript&)>& aoFalhar) {
  const std::vector<std::string> pecas = Dividir(sql_);
  for (size_t i = 0; i < pecas.size(); ++i) {
    try {
      conexao_->Executar(pecas[i]);
    } catch (const EErroBanco& e) {
      EErroScript erro(e, i + 1, pecas.size());
      if (!aoFalhar) throw erro;
      aoFalhar(erro);
    }
  }
}

}  // namespace dbclient
