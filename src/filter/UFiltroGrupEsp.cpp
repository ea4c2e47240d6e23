#include "filter/UFiltroGrupEsp.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <cstdio>
#include <stdexcept>

#include "common/Utils.h"
#include "platform/Mensagens.h"
#include "platform/Regional.h"
#include "platform/Entrada.h"
#include "platform/TextoQt.h"
#include "platform/Win1252.h"
#include "settings/UDatabase.h"
#include "widgets/EstiloSuite.h"

using dbclient::TConjuntoLinhas;
using dbclient::TControlesDesabilitados;
using dbclient::TValor;

namespace {

// The suite's titled box, as the main window draws it.
TGrupoP7* CriarCaixa(QWidget* pai, const QString& titulo, const QRect& geometria) {
  auto* caixa = new TGrupoP7(titulo, pai);
  caixa->setGeometry(geometria);
  return caixa;
}

void MostrarErro(const std::exception& e) { plataforma::MostrarErroSemFalhar(e.what()); }

}  // namespace

void TCaixaBusca::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Up) {
    emit MoverAcima();
    e->accept();
    return;
  }
  if (e->key() == Qt::Key_Down) {
    emit MoverAbaixo();
    e->accept();
    return;
  }
  // The search uses the text with this key already applied.
  QLineEdit::keyPressEvent(e);
  emit TeclaDigitada();
}

TFFiltroGrupoEspec::TFFiltroGrupoEspec(IDatabase& banco, QWidget* dono)
    : QDialog(dono, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                        Qt::MSWindowsFixedSizeDialogHint),
      banco_(banco),
      QGrupos_(std::make_unique<TConjuntoLinhas>()),
      QEspec_(std::make_unique<TConjuntoLinhas>()) {
  setWindowTitle(QString::number(CodTela()) + Q(" Filtro Grupos e Especificações"));
  QFont fonte(QStringLiteral("Arial"));
  fonte.setPointSize(8);
  setFont(fonte);
  setFixedSize(457, 487);

  auto* lblFiltros = new QLabel(Q("Filtros"), this);
  lblFiltros->setFont(FonteArial(19, true));
  lblFiltros->setGeometry(8, 10, 110, 26);

  CriarLegenda();

  auto* grbGrupos = CriarCaixa(this, Q("Grupos"), QRect(8, 50, 441, 200));
  EditGrupos = new TCaixaBusca(grbGrupos);
  EditGrupos->setGeometry(8, 18, 425, 21);
  DBGrid1 = new TGradeDados(grbGrupos);
  DBGrid1->setGeometry(8, 42, 425, 150);

  auto* grbEspec = CriarCaixa(this, Q("Especificações"), QRect(8, 254, 441, 194));
  EditEspec = new TCaixaBusca(grbEspec);
  EditEspec->setGeometry(8, 18, 425, 21);
  DBGrid2 = new TGradeDados(grbEspec);
  DBGrid2->setGeometry(8, 42, 425, 144);

  Button1 = new QPushButton(Q("Ok (F3)"), this);
  Button1->setGeometry(264, 455, 89, 25);
  Button2 = new QPushButton(Q("Cancelar (Esc)"), this);
  Button2->setGeometry(360, 455, 89, 25);
  // A dialog makes its buttons auto-default: Enter in a grid would press whichever had the focus
  // last. Enter presses only the button that has the focus (FormKeyDown).
  for (QPushButton* b : {Button1, Button2}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }

  modeloGrupos_ = std::make_unique<TModeloConjuntoLinhas>(
      *QGrupos_, std::vector<TColunaGrade>{{"grupo_id", Q("ID"), 44}, {"desc_arvore", Q("Descrição"), 325}}, "MARCADO");
  modeloEspec_ = std::make_unique<TModeloConjuntoLinhas>(
      *QEspec_, std::vector<TColunaGrade>{{"espec_id", Q("ID"), 57}, {"descricao", Q("Descrição"), 311}}, "MARCADO");
  DBGrid1->DefinirModelo(modeloGrupos_.get());
  DBGrid2->DefinirModelo(modeloEspec_.get());

  QGrupos_->AposGravar = [this](TConjuntoLinhas& linhas) { QGruposAfterPost(linhas); };
  LigarSinais();

  setTabOrder(Button1, Button2);
  setTabOrder(Button2, DBGrid1);
  setTabOrder(DBGrid1, EditGrupos);
  setTabOrder(EditGrupos, EditEspec);
  setTabOrder(EditEspec, DBGrid2);
  Button1->setFocus();

  // The window sees every key before the focused control.
  installEventFilter(this);
  for (auto* w : findChildren<QWidget*>()) w->installEventFilter(this);

  // Centred on the screen, not on the owner.
  CentrarNaTela(this, dono);
}

