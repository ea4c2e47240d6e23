#pragma once
// The viewer's window: one register page at a time, in a fixed-pitch font sized so the widest
// line fits; paging, zoom, text search, printing and PDF export. Every page is drawn by the one
// routine of paginas, on screen, on the printer and in the PDF alike.
#include <QMainWindow>

#include <optional>

#include "paginas/DesenhoPaginas.h"
#include "viewer/NucleoVisualizador.h"

class QAction;
class QLabel;
class QLineEdit;
class QScrollArea;

namespace visualizador {

// Pages are drawn by paginas, the same on screen, on the printer and in the PDF.
using paginas::DesenharPagina;
using paginas::FonteRegistro;
using paginas::RenderizarDocumento;
using paginas::TDestaque;

class TPaginaWidget;

class TFVisualizador : public QMainWindow {
  Q_OBJECT
 public:
  explicit TFVisualizador(QWidget* parent = nullptr);
  ~TFVisualizador() override;

  // Loads the file; on failure keeps the window empty and returns false with the message in
  // UltimoErro() (the caller shows it).
  bool Abrir(const QString& caminho);
  void DefinirDocumento(const TDocumento& doc, const QString& caminho);
  const QString& UltimoErro() const { return erro_; }
  const TDocumento& Documento() const { return doc_; }

  int PaginaAtual() const { return pagina_; }  // 0-based
  int NumeroPaginas() const { return static_cast<int>(doc_.Paginas.size()); }
  QString TextoFolha() const;  // "Folha 28 (27 de 53)", see TextoFolha of the core
  void IrParaPagina(int pagina);
  void PrimeiraPagina() { IrParaPagina(0); }
  void PaginaAnterior() { IrParaPagina(pagina_ - 1); }
  void ProximaPagina() { IrParaPagina(pagina_ + 1); }
  void UltimaPagina() { IrParaPagina(NumeroPaginas() - 1); }

  // The zoom counts from the width of the view (1 = "Ajustar à largura"); in the page mode it is
  // the factor that the page's fit gives.
  double Zoom() const { return zoom_; }
  TModoZoom ModoZoom() const { return modo_; }
  void DefinirZoom(double zoom);  // free mode
  void DefinirModoZoom(TModoZoom modo);
  void AumentarZoom();
  void DiminuirZoom();
  // Leaves the search box: its text and the highlight go, the focus returns to the page.
  void SairDaBusca();

  // Searches for the text after the current hit; false when it is nowhere in the document.
  bool Procurar(const QString& texto);
  bool ProcurarProxima();
  std::optional<TPosicaoBusca> Achado() const { return achado_; }

  bool SalvarPdfEm(const QString& caminho);  // shows no dialog
  void Imprimir();
  void SalvarPdf();

  // For checks of the fitting: the width the page text takes on screen and the width available;
  // the height the page's lines take and the height of the view.
  double LarguraTextoNaTela() const;
  double LarguraDisponivelNaTela() const;
  double AlturaTextoNaTela() const;
  double AlturaVisivelNaTela() const;
  QLineEdit* CampoBusca() const { return busca_; }

 protected:
  bool eventFilter(QObject* objeto, QEvent* evento) override;
  void showEvent(QShowEvent* e) override;

 private:
  bool TratarTecla(QObject* alvo, QKeyEvent* tecla);
  void Atualizar();
  void AjustarTamanhoPagina();
  void Avisar(const QString& texto);

  TDocumento doc_;
  QString caminho_;
  QString erro_;
  int pagina_ = 0;
  double zoom_ = 1.0;
  TModoZoom modo_ = TModoZoom::Largura;
  std::optional<TPosicaoBusca> achado_;
  QString textoAchado_;
  QScrollArea* rolagem_ = nullptr;
  TPaginaWidget* paginaWidget_ = nullptr;
  QLabel* folha_ = nullptr;
  QLabel* zoomRotulo_ = nullptr;
  QAction* ajustarPagina_ = nullptr;
  QAction* ajustarLargura_ = nullptr;
  QLineEdit* busca_ = nullptr;
};

}  // namespace visualizador
