#include "filter/GradeDados.h"

#include <QHeaderView>
#include <QPainter>

#include "platform/TextoQt.h"

using dbclient::TAvisoConjunto;
using dbclient::TConjuntoLinhas;

TModeloConjuntoLinhas::TModeloConjuntoLinhas(TConjuntoLinhas& linhas, std::vector<TColunaGrade> colunas,
                                             std::string campoMarca, QObject* pai)
    : QAbstractTableModel(pai),
      linhas_(linhas),
      colunas_(std::move(colunas)),
      campoMarca_(std::move(campoMarca)),
      coresTitulo_(colunas_.size(), QColor(Qt::white)) {
  observador_ = linhas_.Observar([this](TAvisoConjunto a, size_t p) { AoAvisar(a, p); });
}

TModeloConjuntoLinhas::~TModeloConjuntoLinhas() { linhas_.DeixarDeObservar(observador_); }

int TModeloConjuntoLinhas::rowCount(const QModelIndex& pai) const {
  if (pai.isValid() || !linhas_.Aberta()) return 0;
  return static_cast<int>(linhas_.NumeroRegistros());
}

int TModeloConjuntoLinhas::columnCount(const QModelIndex& pai) const {
  return pai.isValid() ? 0 : static_cast<int>(colunas_.size());
}

int TModeloConjuntoLinhas::IndiceCampo(int coluna) const {
  const auto& campo = colunas_.at(static_cast<size_t>(coluna)).Campo;
  return linhas_.TemCampo(campo) ? static_cast<int>(linhas_.IndiceCampo(campo)) : -1;
}

QVariant TModeloConjuntoLinhas::data(const QModelIndex& indice, int papel) const {
  if (!indice.isValid() || indice.row() >= rowCount()) return {};
  size_t linha = static_cast<size_t>(indice.row());
  if (papel == Qt::DisplayRole) {
    int campo = IndiceCampo(indice.column());
    if (campo < 0) return {};
    return ParaQString(TConjuntoLinhas::ParaTexto(linhas_.ValorNa(linha, static_cast<size_t>(campo))));
  }
  if (papel == Qt::TextAlignmentRole) {
    int campo = IndiceCampo(indice.column());
    if (campo >= 0 && std::holds_alternative<int64_t>(linhas_.ValorNa(linha, static_cast<size_t>(campo))))
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  }
  if (papel == PapelMarcado) {
    if (campoMarca_.empty() || !linhas_.TemCampo(campoMarca_)) return false;
    return TConjuntoLinhas::ParaTexto(linhas_.ValorNa(linha, linhas_.IndiceCampo(campoMarca_))) == "S";
  }
  return {};
}

QVariant TModeloConjuntoLinhas::headerData(int secao, Qt::Orientation orientacao, int papel) const {
  if (orientacao == Qt::Horizontal) {
    if (secao < 0 || secao >= columnCount()) return {};
    if (papel == Qt::DisplayRole) return colunas_[static_cast<size_t>(secao)].Titulo;
    if (papel == Qt::ForegroundRole) return coresTitulo_[static_cast<size_t>(secao)];
    return {};
  }
  // The row indicator column: an arrow on the current row.
  if (papel == Qt::DisplayRole) return secao == linhaIndicador_ ? QStringLiteral("\u25B8") : QString();
  if (papel == Qt::ForegroundRole) return QColor(Qt::white);
  return {};
}