void TFFiltroGrupoEspec::CriarLegenda() {
  // The keys and the marked colour, in one row.
  auto* grbLegenda = CriarCaixa(this, Q("Legenda"), QRect(124, 4, 325, 42));
  auto* legenda = new QWidget(grbLegenda);
  legenda->setGeometry(4, 17, 317, 20);
  auto* linhaLegenda = new QHBoxLayout(legenda);
  linhaLegenda->setContentsMargins(2, 0, 2, 0);
  linhaLegenda->setSpacing(3);
  auto rotulo = [&](const char* texto, bool negrito) {
    auto* l = new QLabel(Q(texto), legenda);
    QFont f = font();
    f.setBold(negrito);
    l->setFont(f);
    linhaLegenda->addWidget(l);
  };
  rotulo("(F5)", true);
  rotulo("Marcar/desmarcar", false);
  linhaLegenda->addSpacing(4);
  rotulo("(F6)", true);
  rotulo("Todos", false);
  linhaLegenda->addSpacing(4);
  rotulo("(F7)", true);
  rotulo("Nenhum", false);
  linhaLegenda->addSpacing(4);
  auto* amostra = new QFrame(legenda);
  amostra->setFixedSize(12, 12);
  amostra->setStyleSheet(QStringLiteral("background-color: rgb(255,128,128); border: 1px solid rgb(255,85,85);"));
  linhaLegenda->addWidget(amostra);
  rotulo("Marcado", false);
  linhaLegenda->addStretch();
}

// Every control's work runs in the one guard.
void TFFiltroGrupoEspec::LigarSinais() {
  using plataforma::Protegendo;
  connect(Button1, &QPushButton::clicked, this, Protegendo([this] { Button1Click(); }));
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
          Protegendo([this](int c) { TitleClick(DBGrid1, c); }));
  connect(DBGrid2->horizontalHeader(), &QHeaderView::sectionClicked, this,
          Protegendo([this](int c) { TitleClick(DBGrid2, c); }));
  connect(EditGrupos, &TCaixaBusca::MoverAcima, this, Protegendo([this] { MoverGrade(DBGrid1, true); }));
  connect(EditGrupos, &TCaixaBusca::MoverAbaixo, this, Protegendo([this] { MoverGrade(DBGrid1, false); }));
  connect(EditGrupos, &TCaixaBusca::TeclaDigitada, this, Protegendo([this] { Buscar(DBGrid1, EditGrupos); }));
  connect(EditEspec, &TCaixaBusca::MoverAcima, this, Protegendo([this] { MoverGrade(DBGrid2, true); }));
  connect(EditEspec, &TCaixaBusca::MoverAbaixo, this, Protegendo([this] { MoverGrade(DBGrid2, false); }));
  connect(EditEspec, &TCaixaBusca::TeclaDigitada, this, Protegendo([this] { Buscar(DBGrid2, EditEspec); }));
}

TFFiltroGrupoEspec::~TFFiltroGrupoEspec() {
  if (!Exibido_) return;
  for (TConjuntoLinhas* q : {ConsultaValida(QGrupos_.get()), ConsultaValida(QEspec_.get())}) {
    try {
      if (q && q->Aberta()) q->Fechar();
    } catch (...) {
      // A destructor has nobody to tell.
    }
  }
}

std::string TFFiltroGrupoEspec::SqlGrupos() {
  return "Select grupo_id, desc_arvore, descricao, \"S\" as MARCADO, codigo from grupo where apagado = \"N\" "
         "order by desc_arvore";
}

std::string TFFiltroGrupoEspec::SqlEspec(const std::string& hoje) {
  return "Select espec_id, descricao, \"S\" as MARCADO from espec where ((validade >= \"" + hoje +
         " 00:00:00\") or (validade is null)) and apagado = \"N\" order by descricao";
}

std::string TFFiltroGrupoEspec::SqlGruposFilhos(int64_t grupoId) {
  char id[32];
  std::snprintf(id, sizeof id, "%07lld", static_cast<long long>(grupoId));
  return "Select\r\n"
         " grupo_id\r\n"
         "from\r\n"
         " grupo\r\n"
         "where\r\n"
         " codigo like \"%" +
         std::string(id) +
         "%\" and\r\n"
         " apagado = \"N\"\r\n";
}

