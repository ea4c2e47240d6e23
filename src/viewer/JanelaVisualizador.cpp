#include "viewer/JanelaVisualizador.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <cmath>

#include "platform/Mensagens.h"
#include "platform/TextoQt.h"
#include "widgets/EstiloSuite.h"

namespace visualizador {

namespace {

constexpr int kMargemTela = 12;  // pixels of paper around the text on screen
const double kZooms[] = {0.5, 0.67, 0.75, 0.9, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};

}  // namespace

// The page on screen: paper with the text, as wide as the view times the zoom.
class TPaginaWidget : public QWidget {
 public:
  explicit TPaginaWidget(TFVisualizador* janela) : QWidget(janela), janela_(janela) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
  }
  double Escala = 1.0;
  std::optional<TDestaque> Destaque;

  // Size and scale for the view's size and the zoom mode.
  void Ajustar(TModoZoom modo, double zoom, int larguraVista, int alturaVista) {
    const TDocumento& doc = janela_->Documento();
    QFontMetricsF m(FonteRegistro(), this);
    avanco_ = m.horizontalAdvance(QLatin1Char('M'));
    alturaLinha_ = m.lineSpacing();
    modo_ = modo;
    TGeometriaPagina g = GeometriaPagina(modo, zoom, larguraVista, alturaVista, kMargemTela, paginas::ColunasDe(doc),
                                         avanco_, std::max(doc.LinhasMaximas, 1), alturaLinha_);
    Escala = g.Escala;
    resize(g.Largura, g.Altura);
  }
  // The scale that fits the width of the view alone, against which the zoom counts.
  double EscalaDaLargura(int larguraVista) const {
    return EscalaParaCaber(paginas::ColunasDe(janela_->Documento()), avanco_, 0, 0,
                           std::max(100, larguraVista) - 2 * kMargemTela, 0);
  }
  double AlturaTexto() const { return std::max(janela_->Documento().LinhasMaximas, 1) * alturaLinha_ * Escala; }
  double LarguraTexto() const { return paginas::ColunasDe(janela_->Documento()) * avanco_ * Escala; }

 protected:
  void paintEvent(QPaintEvent*) override {
    const TDocumento& doc = janela_->Documento();
    if (doc.Paginas.empty()) return;
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setRenderHint(QPainter::TextAntialiasing);
    QRectF area(kMargemTela, kMargemTela, width() - 2 * kMargemTela, height() - 2 * kMargemTela);
    const int linhas = modo_ == TModoZoom::Pagina ? std::max(doc.LinhasMaximas, 1) : 0;
    DesenharPagina(p, area, doc.Paginas[janela_->PaginaAtual()], paginas::ColunasDe(doc), linhas, Destaque);
  }

 private:
  TFVisualizador* janela_;
  double avanco_ = 1.0;
  double alturaLinha_ = 1.0;
  TModoZoom modo_ = TModoZoom::Largura;
};

