#pragma once
// The main window: stock date, price basis, options, filter and the "Gerar (F3)" button.
#include <QLabel>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "platform/Regional.h"
#include "widgets/EstiloSuite.h"

#include <QDateEdit>

class QCheckBox;
class QPushButton;
class QRadioButton;
class IDatabase;

// The window's database session: connected when the window is first shown, kept until the
// program ends, and handed to every run and dialog that talks to the server. Nothing below the
// window reaches for it.
extern std::shared_ptr<IDatabase> DatabaseSession;
// The session, or the error that there is no connection.
IDatabase& Sessao();

// The date field: Tab leaves the field instead of walking its day, month and year. A text that is
// not a date is rejected when the focus leaves the field, never silently turned into another date.
class TCampoData : public QDateEdit {
  Q_OBJECT
 public:
  using QDateEdit::QDateEdit;

  // The text is a whole date, or has no digits at all (which reads as today).
  bool TextoAceito() const;
  // When the text is not accepted: says so, naming the text, and puts the focus back; false then.
  bool ConfirmarTexto();

 protected:
  bool focusNextPrevChild(bool proximo) override;
  void focusOutEvent(QFocusEvent* evento) override;

 private:
  bool avisando_ = false;
};

// An image that answers clicks.
class TImagemClicavel : public QLabel {
  Q_OBJECT
 public:
  explicit TImagemClicavel(QWidget* pai) : QLabel(pai) {}
 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* evento) override;
};

class TFMain : public QWidget {
  Q_OBJECT
 public:
  TFMain();
  ~TFMain() override;

  // Group and especificação id lists chosen in the filter dialog; "" = no filter.
  std::string FiltroGrupos;
  std::string FiltroEspecificacoes;
  // Button1's caption is bold while a filter stands.
  void AtualizarLegendaFiltro();

  // The stock date: the date of the field, today when its text is empty or not a date.
  plataforma::TDataHora DataEscolhida() const;

  // Opens the database session, asking whether to try again after each failure.
  bool ConectarBanco();
  void GerarRelatorio();

  // How the program ends when there is no session; tests replace it.
  std::function<void()> Terminar;

  QLabel* lbldataestoque;
  TCampoData* DataInventario;
  TImagemClicavel* imgAjudaDralShare;
  TGrupoP7* GroupBox2;
  QRadioButton* RadioCustoMedio;
  QRadioButton* RadioPrecoCompra;
  TGrupoP7* grbFiltro;
  QPushButton* Button1;
  TGrupoP7* GroupBox1;
  QCheckBox* CheckConsiderarArredondamento;
  QCheckBox* CheckConsiderarProdutoApagado;
  QCheckBox* CheckConsiderarProdutosCadastradosAntesDataInventario;
  QPushButton* BtnGerar;
  QPushButton* BtnCancelar;

 public slots:
  void Button1Click();
  void BtnGerarClick();
  void BtnCancelarClick();
  void imgAjudaDralShareClick();

 protected:
  void showEvent(QShowEvent* evento) override;
  void closeEvent(QCloseEvent* evento) override;
  bool eventFilter(QObject* objeto, QEvent* evento) override;

 private:
  void CriarLinhaDaData();
  void CriarGrupos();
  void FormShow();
  bool FormKeyDown(int tecla);
  bool FormKeyPress(int caractere);
  void HabilitarBotoes(bool habilitar);
  bool mostrada_ = false;
  bool gerando_ = false;
};
