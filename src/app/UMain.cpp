#include "app/UMain.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <exception>
#include <iterator>
#include <utility>

#include "app/GeracaoP7.h"
#include "app/UtilsApp.h"
#include "common/UConstantesKotHelper.h"
#include "filter/UFiltroGrupEsp.h"
#include "platform/Mensagens.h"
#include "platform/Shell.h"
#include "platform/TextoQt.h"
#include "settings/UDatabase.h"

std::shared_ptr<IDatabase> DatabaseSession;

IDatabase& Sessao() {
  if (!DatabaseSession) throw dbclient::EErroBanco(dbclient::MensagemSemConexao());
  return *DatabaseSession;
}

// The resources live in a static library: nothing would pull them in otherwise.
static void IniciarRecursos() { Q_INIT_RESOURCE(recursos); }

namespace {

constexpr int64_t kArtigoAjuda = 18568207;

// A check box whose caption wraps inside its width; text() keeps the caption as given.
class TCheckQuebrada : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter p(this);
    QStyleOptionButton opcao;
    initStyleOption(&opcao);
    const QString texto = opcao.text;
    opcao.text.clear();
    p.drawControl(QStyle::CE_CheckBox, opcao);
    const QRect indicador = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opcao, this);
    QRect area = rect();
    area.setLeft(indicador.right() + 5);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, texto);
  }
};

}  // namespace

bool TCampoData::TextoAceito() const {
  const QString t = text();
  bool temDigito = false;
  for (QChar c : t)
    if (c.isDigit()) temDigito = true;
  return !temDigito || QDate::fromString(t, displayFormat()).isValid();
}

bool TCampoData::ConfirmarTexto() {
  if (TextoAceito()) return true;
  if (avisando_) return false;
  avisando_ = true;
  const std::string exemplo = std::string("dd") + plataforma::FormatSettings().DateSeparator + "mm" +
                              plataforma::FormatSettings().DateSeparator + "aaaa";
  plataforma::MostrarErroPadrao(W("Data inválida: \"") + DeQString(text()) + W("\". Informe dia, mês e ano (") +
                                exemplo + ")");
  avisando_ = false;
  // The text and the cursor stay as they were, so the user mends the date where they stopped:
  // moving the cursor or selecting a part would make the spin box complete the text into some date.
  if (!hasFocus()) setFocus(Qt::OtherFocusReason);
  return false;
}

bool TCampoData::focusNextPrevChild(bool proximo) {
  // Tab does not leave a text that is not a date: the field keeps it, so the user can mend it.
  if (!ConfirmarTexto()) return true;
  return QWidget::focusNextPrevChild(proximo);
}

void TCampoData::focusOutEvent(QFocusEvent* evento) {
  const Qt::FocusReason motivo = evento->reason();
  if (!TextoAceito() && (motivo == Qt::ActiveWindowFocusReason || motivo == Qt::PopupFocusReason)) {
    // A box or the calendar taking the focus, or another application, is no leaving: the spin box
    // would complete the text into some date on its way out, so the text stays as typed.
    QWidget::focusOutEvent(evento);
    return;
  }
  // A click elsewhere: the user is told; the spin box then puts its last valid date back, so the
  // field shows the date that would be used.
  if (motivo != Qt::ActiveWindowFocusReason && motivo != Qt::PopupFocusReason) ConfirmarTexto();
  QDateEdit::focusOutEvent(evento);
}

void TImagemClicavel::mouseReleaseEvent(QMouseEvent* evento) {
  QLabel::mouseReleaseEvent(evento);
  if (evento->button() == Qt::LeftButton && rect().contains(evento->position().toPoint())) emit clicked();
}

namespace {

// A control of the window: created in its parent with its name and place.
template <class T, class... A>
T* Controle(QWidget* pai, const char* nome, const QRect& lugar, A&&... argumentos) {
  auto* c = new T(std::forward<A>(argumentos)..., pai);
  c->setObjectName(nome);
  c->setGeometry(lugar);
  return c;
}

}  // namespace