TFVisualizador::TFVisualizador(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(Q("Visualizador de relatório"));
  rolagem_ = new QScrollArea(this);
  rolagem_->setWidgetResizable(false);
  rolagem_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  rolagem_->setBackgroundRole(QPalette::Dark);
  paginaWidget_ = new TPaginaWidget(this);
  rolagem_->setWidget(paginaWidget_);
  rolagem_->viewport()->installEventFilter(this);
  setCentralWidget(rolagem_);

  // Every action runs its work in the one guard: an error shows the error box, the viewer goes on.
  auto Guardado = [this](void (TFVisualizador::*acao)()) {
    return plataforma::Protegendo([this, acao] { (this->*acao)(); });
  };
  auto* barra = addToolBar(Q("Navegação"));
  barra->setMovable(false);
  // The keys are handled by the window itself (it sees every key first), so the buttons carry
  // them in their texts or tooltips only. Paging and zoom take short signs so that the whole bar,
  // "Fechar (Esc)" included, fits a 1280-pixel screen.
  barra->addAction(Q("«"), this, Guardado(&TFVisualizador::PrimeiraPagina))->setToolTip(Q("Primeira folha (Home)"));
  barra->addAction(Q("‹"), this, Guardado(&TFVisualizador::PaginaAnterior))->setToolTip(Q("Folha anterior (PgUp)"));
  folha_ = new QLabel(this);
  folha_->setObjectName(QStringLiteral("RotuloFolha"));
  folha_->setAlignment(Qt::AlignCenter);
  barra->addWidget(folha_);
  barra->addAction(Q("›"), this, Guardado(&TFVisualizador::ProximaPagina))->setToolTip(Q("Próxima folha (PgDn)"));
  barra->addAction(Q("»"), this, Guardado(&TFVisualizador::UltimaPagina))->setToolTip(Q("Última folha (End)"));
  barra->addSeparator();
  barra->addAction(Q("−"), this, Guardado(&TFVisualizador::DiminuirZoom))->setToolTip(Q("Diminuir o zoom (Ctrl+-)"));
  zoomRotulo_ = new QLabel(this);
  zoomRotulo_->setAlignment(Qt::AlignCenter);
  zoomRotulo_->setFixedWidth(zoomRotulo_->fontMetrics().horizontalAdvance(QStringLiteral("400%")) + 12);
  barra->addWidget(zoomRotulo_);
  barra->addAction(Q("+"), this, Guardado(&TFVisualizador::AumentarZoom))->setToolTip(Q("Aumentar o zoom (Ctrl++)"));
  ajustarPagina_ = barra->addAction(Q("Ajustar à página"), this,
                                    plataforma::Protegendo([this] { DefinirModoZoom(TModoZoom::Pagina); }));
  ajustarPagina_->setToolTip(Q("Ajustar à página: a folha inteira na janela (Ctrl+1)"));
  ajustarPagina_->setCheckable(true);
  ajustarLargura_ = barra->addAction(Q("Ajustar à largura"), this,
                                     plataforma::Protegendo([this] { DefinirModoZoom(TModoZoom::Largura); }));
  ajustarLargura_->setToolTip(Q("Ajustar à largura: a folha na largura da janela (Ctrl+0)"));
  ajustarLargura_->setCheckable(true);
  barra->addSeparator();
  busca_ = new QLineEdit(this);
  busca_->setPlaceholderText(Q("Procurar (Ctrl+F)"));
  busca_->setFixedWidth(150);
  barra->addWidget(busca_);
  barra->addAction(Q("Procurar (F3)"), this, plataforma::Protegendo([this] { ProcurarProxima(); }))
      ->setToolTip(Q("Procurar o próximo (Ctrl+F, F3)"));
  barra->addSeparator();
  barra->addAction(Q("Imprimir"), this, Guardado(&TFVisualizador::Imprimir))->setToolTip(Q("Imprimir (Ctrl+P)"));
  barra->addAction(Q("Salvar PDF"), this, Guardado(&TFVisualizador::SalvarPdf))->setToolTip(Q("Salvar PDF (Ctrl+S)"));
  barra->addSeparator();
  barra->addAction(Q("Fechar (Esc)"), this, &QWidget::close);

  qApp->installEventFilter(this);
  setFocusPolicy(Qt::StrongFocus);
  // The page, not the search box, has the focus at the start: Esc there closes the viewer.
  rolagem_->setFocus();
  if (QScreen* tela = QGuiApplication::primaryScreen()) {
    QRect livre = tela->availableGeometry();
    resize(livre.width() * 9 / 10, livre.height() * 9 / 10);
  }
  CentrarNaTela(this);
  Atualizar();
}

TFVisualizador::~TFVisualizador() { qApp->removeEventFilter(this); }

bool TFVisualizador::Abrir(const QString& caminho) {
  try {
    DefinirDocumento(LerDocumento(caminho), caminho);
    erro_.clear();
    return true;
  } catch (const std::exception& e) {
    erro_ = ParaQString(e.what());
    DefinirDocumento(TDocumento{}, QString());
    return false;
  }
}

void TFVisualizador::DefinirDocumento(const TDocumento& doc, const QString& caminho) {
  doc_ = doc;
  caminho_ = caminho;
  pagina_ = 0;
  achado_.reset();
  paginaWidget_->Destaque.reset();
  setWindowTitle(caminho.isEmpty() ? Q("Visualizador de relatório")
                                   : Q("%1 - Visualizador de relatório").arg(QFileInfo(caminho).fileName()));
  // One width for every sheet of this document, so that paging never moves the toolbar.
  folha_->setFixedWidth(folha_->fontMetrics().horizontalAdvance(visualizador::TextoFolhaMaisLongo(doc_)) + 16);
  AjustarTamanhoPagina();
  Atualizar();
}

QString TFVisualizador::TextoFolha() const { return visualizador::TextoFolha(doc_, pagina_); }

void TFVisualizador::IrParaPagina(int pagina) {
  if (doc_.Paginas.empty()) return;
  pagina = std::clamp(pagina, 0, NumeroPaginas() - 1);
  if (pagina != pagina_) {
    pagina_ = pagina;
    if (!achado_ || achado_->Pagina != pagina_) paginaWidget_->Destaque.reset();
    rolagem_->verticalScrollBar()->setValue(0);
  }
  Atualizar();
}