std::string TFFiltroGrupoEspec::MontarListaIds(TConjuntoLinhas& linhas, const std::string& campoId) {
  std::string lista;
  if (!linhas.Aberta()) return lista;
  TControlesDesabilitados desabilitados(linhas);
  size_t id = linhas.IndiceCampo(campoId), marca = linhas.IndiceCampo("MARCADO");
  for (size_t p = 0; p < linhas.NumeroRegistros(); ++p)
    if (TConjuntoLinhas::ParaTexto(linhas.ValorNa(p, marca)) == "S")
      lista += std::to_string(TConjuntoLinhas::ParaInteiro(linhas.ValorNa(p, id), campoId)) + ",";
  if (!lista.empty()) lista.back() = ' ';
  return lista;
}

void TFFiltroGrupoEspec::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!Exibido_) FormShow();
}

void TFFiltroGrupoEspec::FormShow() {
  Exibido_ = true;
  GruposAlterados_ = false;
  EspecAlteradas_ = false;
  // A list that fails is left out, and so is every list after it. The lists come through the
  // session, as every other query of the program does.
  try {
    QGrupos_->DefinirSql(SqlGrupos());
    QGrupos_->Carregar(*banco_.OpenQuery(QGrupos_->Sql()));
    // Today as yyyy-mm-dd: MariaDB cannot read "yyyymmdd hh:mm:ss" as a date-time and would then
    // let expired specifications through.
    QEspec_->DefinirSql(SqlEspec(plataforma::DataSql(plataforma::Agora())));
    QEspec_->Carregar(*banco_.OpenQuery(QEspec_->Sql()));
  } catch (const std::exception& e) {
    MostrarErro(e);
  }
  Button1->setFocus();
}

bool TFFiltroGrupoEspec::eventFilter(QObject* alvo, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    bool tratada = false;
    plataforma::Protegido([&] { tratada = FormKeyDown(static_cast<QKeyEvent*>(e)->key()); });
    if (tratada) return true;
  }
  return QDialog::eventFilter(alvo, e);
}

bool TFFiltroGrupoEspec::FormKeyDown(int tecla) {
  switch (tecla) {
    case Qt::Key_F3: Button1->click(); return true;
    case Qt::Key_Escape: Button2Click(); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // Only a focused button takes Enter; in a grid or a search box it means nothing.
      if (auto* botao = qobject_cast<QPushButton*>(focusWidget())) botao->click();
      return true;
    case Qt::Key_F5:
    case Qt::Key_F6:
    case Qt::Key_F7: {
      QWidget* foco = focusWidget();
      TGradeDados* grade = foco == DBGrid1 ? DBGrid1 : foco == DBGrid2 ? DBGrid2 : nullptr;
      if (!grade) return false;
      if (tecla == Qt::Key_F5)
        AlternarMarca(grade);
      else
        MarcarTodos(grade, tecla == Qt::Key_F6);
      return true;
    }
    default: return false;
  }
}

void TFFiltroGrupoEspec::AlternarMarca(TGradeDados* grade) {
  bool grupos = grade == DBGrid1;
  TConjuntoLinhas& linhas = grupos ? *QGrupos_ : *QEspec_;
  if (grupos) MarcacaoEmMassa_ = false;
  if (!linhas.Aberta() || linhas.Vazia()) return;
  linhas.Editar();
  linhas.DefinirValor("MARCADO", std::string(linhas.Texto("MARCADO") == "S" ? "N" : "S"));
  linhas.Gravar();  // for groups, the child-group rule runs here
  (grupos ? GruposAlterados_ : EspecAlteradas_) = true;
}

void TFFiltroGrupoEspec::MarcarTodos(TGradeDados* grade, bool marcar) {
  bool grupos = grade == DBGrid1;
  TConjuntoLinhas& linhas = grupos ? *QGrupos_ : *QEspec_;
  if (grupos) MarcacaoEmMassa_ = true;
  // All marked or none: either way the list yields no filter.
  (grupos ? GruposAlterados_ : EspecAlteradas_) = false;
  if (!linhas.Aberta() || linhas.Vazia()) return;
  auto marcador = linhas.Marcador();
  TControlesDesabilitados desabilitados(linhas);
  for (linhas.Primeiro(); !linhas.Eof(); linhas.Proximo()) {
    linhas.Editar();
    linhas.DefinirValor("MARCADO", std::string(marcar ? "S" : "N"));
    linhas.Gravar();
  }
  linhas.IrParaMarcador(marcador);
}