Qt::ItemFlags TModeloConjuntoLinhas::flags(const QModelIndex& indice) const {
  if (!indice.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TModeloConjuntoLinhas::DefinirCorTitulo(int coluna, const QColor& cor) {
  coresTitulo_.at(static_cast<size_t>(coluna)) = cor;
  emit headerDataChanged(Qt::Horizontal, coluna, coluna);
}

void TModeloConjuntoLinhas::AoAvisar(TAvisoConjunto aviso, size_t posicao) {
  int n = rowCount();
  switch (aviso) {
    case TAvisoConjunto::Estrutura:
      beginResetModel();
      linhaIndicador_ = -1;
      endResetModel();
      break;
    case TAvisoConjunto::Dados:
      if (n > 0) {
        emit dataChanged(index(0, 0), index(n - 1, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, 0, n - 1);
      }
      break;
    case TAvisoConjunto::Linha:
      if (static_cast<int>(posicao) < n)
        emit dataChanged(index(static_cast<int>(posicao), 0), index(static_cast<int>(posicao), columnCount() - 1));
      break;
    case TAvisoConjunto::Cursor: {
      int anterior = linhaIndicador_;
      linhaIndicador_ = n > 0 ? static_cast<int>(posicao) : -1;
      if (anterior >= 0 && anterior < n) emit headerDataChanged(Qt::Vertical, anterior, anterior);
      if (linhaIndicador_ >= 0) {
        emit headerDataChanged(Qt::Vertical, linhaIndicador_, linhaIndicador_);
        emit CursorMovido(linhaIndicador_);
      }
      break;
    }
  }
}

const QColor TDelegadoMarcado::CorMarcado(255, 128, 128);

void TDelegadoMarcado::paint(QPainter* pintor, const QStyleOptionViewItem& opcao, const QModelIndex& indice) const {
  QStyledItemDelegate::paint(pintor, opcao, indice);
  if (!indice.data(TModeloConjuntoLinhas::PapelMarcado).toBool()) return;
  pintor->save();
  pintor->fillRect(opcao.rect, CorMarcado);
  pintor->setPen(Qt::black);
  pintor->setFont(opcao.font);
  QRect texto = opcao.rect.adjusted(2, 0, -2, 0);
  auto alinhamento = Qt::Alignment(indice.data(Qt::TextAlignmentRole).toInt());
  pintor->drawText(texto, static_cast<int>(alinhamento),
                   opcao.fontMetrics.elidedText(indice.data().toString(), Qt::ElideRight, texto.width()));
  pintor->restore();
}

TGradeDados::TGradeDados(QWidget* pai) : QTableView(pai) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  setWordWrap(false);
  setItemDelegate(new TDelegadoMarcado(this));
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(17);
  verticalHeader()->setFixedWidth(12);
  verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
  // Title row and row indicator in dark blue; the title colours come from the model.
  setStyleSheet(
      QStringLiteral("QHeaderView::section { background-color: rgb(0,64,128); border: 1px solid rgb(0,40,90); }"
                     "QTableCornerButton::section { background-color: rgb(0,64,128); }"));
}

void TGradeDados::DefinirModelo(TModeloConjuntoLinhas* modelo) {
  modelo_ = modelo;
  setModel(modelo);
  connect(modelo, &TModeloConjuntoLinhas::CursorMovido, this, &TGradeDados::IrParaLinha);
  connect(modelo, &QAbstractItemModel::modelReset, this, [this] {
    AplicarLarguras();
    if (modelo_->rowCount() > 0) IrParaLinha(static_cast<int>(modelo_->Linhas().Posicao()));
  });
  AplicarLarguras();
}

void TGradeDados::AplicarLarguras() {
  if (!modelo_) return;
  for (int c = 0; c < modelo_->columnCount(); ++c) setColumnWidth(c, modelo_->Coluna(c).Largura);
}

void TGradeDados::IrParaLinha(int linha) {
  if (sincronizando_ || !modelo_ || linha < 0 || linha >= modelo_->rowCount()) return;
  sincronizando_ = true;
  int coluna = currentIndex().isValid() ? currentIndex().column() : 0;
  setCurrentIndex(modelo_->index(linha, coluna));
  scrollTo(modelo_->index(linha, coluna));
  sincronizando_ = false;
}

void TGradeDados::currentChanged(const QModelIndex& atual, const QModelIndex& anterior) {
  QTableView::currentChanged(atual, anterior);
  if (sincronizando_ || !modelo_ || !atual.isValid()) return;
  sincronizando_ = true;
  modelo_->Linhas().IrPara(static_cast<size_t>(atual.row()));
  sincronizando_ = false;
}
