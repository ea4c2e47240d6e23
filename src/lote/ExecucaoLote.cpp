#include "lote/ExecucaoLote.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>

#include "common/Utils.h"
#include "dbclient/DbClient.h"
#include "inventory/UInventarioP7Dao.h"
#include "lote/SaidaBlocoH.h"
#include "platform/Mensagens.h"
#include "platform/Programa.h"
#include "platform/Win1252.h"
#include "report/urelatorio.h"
#include "settings/UConfigSistemaKOT.h"
#include "settings/UDatabase.h"

namespace {

using Relogio = std::chrono::steady_clock;

// Messages of the program's own layers are Windows-1252; the terminal gets UTF-8.
std::string Utf8(const std::string& w1252) { return plataforma::W1252ParaUtf8(w1252); }

bool PastaExiste(const std::string& pasta) {
  struct stat st {};
  return ::stat(pasta.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool ArquivoExiste(const std::string& arquivo) {
  struct stat st {};
  return ::stat(arquivo.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A connection that is gone stays gone: there is no reconnect.
bool ConexaoPerdida() { return !DatabaseSession || !DatabaseSession->IsConnected(); }

// Where the pipeline's message boxes go without a window: a failing statement of the script is
// kept as the branch's failure instead of being shown, so the branch fails whether the script
// goes on after it or stops there. Questions are answered No (there is nobody to answer them).
class TCaixasLote : public plataforma::ICaixasMensagem {
 public:
  bool Perguntar(const std::string&, const std::string&, bool) override { return false; }
  void Avisar(const std::string& texto, const std::string&, plataforma::TIconeMensagem icone) override {
    if (icone == plataforma::TIconeMensagem::Erro) Erros.push_back(texto);
  }
  std::vector<std::string> Erros;
};

// Standard error shared by the branch lines and the progress thread.
class TSaidaErro {
 public:
  explicit TSaidaErro(std::FILE* f) : f_(f) {}
  void Linha(const std::string& utf8) {
    std::lock_guard<std::mutex> trava(mutex_);
    if (progressoNaTela_) std::fputs("\r\033[K", f_);
    progressoNaTela_ = false;
    std::fputs(utf8.c_str(), f_);
    std::fputc('\n', f_);
    std::fflush(f_);
  }
  void Progresso(const std::string& utf8) {
    std::lock_guard<std::mutex> trava(mutex_);
    std::fputs(("\r\033[K" + utf8).c_str(), f_);
    std::fflush(f_);
    progressoNaTela_ = true;
  }

 private:
  std::FILE* f_;
  std::mutex mutex_;
  bool progressoNaTela_ = false;
};

// The progress line of the branch under way, redrawn by a thread of its own once the branch has
// run for two seconds: the statement of the script the server is on, then the rows composed.
class TProgressoLote : public IObservadorRegistroP7 {
 public:
  TProgressoLote(TSaidaErro& saida, bool ativo) : saida_(saida) {
    if (ativo) thread_ = std::thread([this] { Laco(); });
  }
  ~TProgressoLote() {
    {
      std::lock_guard<std::mutex> trava(mutex_);
      fim_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  void Iniciar(int32_t filial, const dbclient::TConexao* conexao) {
    std::lock_guard<std::mutex> trava(mutex_);
    filial_ = filial;
    conexao_ = conexao;
    comandosAntes_ = conexao ? conexao->ComandosExecutados() : 0;
    inicio_ = Relogio::now();
    compostas_ = 0;
    compondo_ = false;
    ativo_ = true;
  }
  void Compondo() { compondo_ = true; }
  void Parar() {
    std::lock_guard<std::mutex> trava(mutex_);
    ativo_ = false;
  }
  void Linha(const TLinhaP7&, plataforma::TMoeda, plataforma::TMoeda, int64_t) override {
    compostas_.fetch_add(1, std::memory_order_relaxed);
  }
  void Total(int64_t) override {}

 private:
  void Laco() {
    std::unique_lock<std::mutex> trava(mutex_);
    while (!fim_) {
      cv_.wait_for(trava, std::chrono::milliseconds(250));
      if (fim_ || !ativo_) continue;
      auto decorridos = std::chrono::duration_cast<std::chrono::seconds>(Relogio::now() - inicio_).count();
      if (decorridos < 2) continue;
      std::string texto = "Filial " + std::to_string(filial_) + ": ";
      if (compondo_)
        texto += std::to_string(compostas_.load()) + " linhas compostas";
      else
        texto += "comando " + std::to_string(conexao_ ? conexao_->ComandosExecutados() - comandosAntes_ : 0) +
                 " do roteiro no servidor";
      texto += ", " + std::to_string(decorridos) + " s";
      saida_.Progresso(texto);
    }
  }

  TSaidaErro& saida_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool fim_ = false, ativo_ = false;
  int32_t filial_ = 0;
  const dbclient::TConexao* conexao_ = nullptr;
  uint64_t comandosAntes_ = 0;
  Relogio::time_point inicio_;
  std::atomic<bool> compondo_{false};
  std::atomic<size_t> compostas_{0};
};

// Tells the progress and every extra output of each line.
class TObservadores : public IObservadorRegistroP7 {
 public:
  std::vector<IObservadorRegistroP7*> Todos;
  void Linha(const TLinhaP7& l, plataforma::TMoeda q, plataforma::TMoeda u, int64_t c) override {
    for (auto* o : Todos) o->Linha(l, q, u, c);
  }
  void Total(int64_t c) override {
    for (auto* o : Todos) o->Total(c);
  }
};

std::string Segundos(double s) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f", s);
  std::string r = b;
  for (char& c : r)
    if (c == '.') c = plataforma::FormatSettings().DecimalSeparator;
  return r;
}

}  // namespace

std::string NomeArquivoLote(int32_t filial, const plataforma::TDataHora& data) {
  char d[16];
  std::snprintf(d, sizeof d, "%04d%02d%02d", data.Ano, data.Mes, data.Dia);
  return "P7_" + std::to_string(filial) + "_" + d + ".txt";
}

namespace {

// What one branch came to.
struct TResultadoFilial {
  bool ComLinhas = false;
  std::string Motivo;        // the failure, empty when the branch was written or had no rows
  std::string ErroLimpeza;   // a drop of the temporary tables that failed
  TResumoRegistroP7 Resumo;
  std::vector<std::string> NomesExtras;  // the extra files written
  double Segundos = 0;
};

// Everything one run shares between its branches.
struct TExecucao {
  const TOpcoesLote& Opcoes;
  const TFabricaSaidasExtras& SaidasExtras;
  std::string Pasta;  // ends with its separator
  TCaixasLote& Caixas;
  TProgressoLote& Acompanhamento;
};

// The window's pipeline, composition and safe write for one branch, then the extra outputs, then
// the drop of the temporary tables so that the next branch starts clean.
TResultadoFilial GerarFilial(TExecucao& x, int32_t filial, std::vector<std::unique_ptr<ISaidaExtraLote>>& extras) {
  TResultadoFilial r;
  const auto inicio = Relogio::now();
  const std::string nome = NomeArquivoLote(filial, x.Opcoes.Escolhas.Data);
  x.Caixas.Erros.clear();
  x.Acompanhamento.Iniciar(filial, &DatabaseSession->GetConnection());

  TObservadores observadores;
  observadores.Todos.push_back(&x.Acompanhamento);
  std::unique_ptr<dbclient::TConsulta> linhas;
  try {
    if (x.SaidasExtras) extras = x.SaidasExtras(filial);
    for (auto& e : extras) observadores.Todos.push_back(e.get());
    const TParamsRelatorio params = ParametrosRelatorio(x.Opcoes.Escolhas, filial);
    r.ComLinhas = ProduzirRegistroP7(
        params, linhas,
        [&] {
          // A statement that failed leaves the rows incomplete whatever the script did next.
          if (!x.Caixas.Erros.empty()) throw std::runtime_error(x.Caixas.Erros.front());
          x.Acompanhamento.Compondo();
        },
        [&](TImpressao& impressao) { impressao.GravarRelatorio(x.Pasta + nome); }, &observadores, &r.Resumo);
    // After the register (whose failure throws past this), or with no rows at all.
    for (auto& e : extras) {
      const std::string arquivo = e->NomeArquivo(filial, x.Opcoes.Escolhas.Data);
      e->Gravar(x.Pasta + arquivo, x.Opcoes.Escolhas.Data);
      r.NomesExtras.push_back(arquivo);
    }
  } catch (const std::exception& e) {
    // The first failing statement is the cause; what failed after it only follows from it.
    r.Motivo = x.Caixas.Erros.empty() ? e.what() : x.Caixas.Erros.front();
  }
  linhas.reset();
  x.Acompanhamento.Parar();

  // Over a lost connection there is nothing to drop: the tables went with it.
  if (!ConexaoPerdida()) {
    const size_t errosAntes = x.Caixas.Erros.size();
    try {
      TInventarioP7Dao::ApagarTabelasTemporarias();
      if (x.Caixas.Erros.size() > errosAntes) r.ErroLimpeza = x.Caixas.Erros[errosAntes];
    } catch (const std::exception& e) {
      r.ErroLimpeza = e.what();
    }
  }
  r.Segundos = std::chrono::duration<double>(Relogio::now() - inicio).count();
  return r;
}

// The branch's line: its failure, its notice of no rows, or what was written.
void RelatarFilial(TSaidaErro& saida, const std::string& rotulo, const std::string& nome, const TResultadoFilial& r,
                   const std::vector<std::unique_ptr<ISaidaExtraLote>>& extras) {
  if (!r.ComLinhas) {
    std::string texto = rotulo + "não existem registros para esta seleção";
    for (size_t i = 0; i < extras.size() && i < r.NomesExtras.size(); ++i)
      texto += "; " + extras[i]->NotaSemLinhas() + ": " + r.NomesExtras[i];
    saida.Linha(texto);
  } else {
    std::string texto = rotulo + std::to_string(r.Resumo.Produtos) + " produtos, " +
                        std::to_string(r.Resumo.Folhas) + " folhas, total " +
                        Utf8(FormatarCentavos(r.Resumo.TotalCentavos)) + ", " + Segundos(r.Segundos) + " s, " + nome;
    for (const std::string& n : r.NomesExtras) texto += ", " + n;
    saida.Linha(texto);
  }
  for (const auto& e : extras)
    for (const std::string& aviso : e->Avisos()) saida.Linha(Utf8(aviso));
}

}  // namespace

int ExecutarLote(const TOpcoesLote& opcoes, std::FILE* erro, bool progresso, const TFabricaSaidasExtras& saidasExtras) {
  TSaidaErro saida(erro);
  if (!opcoes.Ini.empty()) {
    if (!ArquivoExiste(opcoes.Ini)) {
      saida.Linha("Arquivo de configuração não encontrado: " + opcoes.Ini);
      return SaidaUso;
    }
    TConfigSistemaKOT::DefinirArquivoConfig(opcoes.Ini);
  }
  std::string pasta = opcoes.Saida.empty() ? plataforma::PastaPrograma() + "relatorio" : opcoes.Saida;
  if (!PastaExiste(pasta)) {
    saida.Linha("A pasta de saída não existe: " + pasta);
    return opcoes.Saida.empty() ? SaidaFalha : SaidaUso;
  }
  if (pasta.back() != '/') pasta += '/';

  auto caixas = std::make_shared<TCaixasLote>();
  auto anteriores = plataforma::InstalarCaixasMensagem(caixas);
  struct TRestaurar {
    std::shared_ptr<plataforma::ICaixasMensagem> c;
    ~TRestaurar() {
      plataforma::InstalarCaixasMensagem(c);
      DatabaseSession.reset();
    }
  } restaurar{anteriores};

  std::vector<int32_t> filiais = opcoes.Filiais;
  try {
    DatabaseSession = std::make_shared<TDatabase>();
    if (opcoes.Todas) {
      auto q = DatabaseSession->OpenQuery("SELECT filial_id FROM filial ORDER BY filial_id");
      for (; !q->Eof(); q->Proximo()) filiais.push_back(static_cast<int32_t>(q->Campo(0).AsInteger()));
    } else if (filiais.empty()) {
      filiais.push_back(TConfigSistemaKOT::GetCodLogica());
    }
  } catch (const std::exception& e) {
    saida.Linha("Não foi possível conectar ao banco de dados: " + Utf8(e.what()));
    return SaidaFalha;
  }

  TProgressoLote acompanhamento(saida, progresso);
  TExecucao execucao{opcoes, saidasExtras, pasta, *caixas, acompanhamento};
  size_t gravadas = 0, semRegistros = 0;
  std::vector<std::string> falhas;
  bool limpezaFalhou = false;
  for (int32_t filial : filiais) {
    const std::string rotulo = "Filial " + std::to_string(filial) + ": ";
    if (ConexaoPerdida()) {
      falhas.push_back(rotulo + "não gerada: a conexão com o banco de dados foi perdida");
      saida.Linha(falhas.back());
      continue;
    }
    std::vector<std::unique_ptr<ISaidaExtraLote>> extras;
    const TResultadoFilial r = GerarFilial(execucao, filial, extras);
    if (!r.Motivo.empty()) {
      falhas.push_back(rotulo + Utf8(plataforma::TextoErroPadrao(r.Motivo)));
      saida.Linha(rotulo + "falhou: " + Utf8(plataforma::TextoErroPadrao(r.Motivo)));
      continue;
    }
    ++(r.ComLinhas ? gravadas : semRegistros);
    RelatarFilial(saida, rotulo, NomeArquivoLote(filial, opcoes.Escolhas.Data), r, extras);
    if (!r.ErroLimpeza.empty()) {
      limpezaFalhou = true;
      saida.Linha(rotulo + "as tabelas temporárias não foram apagadas: " +
                  Utf8(plataforma::TextoErroPadrao(r.ErroLimpeza)));
    }
  }

  saida.Linha("Resumo: " + std::to_string(gravadas) + " gravada(s), " + std::to_string(semRegistros) +
              " sem registros, " + std::to_string(falhas.size()) + " com falha");
  for (const std::string& f : falhas) saida.Linha("  " + f);
  return falhas.empty() && !limpezaFalhou ? SaidaOk : SaidaFalha;
}

int ExecutarLinhaComandoLote(const std::vector<std::string>& argumentos, std::FILE* saida, std::FILE* erro,
                             bool progresso) {
  TOpcoesLote opcoes;
  try {
    opcoes = LerOpcoesLote(argumentos);
  } catch (const EErroUso& e) {
    std::fprintf(erro, "inventario-p7-lote: %s\n\n%s", e.what(), TextoUsoLote().c_str());
    return SaidaUso;
  }
  if (opcoes.Ajuda) {
    std::fputs(TextoUsoLote().c_str(), saida);
    return SaidaOk;
  }
  return ExecutarLote(opcoes, erro, progresso, opcoes.BlocoH ? FabricaSaidasBlocoH(opcoes) : TFabricaSaidasExtras{});
}