TFMain::TFMain()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  IniciarRecursos();
  setObjectName("FMain");
  setWindowTitle(Q("Inventário modelo P7"));
  setFont(FonteArial(11));
  setFixedSize(337, 243);

  CriarLinhaDaData();
  CriarGrupos();
  BtnGerar = Controle<QPushButton>(this, "BtnGerar", {128, 211, 97, 25}, Q("Gerar (F3)"));
  BtnCancelar = Controle<QPushButton>(this, "BtnCancelar", {232, 211, 97, 25}, Q("Fechar (Esc)"));

  // Tab order: the date, the filter box, the two buttons, the options box, the price box.
  QWidget* ordem[] = {DataInventario,
                      Button1,
                      BtnGerar,
                      BtnCancelar,
                      CheckConsiderarArredondamento,
                      CheckConsiderarProdutoApagado,
                      CheckConsiderarProdutosCadastradosAntesDataInventario,
                      RadioCustoMedio,
                      RadioPrecoCompra};
  for (size_t i = 1; i < std::size(ordem); ++i) setTabOrder(ordem[i - 1], ordem[i]);

  // Each runs its work in the one guard: an error shows the standard error box and the window
  // goes on; nothing unwinds through Qt's event delivery.
  using plataforma::Protegendo;
  connect(Button1, &QPushButton::clicked, this, Protegendo([this] { Button1Click(); }));
  connect(BtnGerar, &QPushButton::clicked, this, Protegendo([this] { BtnGerarClick(); }));
  connect(BtnCancelar, &QPushButton::clicked, this, Protegendo([this] { BtnCancelarClick(); }));
  connect(imgAjudaDralShare, &TImagemClicavel::clicked, this, Protegendo([this] { imgAjudaDralShareClick(); }));

  Terminar = [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); };

  CentrarNaTela(this);

  // The window sees every key before its controls.
  qApp->installEventFilter(this);
}

void TFMain::CriarLinhaDaData() {
  lbldataestoque = new QLabel(Q("Data da posição de estoque:"), this);
  lbldataestoque->setObjectName("lbldataestoque");
  lbldataestoque->move(8, 12);
  lbldataestoque->adjustSize();

  DataInventario = Controle<TCampoData>(this, "DataInventario", {152, 8, 105, 22}, QDate::currentDate());
  DataInventario->setCalendarPopup(true);
  const QString sep = ParaQString(std::string(1, plataforma::FormatSettings().DateSeparator));
  DataInventario->setDisplayFormat("dd'" + sep + "'MM'" + sep + "'yyyy");
  DataInventario->calendarWidget()->setWindowTitle(Q("Selecione uma data"));

  imgAjudaDralShare = Controle<TImagemClicavel>(this, "imgAjudaDralShare", {315, 2, 21, 17});
  imgAjudaDralShare->setPixmap(QPixmap(":/ajuda.png"));
  imgAjudaDralShare->setAlignment(Qt::AlignCenter);
  imgAjudaDralShare->setCursor(Qt::PointingHandCursor);
  imgAjudaDralShare->setToolTip(Q("Clique aqui para acessar o artigo do Dral Share referente ao Inventário Modelo P7"));
}

void TFMain::CriarGrupos() {
  GroupBox2 = Controle<TGrupoP7>(this, "GroupBox2", {8, 40, 129, 57}, Q("Tipo de Preço"));
  RadioCustoMedio = Controle<QRadioButton>(GroupBox2, "RadioCustoMedio", {8, 16, 113, 17}, Q("Custo Médio"));
  RadioCustoMedio->setChecked(true);
  RadioPrecoCompra = Controle<QRadioButton>(GroupBox2, "RadioPrecoCompra", {8, 34, 113, 17}, Q("Preço de Compra"));

  grbFiltro = Controle<TGrupoP7>(this, "grbFiltro", {144, 40, 185, 57}, Q("Filtros"));
  Button1 = Controle<QPushButton>(grbFiltro, "Button1", {8, 20, 169, 25}, Q("Filtro Grupos / Especificação"));

  GroupBox1 = Controle<TGrupoP7>(this, "GroupBox1", {8, 100, 321, 103}, Q("Opções"));
  CheckConsiderarArredondamento =
      Controle<QCheckBox>(GroupBox1, "CheckConsiderarArredondamento", {8, 20, 161, 17}, Q("Considerar arredondamento"));
  CheckConsiderarArredondamento->setChecked(true);
  CheckConsiderarProdutoApagado = Controle<QCheckBox>(GroupBox1, "CheckConsiderarProdutoApagado", {8, 45, 201, 17},
                                                      Q("Considerar produtos apagados"));
  CheckConsiderarProdutosCadastradosAntesDataInventario =
      Controle<TCheckQuebrada>(GroupBox1, "CheckConsiderarProdutosCadastradosAntesDataInventario", {8, 68, 304, 24},
                               Q("Considerar apenas produtos cadastrados antes da data do inventário"));
}

TFMain::~TFMain() { qApp->removeEventFilter(this); }

void TFMain::AtualizarLegendaFiltro() {
  QFont f = Button1->font();
  f.setBold(!FiltroGrupos.empty() || !FiltroEspecificacoes.empty());
  Button1->setFont(f);
}

plataforma::TDataHora TFMain::DataEscolhida() const {
  QDate d = QDate::fromString(DataInventario->text(), DataInventario->displayFormat());
  if (!d.isValid()) {
    plataforma::TDataHora hoje = plataforma::Agora();
    return {hoje.Ano, hoje.Mes, hoje.Dia};
  }
  return {d.year(), d.month(), d.day()};
}

void TFMain::showEvent(QShowEvent* evento) {
  QWidget::showEvent(evento);
  if (!mostrada_) {
    mostrada_ = true;
    plataforma::Protegido([this] { FormShow(); });
  }
}

