#pragma once
// The group and especificação filter: two lists read from the database, all rows marked at
// opening; the user marks rows with F5/F6/F7 and OK hands back the ids of the changed lists.
#include <QDialog>
#include <QLineEdit>

#include <memory>
#include <string>

#include "filter/RowSet.h"
#include "filter/GradeDados.h"

class QPushButton;
class IDatabase;

// A search box: Up and Down move the grid below, other keys search after the box took them.
class TCaixaBusca : public QLineEdit {
  Q_OBJECT
 public:
  using QLineEdit::QLineEdit;
 signals:
  void MoverAcima();
  void MoverAbaixo();
  void TeclaDigitada();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
};

class TFFiltroGrupoEspec : public QDialog {
  Q_OBJECT
 public:
  // The lists are read through `banco`, which outlives the dialog.
  explicit TFFiltroGrupoEspec(IDatabase& banco, QWidget* dono = nullptr);
  ~TFFiltroGrupoEspec() override;

  int CodTela() const { return 288; }

  // Results: true when the list's marks were last changed row by row (F5).
  bool GruposAlterados() const { return GruposAlterados_; }
  bool EspecAlteradas() const { return EspecAlteradas_; }
  // ListaIds of the changed lists, built by OK; empty otherwise.
  const std::string& GruposMarcados() const { return GruposMarcados_; }
  const std::string& EspecMarcadas() const { return EspecMarcadas_; }

  bool MarcacaoEmMassa() const { return MarcacaoEmMassa_; }
  bool Exibido() const { return Exibido_; }

  // Controls, for the main window's tests and ours.
  TGradeDados* DBGrid1;
  TGradeDados* DBGrid2;
  TCaixaBusca* EditGrupos;
  TCaixaBusca* EditEspec;
  QPushButton* Button1;
  QPushButton* Button2;
  dbclient::TConjuntoLinhas& QGrupos() { return *QGrupos_; }
  dbclient::TConjuntoLinhas& QEspec() { return *QEspec_; }

  // The SQL texts of the lists; the especificação text takes today's date (yyyy-mm-dd).
  static std::string SqlGrupos();
  static std::string SqlEspec(const std::string& hoje);
  // The query of a group and its descendants (seven lines, each ending in CR LF).
  static std::string SqlGruposFilhos(int64_t grupoId);
  // ListaIds of the rows whose MARCADO is "S", in the current order of the row set.
  static std::string MontarListaIds(dbclient::TConjuntoLinhas& linhas, const std::string& campoId);

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* alvo, QEvent* e) override;

 private:
  void FormShow();
  bool FormKeyDown(int tecla);
  void CriarLegenda();
  void LigarSinais();
  void Button1Click();
  void Button2Click();
  void AlternarMarca(TGradeDados* grade);
  void MarcarTodos(TGradeDados* grade, bool marcar);
  void QGruposAfterPost(dbclient::TConjuntoLinhas& linhas);
  void TitleClick(TGradeDados* grade, int coluna);
  void MoverGrade(TGradeDados* grade, bool acima);
  void Buscar(TGradeDados* grade, TCaixaBusca* caixa);

  IDatabase& banco_;
  std::unique_ptr<dbclient::TConjuntoLinhas> QGrupos_;
  std::unique_ptr<dbclient::TConjuntoLinhas> QEspec_;
  // Owned here, without a Qt parent: the models observe the row sets, so they go first (members
  // go in reverse order), and both go before the grids, which let go of a model that is deleted.
  std::unique_ptr<TModeloConjuntoLinhas> modeloGrupos_;
  std::unique_ptr<TModeloConjuntoLinhas> modeloEspec_;

  bool GruposAlterados_ = false;
  bool EspecAlteradas_ = false;
  bool MarcacaoEmMassa_ = false;
  bool Exibido_ = false;
  std::string GruposMarcados_;
  std::string EspecMarcadas_;
  std::string CampoOrdemGrupos_;
  std::string CampoOrdemEspec_;
};

// The main window's filter button: creates the dialog, clears both lists, shows it modally,
// takes the lists of the changed marks and frees the dialog (also on error). True when either
// list is not empty, i.e. when the button's caption is to be bold.
bool ExecutarFiltroGrupoEspec(QWidget* dono, IDatabase& banco, std::string& FiltroGrupos,
                              std::string& FiltroEspecificacoes);
