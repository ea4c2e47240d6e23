#include "paginas/PdfRegistro.h"

#include <QGuiApplication>
#include <QIODevice>

#include <cstdio>
#include <exception>

#include "paginas/DesenhoPaginas.h"
#include "platform/Win1252.h"

namespace paginas {
namespace {

// Hands what the PDF writer writes to the caller's function, in pieces of a reasonable size. An
// exception of the function must not unwind through Qt's painting: it is kept, further writes
// fail, and it is thrown again once the painter is done.
class TSaidaFuncao : public QIODevice {
 public:
  explicit TSaidaFuncao(const std::function<void(std::string_view)>& escrever) : escrever_(escrever) {
    open(QIODevice::WriteOnly);
  }
  bool isSequential() const override { return true; }
  void Concluir() {
    if (!falha_ && !pendente_.empty()) Entregar();
    if (falha_) std::rethrow_exception(falha_);
  }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* dados, qint64 tamanho) override {
    if (falha_) return -1;
    pendente_.append(dados, static_cast<size_t>(tamanho));
    if (pendente_.size() >= kPedaco) Entregar();
    return falha_ ? -1 : tamanho;
  }

 private:
  static constexpr size_t kPedaco = 1 << 16;
  void Entregar() {
    try {
      escrever_(pendente_);
    } catch (...) {
      falha_ = std::current_exception();
    }
    pendente_.clear();
  }
  const std::function<void(std::string_view)>& escrever_;
  std::string pendente_;
  std::exception_ptr falha_;
};

// While the application is made, the platform's notes (no runtime folder under cron, say) would
// land among the command's own lines on standard error; only what stops Qt gets through.
QtMessageHandler manipuladorAnterior = nullptr;
void SoOGrave(QtMsgType tipo, const QMessageLogContext& contexto, const QString& texto) {
  if (tipo == QtDebugMsg || tipo == QtInfoMsg || tipo == QtWarningMsg) return;
  if (manipuladorAnterior) manipuladorAnterior(tipo, contexto, texto);
  else std::fprintf(stderr, "%s\n", qPrintable(texto));
}
struct TSoOGrave {
  TSoOGrave() { manipuladorAnterior = qInstallMessageHandler(SoOGrave); }
  ~TSoOGrave() { qInstallMessageHandler(manipuladorAnterior); }
};

TPagina PaginaDeLinhas(const std::vector<std::string>& linhas) {
  TPagina p;
  p.reserve(static_cast<qsizetype>(linhas.size()));
  for (const auto& l : linhas) p.append(DecodificarW1252(l));
  return p;
}

}  // namespace

TAplicacaoSemTela::TAplicacaoSemTela(const std::string& programa) : programa_(programa) {
  if (QCoreApplication* existente = QCoreApplication::instance()) {
    if (!qobject_cast<QGuiApplication*>(existente))
      throw EErroPdf(W("O PDF precisa de uma aplicação Qt com interface gráfica, e este programa já tem outra."));
    return;
  }
  argv_[0] = programa_.data();
  argv_[1] = opcao_.data();
  argv_[2] = plataforma_.data();
  TSoOGrave silencio;
  aplicacao_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

TAplicacaoSemTela::~TAplicacaoSemTela() = default;

void EscreverPdfRegistro(std::string_view registro, const TOpcoesPdfRegistro& opcoes,
                         const std::function<void(std::string_view)>& escrever) {
  // Without it Qt aborts the process at the first font.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    throw EErroPdf(W("O PDF precisa de uma aplicação Qt com interface gráfica (TAplicacaoSemTela)."));
  if (registro.empty()) throw EErroPdf(W("O registro está vazio: não há folhas para o PDF."));
  const TPaginasW1252 folhas(registro);
  TDocumento termos;  // the opening and the closing term, when asked
  if (opcoes.Termos) {
    const TFolhasLivro livro{folhas.Quantas(), FolhaDaPagina(folhas.Pagina(0)), FolhaDaPagina(folhas.Pagina(folhas.Quantas() - 1))};
    for (TTipoTermo tipo : {TTipoTermo::Abertura, TTipoTermo::Encerramento})
      termos.Paginas.push_back(PaginaDeLinhas(ComporTermo(tipo, *opcoes.Termos, livro)));
    MedirDocumento(termos);
  }
  const int n = folhas.Quantas(), antes = termos.Paginas.empty() ? 0 : 1;
  const TFontePaginas paginas{n + 2 * antes, std::max(folhas.LarguraMaxima(), termos.LarguraMaxima),
                              std::max(folhas.LinhasMaximas(), termos.LinhasMaximas), [&](int i) {
                                if (antes && (i == 0 || i == n + 1)) return termos.Paginas[i == 0 ? 0 : 1];
                                return folhas.Pagina(i - antes);
                              }};
  TSaidaFuncao saida(escrever);
  const bool ok = EscreverPdf(saida, paginas, QString::fromStdString(opcoes.Titulo), QString::fromStdString(opcoes.Criador));
  saida.Concluir();
  if (!ok) throw EErroPdf(W("Não foi possível desenhar as folhas do PDF."));
}

std::string PdfRegistro(std::string_view registro, const TOpcoesPdfRegistro& opcoes) {
  std::string pdf;
  EscreverPdfRegistro(registro, opcoes, [&pdf](std::string_view pedaco) { pdf.append(pedaco); });
  return pdf;
}

}  // namespace paginas
