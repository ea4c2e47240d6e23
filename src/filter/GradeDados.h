#pragma once
// A read-only grid over an in-memory row set: the table model that shows the row set's rows, the
// view that keeps its current row and the row set's cursor together, and the painting of marked
// rows. Windows-1252 becomes QString here and nowhere else in the grids.
#include <QAbstractTableModel>
#include <QColor>
#include <QStyledItemDelegate>
#include <QTableView>

#include <string>
#include <vector>

#include "filter/RowSet.h"

struct TColunaGrade {
  std::string Campo;  // field name in the row set
  QString Titulo;
  int Largura;
};

class TModeloConjuntoLinhas : public QAbstractTableModel {
  Q_OBJECT
 public:
  // True when the row's mark field holds "S".
  static constexpr int PapelMarcado = Qt::UserRole + 1;

  TModeloConjuntoLinhas(dbclient::TConjuntoLinhas& linhas, std::vector<TColunaGrade> colunas, std::string campoMarca,
                        QObject* pai = nullptr);
  ~TModeloConjuntoLinhas() override;

  int rowCount(const QModelIndex& pai = {}) const override;
  int columnCount(const QModelIndex& pai = {}) const override;
  QVariant data(const QModelIndex& indice, int papel) const override;
  QVariant headerData(int secao, Qt::Orientation orientacao, int papel) const override;
  Qt::ItemFlags flags(const QModelIndex& indice) const override;

  const TColunaGrade& Coluna(int coluna) const { return colunas_.at(static_cast<size_t>(coluna)); }
  dbclient::TConjuntoLinhas& Linhas() { return linhas_; }
  void DefinirCorTitulo(int coluna, const QColor& cor);
  QColor CorTitulo(int coluna) const { return coresTitulo_.at(static_cast<size_t>(coluna)); }

 signals:
  void CursorMovido(int linha);

 private:
  void AoAvisar(dbclient::TAvisoConjunto aviso, size_t posicao);
  int IndiceCampo(int coluna) const;

  dbclient::TConjuntoLinhas& linhas_;
  std::vector<TColunaGrade> colunas_;
  std::string campoMarca_;
  std::vector<QColor> coresTitulo_;
  int observador_;
  int linhaIndicador_ = -1;
};

// Repaints a marked row's cells in the marked colour, over whatever the grid drew, selection
// included; unmarked rows keep the grid's colours.
class TDelegadoMarcado : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static const QColor CorMarcado;  // RGB(255,128,128)
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* pintor, const QStyleOptionViewItem& opcao, const QModelIndex& indice) const override;
};

class TGradeDados : public QTableView {
  Q_OBJECT
 public:
  explicit TGradeDados(QWidget* pai = nullptr);
  void DefinirModelo(TModeloConjuntoLinhas* modelo);
  TModeloConjuntoLinhas* Modelo() const { return modelo_; }
  void AplicarLarguras();

 protected:
  void currentChanged(const QModelIndex& atual, const QModelIndex& anterior) override;

 private:
  void IrParaLinha(int linha);
  TModeloConjuntoLinhas* modelo_ = nullptr;
  bool sincronizando_ = false;
};