void TFFiltroGrupoEspec::QGruposAfterPost(TConjuntoLinhas& linhas) {
  if (MarcacaoEmMassa_) return;
  // An error here leaves the toggled row with its new mark.
  try {
    auto filhos = banco_.OpenQuery(SqlGruposFilhos(linhas.Inteiro("grupo_id")));
    if (!filhos->Aberta() || filhos->NumeroRegistros() < 2) return;  // no descendants
    plataforma::BloquearEntrada(false);
    if (!plataforma::CaixasMensagem().Perguntar(W("Deseja alterar também os grupos filhos?"), W("Atenção"), true))
      return;
    const std::string novaMarca = linhas.Texto("MARCADO");
    // Detached while the descendants are saved, so that their saves do not ask again.
    struct TReanexar {
      TConjuntoLinhas& l;
      TConjuntoLinhas::TAposGravar gancho;
      ~TReanexar() {  // also when a step fails
        if (!l.AposGravar) l.AposGravar = std::move(gancho);
      }
    } reanexar{linhas, std::move(linhas.AposGravar)};
    linhas.AposGravar = nullptr;
    const size_t posicao = linhas.Posicao();
    TControlesDesabilitados desabilitados(linhas);
    for (filhos->Primeiro(); !filhos->Eof(); filhos->Proximo()) {
      if (linhas.Localizar("grupo_id", TValor(filhos->CampoPorNome("grupo_id").AsInteger()))) {
        linhas.Editar();
        linhas.DefinirValor("MARCADO", novaMarca);
        linhas.Gravar();
      }
    }
    linhas.AposGravar = std::move(reanexar.gancho);
    linhas.IrPara(posicao);
  } catch (const std::exception& e) {
    MostrarErro(e);
  }
}

void TFFiltroGrupoEspec::TitleClick(TGradeDados* grade, int coluna) {
  TModeloConjuntoLinhas* modelo = grade->Modelo();
  for (int c = 0; c < modelo->columnCount(); ++c) modelo->DefinirCorTitulo(c, QColor(Qt::white));
  modelo->DefinirCorTitulo(coluna, QColor(255, 255, 0));
  const std::string& campo = modelo->Coluna(coluna).Campo;
  std::string& ordem = grade == DBGrid1 ? CampoOrdemGrupos_ : CampoOrdemEspec_;
  TConjuntoLinhas& linhas = modelo->Linhas();
  if (campo != ordem) {
    ordem = campo;
    if (linhas.Aberta()) linhas.Ordenar(campo);
  }
  linhas.Primeiro();
}

void TFFiltroGrupoEspec::MoverGrade(TGradeDados* grade, bool acima) {
  TConjuntoLinhas& linhas = grade->Modelo()->Linhas();
  if (acima)
    linhas.Anterior();
  else
    linhas.Proximo();
}

void TFFiltroGrupoEspec::Buscar(TGradeDados* grade, TCaixaBusca* caixa) {
  TConjuntoLinhas& linhas = grade->Modelo()->Linhas();
  if (!linhas.Aberta() || linhas.Vazia()) return;
  linhas.LocalizarInicio("descricao", DeQString(caixa->text()));
}

void TFFiltroGrupoEspec::Button1Click() {
  if (GruposAlterados_) {
    GruposMarcados_.clear();
    GruposMarcados_ = MontarListaIds(*QGrupos_, "grupo_id");
  }
  if (EspecAlteradas_) {
    EspecMarcadas_.clear();
    EspecMarcadas_ = MontarListaIds(*QEspec_, "espec_id");
  }
  accept();
}

void TFFiltroGrupoEspec::Button2Click() { reject(); }

bool ExecutarFiltroGrupoEspec(QWidget* dono, IDatabase& banco, std::string& FiltroGrupos,
                              std::string& FiltroEspecificacoes) {
  auto dialogo = std::make_unique<TFFiltroGrupoEspec>(banco, dono);  // freed also when a step fails
  FiltroGrupos.clear();
  FiltroEspecificacoes.clear();
  dialogo->exec();
  if (dialogo->GruposAlterados()) FiltroGrupos = dialogo->GruposMarcados();
  if (dialogo->EspecAlteradas()) FiltroEspecificacoes = dialogo->EspecMarcadas();
  return !FiltroGrupos.empty() || !FiltroEspecificacoes.empty();
}
