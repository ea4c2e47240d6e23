#include "lote/ExecucaoLote.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <system_error>
#include <thread>

#include "common/Utils.h"
#include "dbclient/DbClient.h"
#include "inventory/UInventarioP7Dao.h"
#include "lote/SaidaBlocoH.h"
#include "lote/SaidaConferencia.h"
#include "lote/SaidaPdf.h"
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

std::string Segundos(double s) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f", s);
  std::string r = b;
  for (char& c : r)
    if (c == '.') c = plataforma::FormatSettings().DecimalSeparator;
  return r;
}

std::string Rotulo(int32_t filial) { return "Filial " + std::to_string(filial) + ": "; }

// A text as one line of standard error or one field of the summary: each run of line breaks and
// other control characters, with the blanks around it, becomes one blank.
std::string UmaLinha(const std::string& texto) {
  std::string r;
  r.reserve(texto.size());
  bool quebra = false;
  for (char c : texto) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      while (!r.empty() && r.back() == ' ') r.pop_back();
      quebra = !r.empty();
    } else if (c != ' ' || !quebra) {
      if (quebra) r += ' ';
      quebra = false;
      r += c;
    }
  }
  return r;
}

// Standard error shared by the sessions' branch lines and the progress thread. A closed standard
// error (a pipe whose reader went) makes the writes fail, never the run.
class TSaidaErro {
 public:
  explicit TSaidaErro(std::FILE* f) : f_(f) {}
  void Linha(const std::string& utf8) {
    std::lock_guard<std::mutex> trava(mutex_);
    if (progressoNaTela_) std::fputs("\r\033[K", f_);
    progressoNaTela_ = false;
    std::fputs(UmaLinha(utf8).c_str(), f_);
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

// The progress line, redrawn by a thread of its own once the run has gone on for two seconds:
// the branches done out of all, then each branch under way with the statement of the script its
// server is on, or the rows composed so far.
class TProgressoLote {
 public:
  TProgressoLote(TSaidaErro& saida, bool ativo, size_t sessoes, size_t filiais)
      : saida_(saida), vagas_(sessoes), filiais_(filiais), inicio_(Relogio::now()) {
    try {
      if (ativo) thread_ = std::thread([this] { Laco(); });
    } catch (const std::system_error&) {
      // No thread for it: the run goes on without a progress line.
    }
  }
  ~TProgressoLote() {
    {
      std::lock_guard<std::mutex> trava(mutex_);
      fim_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  // Session `s` starts the branch on its connection.
  void Iniciar(size_t s, int32_t filial, const IDatabase* banco) {
    std::lock_guard<std::mutex> trava(mutex_);
    TVaga& v = vagas_[s];
    v.Filial = filial;
    v.Banco = banco;
    v.ComandosAntes = banco ? banco->ComandosExecutados() : 0;
    v.Inicio = Relogio::now();
    v.Compostas = 0;
    v.Compondo = false;
    v.Ativa = true;
  }
  void Compondo(size_t s) { vagas_[s].Compondo = true; }
  void LinhaComposta(size_t s) { vagas_[s].Compostas.fetch_add(1, std::memory_order_relaxed); }
  void Terminar(size_t s) {
    std::lock_guard<std::mutex> trava(mutex_);
    vagas_[s].Ativa = false;
    ++concluidas_;
  }

 private:
  struct TVaga {
    bool Ativa = false;
    int32_t Filial = 0;
    const IDatabase* Banco = nullptr;
    uint64_t ComandosAntes = 0;
    Relogio::time_point Inicio;
    std::atomic<bool> Compondo{false};
    std::atomic<size_t> Compostas{0};
  };

  void Laco() {
    std::unique_lock<std::mutex> trava(mutex_);
    while (!fim_) {
      cv_.wait_for(trava, std::chrono::milliseconds(250));
      if (fim_) break;
      const auto agora = Relogio::now();
      if (agora - inicio_ < std::chrono::seconds(2)) continue;
      std::string texto = "Filiais: " + std::to_string(concluidas_) + " de " + std::to_string(filiais_) + " concluídas";
      std::string emCurso;
      for (const TVaga& v : vagas_) {
        if (!v.Ativa) continue;
        emCurso += emCurso.empty() ? "; em curso: " : ", ";
        emCurso += std::to_string(v.Filial) + " (";
        if (v.Compondo)
          emCurso += std::to_string(v.Compostas.load()) + " linhas compostas";
        else
          emCurso += "comando " + std::to_string(v.Banco ? v.Banco->ComandosExecutados() - v.ComandosAntes : 0) +
                     " do roteiro";
        emCurso +=
            ", " + std::to_string(std::chrono::duration_cast<std::chrono::seconds>(agora - v.Inicio).count()) + " s)";
      }
      saida_.Progresso(texto + emCurso);
    }
  }

  TSaidaErro& saida_;
  std::vector<TVaga> vagas_;
  size_t filiais_, concluidas_ = 0;
  Relogio::time_point inicio_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool fim_ = false;
};

// Tells the progress and every extra output of each line a session composes.
class TObservadores : public IObservadorRegistroP7 {
 public:
  TObservadores(TProgressoLote& progresso, size_t sessao) : progresso_(progresso), sessao_(sessao) {}
  std::vector<IObservadorRegistroP7*> Extras;
  void Linha(const TLinhaP7& l, plataforma::TMoeda q, plataforma::TMoeda u, int64_t c) override {
    progresso_.LinhaComposta(sessao_);
    for (auto* o : Extras) o->Linha(l, q, u, c);
  }
  void Total(int64_t c) override {
    for (auto* o : Extras) o->Total(c);
  }

 private:
  TProgressoLote& progresso_;
  size_t sessao_;
};

// What one branch came to.
enum class TSituacaoFilial { NaoGerada, Gravada, SemRegistros, Falhou };

struct TResultadoFilial {
  int32_t Filial = 0;
  TSituacaoFilial Situacao = TSituacaoFilial::NaoGerada;
  std::string Motivo;       // UTF-8: the failure
  std::string ErroLimpeza;  // UTF-8: a drop of the temporary tables that failed
  TResumoRegistroP7 Resumo;
  std::vector<std::string> NomesExtras;  // the extra files written
  double Segundos = 0;
  std::optional<size_t> Diferencas;  // --conferir: the differences found
  std::string LinhaConferencia;      // UTF-8
};

// A server's session of the run.
struct TSessaoLote {
  std::unique_ptr<IDatabase> Banco;
  size_t Vaga = 0;  // its place in the progress line
};

// Everything the sessions of one run share.
struct TExecucao {
  const TOpcoesLote& Opcoes;
  const TFabricaSaidasExtras& SaidasExtras;
  std::string Pasta;  // ends with its separator
  TSaidaErro& Saida;
  TProgressoLote& Progresso;
  std::vector<TResultadoFilial> Resultados;  // in id order; the branches to generate
  std::mutex Mutex;
  size_t Proxima = 0;  // the next branch a free session takes
};

// The reason of a failure as the branch's line gives it; a statement of the stock script says
// where the script stopped.
std::string DescreverFalha(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e)) return "memória insuficiente";
  std::string texto = UmaLinha(Utf8(plataforma::TextoErroPadrao(e.what())));
  if (const auto* s = dynamic_cast<const dbclient::EErroScript*>(&e))
    texto = "comando " + std::to_string(s->Comando) + " de " + std::to_string(s->Comandos) + " do roteiro: " + texto;
  return texto;
}

// The reason of whatever a branch's work let escape, for its line.
std::string DescreverFalha(std::exception_ptr falha) {
  try {
    std::rethrow_exception(falha);
  } catch (const std::exception& e) {
    return DescreverFalha(e);
  } catch (...) {
    return "erro inesperado";
  }
}

// The window's pipeline, composition and safe write for one branch on the session's connection,
// the temporary tables dropped after it so that the next branch starts clean, then the extra
// outputs.
void GerarFilial(TExecucao& x, TSessaoLote& sessao, TResultadoFilial& r,
                 std::vector<std::unique_ptr<ISaidaExtraLote>>& extras) {
  const auto inicio = Relogio::now();
  const std::string nome = NomeArquivoLote(r.Filial, x.Opcoes.Escolhas.Data);
  x.Progresso.Iniciar(sessao.Vaga, r.Filial, sessao.Banco.get());

  TObservadores observadores(x.Progresso, sessao.Vaga);
  TExecucaoRegistroP7 execucao(*sessao.Banco, ParametrosRelatorio(x.Opcoes.Escolhas, r.Filial),
                               TLeituraMovimentos::PorFilial);
  bool comLinhas = false;
  try {
    if (x.SaidasExtras) extras = x.SaidasExtras(r.Filial);
    for (auto& e : extras) observadores.Extras.push_back(e.get());
    comLinhas = execucao.Produzir([&] { x.Progresso.Compondo(sessao.Vaga); },
                                  [&](TImpressao& impressao) { impressao.GravarRelatorio(x.Pasta + nome); },
                                  &observadores, &r.Resumo);
  } catch (const std::exception& e) {
    r.Motivo = DescreverFalha(e);
  }
  const std::vector<std::string> falhasLimpeza = execucao.Encerrar();
  if (!falhasLimpeza.empty()) r.ErroLimpeza = Utf8(plataforma::TextoErroPadrao(falhasLimpeza.front()));

  // After the register (a failed one gets none), or with no rows at all.
  if (r.Motivo.empty()) {
    try {
      for (auto& e : extras)
        for (std::string& arquivo : e->Gravar(x.Pasta, r.Filial, x.Opcoes.Escolhas.Data, execucao.DadosFilial()))
          r.NomesExtras.push_back(std::move(arquivo));
    } catch (const std::exception& e) {
      r.Motivo = DescreverFalha(e);
    }
    if (std::optional<TResultadoConferencia> c = ResultadoConferencia(extras)) {
      r.Diferencas = c->Diferencas;
      r.LinhaConferencia = std::move(c->Linha);
    }
  }
  r.Situacao = !r.Motivo.empty() ? TSituacaoFilial::Falhou
               : comLinhas       ? TSituacaoFilial::Gravada
                                 : TSituacaoFilial::SemRegistros;
  r.Segundos = std::chrono::duration<double>(Relogio::now() - inicio).count();
  x.Progresso.Terminar(sessao.Vaga);
}

// The branch's lines: its failure, its notice of no rows, or what was written, then the
// warnings of its extra files.
void RelatarFilial(TSaidaErro& saida, const TResultadoFilial& r, const std::string& nome,
                   const std::vector<std::unique_ptr<ISaidaExtraLote>>& extras) {
  const std::string rotulo = Rotulo(r.Filial);
  if (r.Situacao == TSituacaoFilial::Falhou) {
    saida.Linha(rotulo + "falhou: " + r.Motivo);
  } else if (r.Situacao == TSituacaoFilial::SemRegistros) {
    std::string texto = rotulo + "não existem registros para esta seleção";
    if (!extras.empty() && !r.NomesExtras.empty()) {
      texto += "; " + extras.back()->NotaSemLinhas() + ": ";
      for (size_t i = 0; i < r.NomesExtras.size(); ++i) texto += (i ? ", " : "") + r.NomesExtras[i];
    }
    saida.Linha(texto);
  } else {
    std::string texto = rotulo + std::to_string(r.Resumo.Produtos) + " produtos, " + std::to_string(r.Resumo.Folhas) +
                        " folhas, total " + Utf8(FormatarCentavos(r.Resumo.TotalCentavos)) + ", " +
                        Segundos(r.Segundos) + " s, " + nome;
    for (const std::string& n : r.NomesExtras) texto += ", " + n;
    saida.Linha(texto);
  }
  if (!r.LinhaConferencia.empty()) saida.Linha(r.LinhaConferencia);
  const std::string prefixo = "filial " + std::to_string(r.Filial) + ": ";
  for (const auto& e : extras)
    for (const std::string& aviso : e->Avisos()) saida.Linha(prefixo + Utf8(aviso));
  if (r.Situacao != TSituacaoFilial::Falhou && !r.ErroLimpeza.empty())
    saida.Linha(rotulo + "as tabelas temporárias não foram apagadas: " + r.ErroLimpeza);
}

// One session: the next branch in id order as long as there is one and the connection lives.
// A session whose connection is gone stops; the others take what is left.
void AtenderFilas(TExecucao& x, TSessaoLote& sessao) {
  for (;;) {
    if (!sessao.Banco->IsConnected()) return;
    TResultadoFilial* r;
    {
      std::lock_guard<std::mutex> trava(x.Mutex);
      if (x.Proxima >= x.Resultados.size()) return;
      r = &x.Resultados[x.Proxima++];
    }
    // Whatever the branch's work lets escape (no memory, anything at all) fails that branch only:
    // on a thread, it would end the process with every other session's files half-written.
    std::vector<std::unique_ptr<ISaidaExtraLote>> extras;
    try {
      GerarFilial(x, sessao, *r, extras);
    } catch (...) {
      r->Situacao = TSituacaoFilial::Falhou;
      try {
        r->Motivo = DescreverFalha(std::current_exception());
      } catch (...) {
        r->Motivo.clear();  // not even memory for the reason: the branch still counts as failed
      }
      x.Progresso.Terminar(sessao.Vaga);
    }
    try {
      RelatarFilial(x.Saida, *r, NomeArquivoLote(r->Filial, x.Opcoes.Escolhas.Data), extras);
    } catch (...) {
      // The line is lost; the summary still gives the branch.
    }
  }
}

// RESUMO_<AAAAMMDD>.csv: one line per branch in id order, for head office to reconcile with the
// accounts; with --conferir, each branch's differences from its block H.
std::string TextoResumo(const std::vector<TResultadoFilial>& resultados, const plataforma::TDataHora& data,
                        bool conferir) {
  std::string t = "filial;situação;produtos;folhas;total geral;segundos;arquivo;motivo";
  t += conferir ? ";diferenças\r\n" : "\r\n";
  for (const TResultadoFilial& r : resultados) {
    const bool gravada = r.Situacao == TSituacaoFilial::Gravada;
    const char* situacao = gravada                                       ? "gravada"
                           : r.Situacao == TSituacaoFilial::SemRegistros ? "sem registros"
                                                                         : "falhou";
    std::vector<std::string> campos = {
        std::to_string(r.Filial),
        situacao,
        gravada ? std::to_string(r.Resumo.Produtos) : "",
        gravada ? std::to_string(r.Resumo.Folhas) : "",
        gravada ? Utf8(FormatarCentavos(r.Resumo.TotalCentavos)) : "",
        r.Situacao == TSituacaoFilial::Falhou && r.Segundos == 0 ? "" : Segundos(r.Segundos),
        gravada ? NomeArquivoLote(r.Filial, data) : "",
        r.Motivo};
    if (conferir) campos.push_back(r.Diferencas ? std::to_string(*r.Diferencas) : "");
    for (size_t i = 0; i < campos.size(); ++i) t += (i ? ";" : "") + CampoCsv(campos[i]);
    t += "\r\n";
  }
  return t;
}

// The sessions of the run: `paralelo` on each server. A server that refuses is named and left
// out; the run goes on with the others.
std::vector<TSessaoLote> AbrirSessoes(const TOpcoesLote& opcoes, TSaidaErro& saida, bool& recusado) {
  std::vector<TSessaoLote> sessoes;
  const std::vector<std::string> inis = opcoes.Inis.empty() ? std::vector<std::string>{""} : opcoes.Inis;
  for (const std::string& ini : inis) {
    for (int i = 0; i < opcoes.Paralelo; ++i) {
      try {
        TSessaoLote s;
        s.Banco = ini.empty() ? std::make_unique<TDatabase>() : std::make_unique<TDatabase>(ini);
        s.Vaga = sessoes.size();
        sessoes.push_back(std::move(s));
      } catch (const std::exception& e) {
        recusado = true;
        saida.Linha("Não foi possível conectar ao banco de dados" + (inis.size() > 1 ? " de " + ini : std::string()) +
                    ": " + Utf8(e.what()));
        break;  // a server that refused one session is not asked again
      }
    }
  }
  return sessoes;
}

// The branches of the run in id order, read from the first session; ids the command was given
// that the table lacks come back in `naoCadastradas`.
std::vector<int32_t> FiliaisDaExecucao(const TOpcoesLote& opcoes, IDatabase& banco,
                                       std::vector<int32_t>& naoCadastradas) {
  std::set<int32_t> cadastradas;
  auto q = banco.OpenQuery("SELECT filial_id FROM filial ORDER BY filial_id");
  for (; !q->Eof(); q->Proximo()) cadastradas.insert(q->Campo(0).AsInt32());
  if (opcoes.Todas) return {cadastradas.begin(), cadastradas.end()};

  std::vector<int32_t> pedidas = opcoes.Filiais;
  if (pedidas.empty())
    pedidas.push_back(TConfigSistemaKOT::GetCodLogica(opcoes.Inis.empty() ? TConfigSistemaKOT::ConfigFileName()
                                                                          : opcoes.Inis.front()));
  std::sort(pedidas.begin(), pedidas.end());
  std::vector<int32_t> filiais;
  for (int32_t f : pedidas) (cadastradas.count(f) ? filiais : naoCadastradas).push_back(f);
  return filiais;
}

}  // namespace

std::string CampoCsv(const std::string& t) {
  if (t.find_first_of(";\"\r\n") == std::string::npos) return t;
  std::string r = "\"";
  for (char c : t) r += c == '"' ? std::string("\"\"") : std::string(1, c);
  return r + "\"";
}

std::string NomeArquivoLote(int32_t filial, const plataforma::TDataHora& data) {
  char d[16];
  std::snprintf(d, sizeof d, "%04d%02d%02d", data.Ano, data.Mes, data.Dia);
  return "P7_" + std::to_string(filial) + "_" + d + ".txt";
}

std::string NomeArquivoResumoLote(const plataforma::TDataHora& data) {
  char d[32];
  std::snprintf(d, sizeof d, "RESUMO_%04d%02d%02d.csv", data.Ano, data.Mes, data.Dia);
  return d;
}

namespace {

// A failed branch's result, its line said.
TResultadoFilial Falha(TSaidaErro& saida, int32_t filial, std::string motivo) {
  TResultadoFilial r;
  r.Filial = filial;
  r.Situacao = TSituacaoFilial::Falhou;
  r.Motivo = std::move(motivo);
  saida.Linha(Rotulo(filial) + r.Motivo);
  return r;
}

// The output folder, ending with its separator; "" (the reason said) when it does not exist.
std::string PastaDeSaida(const TOpcoesLote& opcoes, TSaidaErro& saida) {
  std::string pasta = opcoes.Saida.empty() ? plataforma::PastaPrograma() + "relatorio" : opcoes.Saida;
  if (!PastaExiste(pasta)) {
    saida.Linha("A pasta de saída não existe: " + pasta);
    return "";
  }
  return pasta.back() == '/' ? pasta : pasta + '/';
}

// Every session on a thread of its own until the branches run out; then what no session could
// take because every connection was lost on the way fails with a line each. A session whose
// thread cannot be started is left out (the others take its branches); with none, every branch
// fails.
void RodarSessoes(TExecucao& x, std::vector<TSessaoLote>& sessoes) {
  size_t iniciadas = 0;
  {
    std::vector<std::thread> threads;
    try {
      threads.reserve(sessoes.size());
      for (TSessaoLote& s : sessoes) {
        threads.emplace_back([&x, &s] { AtenderFilas(x, s); });
        ++iniciadas;
      }
    } catch (const std::exception& e) {
      x.Saida.Linha("Não foi possível iniciar a sessão " + std::to_string(iniciadas + 1) + " de " +
                    std::to_string(sessoes.size()) + ": " + Utf8(e.what()));
    }
    for (std::thread& t : threads) t.join();
  }
  const char* motivo = iniciadas == 0 ? "não gerada: nenhuma sessão pôde ser iniciada"
                                      : "não gerada: a conexão com o banco de dados foi perdida";
  for (size_t i = x.Proxima; i < x.Resultados.size(); ++i)
    x.Resultados[i] = Falha(x.Saida, x.Resultados[i].Filial, motivo);
}

// The closing summary on standard error and in RESUMO_<AAAAMMDD>.csv, branches in id order;
// false when anything failed.
bool Resumir(std::vector<TResultadoFilial> resultados, const TOpcoesLote& opcoes, const std::string& pasta,
             TSaidaErro& saida) {
  std::sort(resultados.begin(), resultados.end(),
            [](const TResultadoFilial& a, const TResultadoFilial& b) { return a.Filial < b.Filial; });
  bool ok = true;
  size_t gravadas = 0, semRegistros = 0, comFalha = 0, comDiferencas = 0;
  for (const TResultadoFilial& r : resultados) {
    if (r.Diferencas.value_or(0) > 0) ++comDiferencas;
    if (r.Situacao == TSituacaoFilial::Gravada) ++gravadas;
    if (r.Situacao == TSituacaoFilial::SemRegistros) ++semRegistros;
    if (r.Situacao == TSituacaoFilial::Falhou) ++comFalha;
    if (r.Situacao != TSituacaoFilial::Falhou && !r.ErroLimpeza.empty()) ok = false;
  }
  try {
    GravarArquivoSeguro(pasta + NomeArquivoResumoLote(opcoes.Escolhas.Data),
                        TextoResumo(resultados, opcoes.Escolhas.Data, !opcoes.Conferir.empty()));
  } catch (const std::exception& e) {
    saida.Linha("O resumo não foi gravado: " + Utf8(e.what()));
    ok = false;
  }
  saida.Linha("Resumo: " + std::to_string(gravadas) + " gravada(s), " + std::to_string(semRegistros) +
              " sem registros, " + std::to_string(comFalha) + " com falha" +
              (opcoes.Conferir.empty() ? "" : ", " + std::to_string(comDiferencas) + " com diferenças no bloco H"));
  for (const TResultadoFilial& r : resultados)
    if (r.Situacao == TSituacaoFilial::Falhou) saida.Linha("  " + Rotulo(r.Filial) + r.Motivo);
  return ok && comFalha == 0 && comDiferencas == 0;
}

}  // namespace

int ExecutarLote(const TOpcoesLote& opcoes, std::FILE* erro, bool progresso, const TFabricaSaidasExtras& saidasExtras) {
  TSaidaErro saida(erro);
  for (const std::string& ini : opcoes.Inis) {
    if (!ArquivoExiste(ini)) {
      saida.Linha("Arquivo de configuração não encontrado: " + ini);
      return SaidaUso;
    }
  }
  const std::string pasta = PastaDeSaida(opcoes, saida);
  if (pasta.empty()) return opcoes.Saida.empty() ? SaidaFalha : SaidaUso;

  bool recusado = false;
  std::vector<TSessaoLote> sessoes = AbrirSessoes(opcoes, saida, recusado);
  if (sessoes.empty()) return SaidaFalha;
  std::vector<int32_t> filiais, naoCadastradas;
  try {
    filiais = FiliaisDaExecucao(opcoes, *sessoes.front().Banco, naoCadastradas);
  } catch (const std::exception& e) {
    saida.Linha("Não foi possível ler as filiais: " + Utf8(e.what()));
    return SaidaFalha;
  }

  TProgressoLote acompanhamento(saida, progresso, sessoes.size(), filiais.size());
  TExecucao x{opcoes, saidasExtras, pasta, saida, acompanhamento, {}, {}, 0};
  for (int32_t f : filiais) x.Resultados.emplace_back().Filial = f;
  std::vector<TResultadoFilial> resultados;
  for (int32_t f : naoCadastradas) resultados.push_back(Falha(saida, f, "não cadastrada na tabela filial"));
  RodarSessoes(x, sessoes);
  resultados.insert(resultados.end(), x.Resultados.begin(), x.Resultados.end());
  return Resumir(std::move(resultados), opcoes, pasta, saida) && !recusado ? SaidaOk : SaidaFalha;
}

namespace {

// The usage error's lines: the reason, then the usage text.
int ErroDeUso(std::FILE* erro, const std::string& motivo) {
  std::fprintf(erro, "inventario-p7-lote: %s\n\n%s", motivo.c_str(), TextoUsoLote().c_str());
  return SaidaUso;
}

// What the extra outputs read once, before anything connects, so that a bad folder or file stops
// the run with nothing written: --efd's and --conferir's files by CNPJ, --termos' values and the
// PDF's font.
struct TLeiturasPrevias {
  std::shared_ptr<const efd::TIndiceEfd> IndiceEfd, IndiceConferencia;
  std::shared_ptr<const paginas::TArquivoTermos> Termos;
  std::shared_ptr<const paginas::TFonteTrueType> Fonte;
};

// The EFD files of the folder of an option by CNPJ, the files skipped told; a usage error's exit
// code when the folder cannot be used.
std::optional<int> IndexarPastaEfd(const std::string& pasta, const std::string& opcao, std::FILE* erro,
                                   std::shared_ptr<const efd::TIndiceEfd>& indice) {
  if (!PastaExiste(pasta)) return ErroDeUso(erro, "a pasta de " + opcao + " não existe: " + pasta);
  try {
    indice = std::make_shared<const efd::TIndiceEfd>(efd::IndexarPasta(pasta));
  } catch (const std::exception& e) {
    return ErroDeUso(erro, "a pasta de " + opcao + " não pôde ser lida: " + Utf8(e.what()));
  }
  for (const std::string& aviso : indice->Avisos) std::fprintf(erro, "%s\n", Utf8(aviso).c_str());
  return std::nullopt;
}

// Reads them; a usage error's exit code when one cannot be used.
std::optional<int> LerPrevias(const TOpcoesLote& opcoes, std::FILE* erro, TLeiturasPrevias& previas) {
  if (!opcoes.Efd.empty())
    if (std::optional<int> codigo = IndexarPastaEfd(opcoes.Efd, "--efd", erro, previas.IndiceEfd)) return codigo;
  if (!opcoes.Conferir.empty() && opcoes.Conferir == opcoes.Efd)
    previas.IndiceConferencia = previas.IndiceEfd;
  else if (!opcoes.Conferir.empty())
    if (std::optional<int> codigo = IndexarPastaEfd(opcoes.Conferir, "--conferir", erro, previas.IndiceConferencia))
      return codigo;
  if (!opcoes.Termos.empty()) {
    try {
      previas.Termos = std::make_shared<const paginas::TArquivoTermos>(paginas::TArquivoTermos::Ler(opcoes.Termos));
      // UTF-8, as every message of the terms file.
      for (const std::string& aviso : previas.Termos->Avisos()) std::fprintf(erro, "%s\n", aviso.c_str());
    } catch (const paginas::ETermosInvalidos& e) {
      return ErroDeUso(erro, e.what());
    }
  }
  // A missing font is the machine's fault, not the options': found now, it fails the run before
  // the first branch's script instead of after each one.
  if (opcoes.Pdf) {
    try {
      previas.Fonte = paginas::LerFonteRegistro();
    } catch (const paginas::EErroPdf& e) {
      std::fprintf(erro, "inventario-p7-lote: %s\n", Utf8(e.what()).c_str());
      return SaidaFalha;
    }
  }
  return std::nullopt;
}

// Each branch's extra outputs: the book's PDF first, so that a branch whose block H cannot be
// filed still gets its book whole, then the check of the filed block H (which the same holds
// for), then block H (and the merged EFD file).
TFabricaSaidasExtras FabricaSaidasExtras(const TOpcoesLote& opcoes, const TLeiturasPrevias& previas) {
  if (!opcoes.BlocoH && !opcoes.Pdf && !previas.IndiceConferencia) return {};
  const TFabricaSaidasExtras blocoH =
      opcoes.BlocoH ? FabricaSaidasBlocoH(opcoes, previas.IndiceEfd) : TFabricaSaidasExtras{};
  return [blocoH, termos = previas.Termos, fonte = previas.Fonte, pdf = opcoes.Pdf,
          conferir = previas.IndiceConferencia, pastaConferir = opcoes.Conferir](int32_t filial) {
    std::vector<std::unique_ptr<ISaidaExtraLote>> r;
    if (pdf) r.push_back(NovaSaidaPdf(termos, fonte));
    if (conferir) r.push_back(NovaSaidaConferencia(conferir, pastaConferir));
    if (blocoH)
      for (auto& e : blocoH(filial)) r.push_back(std::move(e));
    return r;
  };
}

int ExecutarLinha(const std::vector<std::string>& argumentos, std::FILE* saida, std::FILE* erro, bool progresso) {
  TOpcoesLote opcoes;
  try {
    opcoes = LerOpcoesLote(argumentos);
  } catch (const EErroUso& e) {
    return ErroDeUso(erro, e.what());
  }
  if (opcoes.Ajuda) {
    std::fputs(TextoUsoLote().c_str(), saida);
    return SaidaOk;
  }
  TLeiturasPrevias previas;
  if (std::optional<int> codigo = LerPrevias(opcoes, erro, previas)) return *codigo;
  // No output may take the place of what the run reads: an EFD original in the output folder
  // under an output's name would be replaced by its own merge.
  std::vector<std::string> lidos;
  if (previas.Termos) lidos.push_back(opcoes.Termos);
  if (previas.IndiceEfd)
    for (const auto& [cnpj, arquivos] : previas.IndiceEfd->PorCnpj)
      for (const auto& arquivo : arquivos) lidos.push_back(arquivo.string());
  ProtegerArquivosLidos(std::move(lidos));
  return ExecutarLote(opcoes, erro, progresso, FabricaSaidasExtras(opcoes, previas));
}

}  // namespace

int ExecutarLinhaComandoLote(const std::vector<std::string>& argumentos, std::FILE* saida, std::FILE* erro,
                             bool progresso) {
  // The last resort: what escapes the run's own handling (no memory outside a branch) ends it
  // with a line and exit 1, the files under way removed as the stack unwinds, never by abort.
  try {
    return ExecutarLinha(argumentos, saida, erro, progresso);
  } catch (const std::bad_alloc&) {
    std::fputs("inventario-p7-lote: memória insuficiente\n", erro);
  } catch (const std::exception& e) {
    std::fprintf(erro, "inventario-p7-lote: erro inesperado: %s\n", Utf8(e.what()).c_str());
  } catch (...) {
    std::fputs("inventario-p7-lote: erro inesperado\n", erro);
  }
  return SaidaFalha;
}