void TFVisualizador::DefinirZoom(double zoom) {
  modo_ = TModoZoom::Livre;
  zoom_ = std::clamp(zoom, kZooms[0], kZooms[std::size(kZooms) - 1]);
  AjustarTamanhoPagina();
  Atualizar();
}

void TFVisualizador::DefinirModoZoom(TModoZoom modo) {
  if (modo == TModoZoom::Livre) return DefinirZoom(zoom_);
  modo_ = modo;
  rolagem_->verticalScrollBar()->setValue(0);
  AjustarTamanhoPagina();
  Atualizar();
}

void TFVisualizador::SairDaBusca() {
  busca_->clear();
  textoAchado_.clear();
  achado_.reset();
  paginaWidget_->Destaque.reset();
  if (auto* barra = findChild<QStatusBar*>()) barra->clearMessage();  // none made just for this
  rolagem_->setFocus();
  paginaWidget_->update();
}

void TFVisualizador::AumentarZoom() {
  for (double z : kZooms)
    if (z > zoom_ + 1e-9) return DefinirZoom(z);
}

void TFVisualizador::DiminuirZoom() {
  for (auto it = std::rbegin(kZooms); it != std::rend(kZooms); ++it)
    if (*it < zoom_ - 1e-9) return DefinirZoom(*it);
}

bool TFVisualizador::Procurar(const QString& texto) {
  if (texto != textoAchado_) achado_.reset();
  textoAchado_ = texto;
  // Search from the page on screen when the last hit is elsewhere (the user paged away).
  std::optional<TPosicaoBusca> depois = achado_;
  if (!depois || depois->Pagina != pagina_)
    depois = pagina_ > 0 ? std::optional(TPosicaoBusca{pagina_, 0, -1}) : std::nullopt;
  auto r = visualizador::Procurar(doc_, texto, depois);
  if (!r) {
    statusBar()->showMessage(Q("Texto não encontrado: \"%1\"").arg(texto), 5000);
    return false;
  }
  achado_ = r;
  paginaWidget_->Destaque = TDestaque{r->Linha, r->Coluna, static_cast<int>(texto.size())};
  statusBar()->clearMessage();
  IrParaPagina(r->Pagina);
  // Bring the hit's line into view.
  QFontMetricsF m(FonteRegistro(), paginaWidget_);
  int y = kMargemTela + static_cast<int>(r->Linha * m.lineSpacing() * paginaWidget_->Escala);
  rolagem_->ensureVisible(0, y, 0, rolagem_->viewport()->height() / 3);
  paginaWidget_->update();
  return true;
}

bool TFVisualizador::ProcurarProxima() {
  if (busca_->text().isEmpty()) {
    busca_->setFocus();
    return false;
  }
  return Procurar(busca_->text());
}

bool TFVisualizador::SalvarPdfEm(const QString& caminho) {
  QString erro;
  if (paginas::GravarPdf(doc_, caminho, QStringLiteral("visualizador"), &erro)) {
    statusBar()->showMessage(Q("PDF salvo em %1").arg(caminho), 5000);
    return true;
  }
  erro_ = erro;
  return false;
}

void TFVisualizador::SalvarPdf() {
  if (doc_.Paginas.empty()) return;
  QString inicial = caminho_.isEmpty()
                        ? Q("relatorio.pdf")
                        : QFileInfo(caminho_).absolutePath() + "/" + QFileInfo(caminho_).completeBaseName() + ".pdf";
  QString destino = QFileDialog::getSaveFileName(this, Q("Salvar PDF"), inicial, Q("Documento PDF (*.pdf)"));
  if (destino.isEmpty()) return;
  if (!destino.endsWith(".pdf", Qt::CaseInsensitive)) destino += ".pdf";
  if (!SalvarPdfEm(destino)) Avisar(erro_);
}

void TFVisualizador::Imprimir() {
  if (doc_.Paginas.empty()) return;
  QPrinter impressora(QPrinter::HighResolution);
  impressora.setPageOrientation(QPageLayout::Landscape);
  impressora.setFullPage(false);
  impressora.setDocName(QFileInfo(caminho_).fileName());
  QPrintDialog dialogo(&impressora, this);
  dialogo.setMinMax(1, NumeroPaginas());
  dialogo.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
  if (dialogo.exec() != QDialog::Accepted) return;
  int de = 0, ate = NumeroPaginas() - 1;
  if (impressora.printRange() == QPrinter::PageRange) {
    de = impressora.fromPage() - 1;
    ate = impressora.toPage() - 1;
  } else if (impressora.printRange() == QPrinter::CurrentPage) {
    de = ate = pagina_;
  }
  if (!RenderizarDocumento(impressora, doc_, de, ate)) Avisar(Q("Não foi possível imprimir na impressora escolhida."));
}