void TFMain::FormShow() {
  setWindowTitle(ParaQString(W("Inventário Modelo P7 - ") + VersaoArquivo("")));
  if (!ConectarBanco()) {
    Terminar();
    return;
  }
  DataInventario->setDate(QDate::currentDate());
}

bool TFMain::ConectarBanco() {
  // A loop rather than a call per retry: the user may answer Yes any number of times.
  for (;;) {
    try {
      DatabaseSession.reset();  // the old connection goes before the new one is made
      DatabaseSession = std::make_shared<TDatabase>();
      return DatabaseSession->IsConnected();
    } catch (const std::exception& e) {
      DatabaseSession.reset();
      const std::string texto = W("Não foi possível estabelecer conexão com o banco de dados.\r\nErro: ") + e.what() +
                                "\r\n" + W("Deseja tentar novamente?");
      if (!Confirmar(texto, true, W("Confirmação..."))) return false;
    }
  }
}

bool TFMain::eventFilter(QObject* objeto, QEvent* evento) {
  if (evento->type() == QEvent::KeyPress && objeto->isWidgetType() && static_cast<QWidget*>(objeto)->window() == this) {
    auto* tecla = static_cast<QKeyEvent*>(evento);
    bool tratada = false;
    plataforma::Protegido([&] {
      if (FormKeyDown(tecla->key())) {
        tratada = true;
        return;
      }
      int caractere = 0;
      if (tecla->key() == Qt::Key_Escape)
        caractere = 27;
      else if (tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter)
        caractere = 13;
      else if (tecla->text().size() == 1)
        caractere = tecla->text()[0].unicode();
      tratada = caractere && FormKeyPress(caractere);
    });
    if (tratada) return true;
  }
  return QWidget::eventFilter(objeto, evento);
}

bool TFMain::FormKeyDown(int tecla) {
  if (tecla != Qt::Key_F3) return false;
  BtnGerar->click();
  return true;
}

bool TFMain::FormKeyPress(int caractere) {
  if (caractere == 27) {
    close();
    return true;
  }
  if (caractere == 13) {
    // Enter leaves the date field only with a date in it, as Tab does.
    if (DataInventario->isAncestorOf(focusWidget()) || focusWidget() == DataInventario)
      if (!DataInventario->ConfirmarTexto()) return true;
    focusNextChild();
    return true;
  }
  return false;
}

void TFMain::HabilitarBotoes(bool habilitar) {
  BtnGerar->setEnabled(habilitar);
  BtnCancelar->setEnabled(habilitar);
  Button1->setEnabled(habilitar);
}

void TFMain::Button1Click() {
  // The dialog starts every opening without a filter; only the lists whose marks changed come back.
  ExecutarFiltroGrupoEspec(this, Sessao(), FiltroGrupos, FiltroEspecificacoes);
  AtualizarLegendaFiltro();
}

void TFMain::BtnGerarClick() { GerarRelatorio(); }

void TFMain::GerarRelatorio() {
  // The run serves events while it works: a second F3 or click queued before the window went off
  // would start a run inside this one, on the same connection and its temporary tables. One run
  // at a time.
  if (gerando_) return;
  gerando_ = true;
  struct TFim {
    bool& g;
    ~TFim() { g = false; }
  } fim{gerando_};
  // Never a register for a date the user did not see.
  if (!DataInventario->ConfirmarTexto()) return;
  TEscolhasGeracao escolhas;
  escolhas.Data = DataEscolhida();
  escolhas.CustoMedio = RadioCustoMedio->isChecked();
  escolhas.ConsiderarArredondamento = CheckConsiderarArredondamento->isChecked();
  escolhas.ConsiderarProdutoApagado = CheckConsiderarProdutoApagado->isChecked();
  escolhas.ConsiderarCadastradosAntesData = CheckConsiderarProdutosCadastradosAntesDataInventario->isChecked();
  escolhas.FiltroGrupos = FiltroGrupos;
  escolhas.FiltroEspecificacoes = FiltroEspecificacoes;
  // The run goes on a thread of its own while this one serves events: nothing of the window may
  // reach the session meanwhile (the filter dialog, a second run), so the whole window is off.
  setEnabled(false);
  struct THabilitar {
    TFMain& j;
    ~THabilitar() { j.setEnabled(true); }
  } habilitar{*this};
  ::GerarRelatorio(Sessao(), escolhas, [this](bool habilitar) { HabilitarBotoes(habilitar); });
}

void TFMain::closeEvent(QCloseEvent* evento) {
  // Closing under a run would free the window and the session the run is using.
  if (gerando_)
    evento->ignore();
  else
    QWidget::closeEvent(evento);
}

void TFMain::BtnCancelarClick() { close(); }

void TFMain::imgAjudaDralShareClick() { plataforma::AbrirEndereco(TConstantesKotClass::LinkArtigo(kArtigoAjuda)); }