double TFVisualizador::LarguraTextoNaTela() const { return paginaWidget_->LarguraTexto(); }
double TFVisualizador::LarguraDisponivelNaTela() const {
  return rolagem_->viewport()->width() * zoom_ - 2 * kMargemTela;
}
double TFVisualizador::AlturaTextoNaTela() const { return paginaWidget_->AlturaTexto(); }
double TFVisualizador::AlturaVisivelNaTela() const { return rolagem_->viewport()->height(); }

void TFVisualizador::Avisar(const QString& texto) { QMessageBox::warning(this, Q("Visualizador de relatório"), texto); }

void TFVisualizador::AjustarTamanhoPagina() {
  const QSize vista = rolagem_->viewport()->size();
  paginaWidget_->Ajustar(modo_, zoom_, vista.width(), vista.height());
  // The fitting modes report the factor they came to, from which Ctrl++ and Ctrl+- step on.
  if (modo_ != TModoZoom::Livre) zoom_ = paginaWidget_->Escala / paginaWidget_->EscalaDaLargura(vista.width());
}

void TFVisualizador::Atualizar() {
  folha_->setText(TextoFolha());
  zoomRotulo_->setText(Q("%1%").arg(std::lround(zoom_ * 100)));
  ajustarPagina_->setChecked(modo_ == TModoZoom::Pagina);
  ajustarLargura_->setChecked(modo_ == TModoZoom::Largura);
  paginaWidget_->update();
}

void TFVisualizador::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  AjustarTamanhoPagina();
}

bool TFVisualizador::eventFilter(QObject* objeto, QEvent* evento) {
  if (objeto == rolagem_->viewport() && evento->type() == QEvent::Resize) {
    AjustarTamanhoPagina();
    return false;
  }
  if (evento->type() == QEvent::KeyPress) {
    auto* w = qobject_cast<QWidget*>(objeto);
    if (w && w->window() == this) {
      bool tratada = false;
      plataforma::Protegido([&] { tratada = TratarTecla(objeto, static_cast<QKeyEvent*>(evento)); });
      return tratada;
    }
  }
  return QMainWindow::eventFilter(objeto, evento);
}

bool TFVisualizador::TratarTecla(QObject* alvo, QKeyEvent* tecla) {
  const auto mods = tecla->modifiers() & ~Qt::KeypadModifier;
  const bool ctrl = mods == Qt::ControlModifier;
  const bool semMods = mods == Qt::NoModifier;
  const bool naBusca = alvo == busca_ || busca_->hasFocus();
  switch (tecla->key()) {
    case Qt::Key_Escape:
      // Esc leaves the search box first; from anywhere else it closes the viewer.
      if (semMods && naBusca) {
        SairDaBusca();
        return true;
      }
      if (semMods) {
        close();
        return true;
      }
      break;
    case Qt::Key_PageDown:
      if (semMods) {
        ProximaPagina();
        return true;
      }
      break;
    case Qt::Key_PageUp:
      if (semMods) {
        PaginaAnterior();
        return true;
      }
      break;
    case Qt::Key_Home:
      // In the search box Home and End move the cursor.
      if (ctrl || (semMods && !naBusca)) {
        PrimeiraPagina();
        return true;
      }
      break;
    case Qt::Key_End:
      if (ctrl || (semMods && !naBusca)) {
        UltimaPagina();
        return true;
      }
      break;
    case Qt::Key_F3:
      if (semMods) {
        ProcurarProxima();
        return true;
      }
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (naBusca) {
        ProcurarProxima();
        return true;
      }
      break;
    case Qt::Key_F:
      if (ctrl) {
        busca_->setFocus();
        busca_->selectAll();
        return true;
      }
      break;
    case Qt::Key_P:
      if (ctrl) {
        Imprimir();
        return true;
      }
      break;
    case Qt::Key_S:
      if (ctrl) {
        SalvarPdf();
        return true;
      }
      break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      if (ctrl || (mods == (Qt::ControlModifier | Qt::ShiftModifier))) {
        AumentarZoom();
        return true;
      }
      break;
    case Qt::Key_Minus:
      if (ctrl) {
        DiminuirZoom();
        return true;
      }
      break;
    case Qt::Key_0:
      if (ctrl) {
        DefinirModoZoom(TModoZoom::Largura);
        return true;
      }
      break;
    case Qt::Key_1:
      if (ctrl) {
        DefinirModoZoom(TModoZoom::Pagina);
        return true;
      }
      break;
    default: break;
  }
  return false;
}

}  // namespace visualizador
