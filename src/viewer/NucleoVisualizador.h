#pragma once
// What the viewer does without a window: its command line, the report file read and checked
// (its pages come from paginas), the sheet label, page fitting and text search. Tested on its own.
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

#include "paginas/Documento.h"

namespace visualizador {

// The viewer shows the pages that the PDF draws: one document model, one page split.
using paginas::DecodificarW1252;
using paginas::DividirPaginas;
using paginas::EscalaParaCaber;
using paginas::FolhaDaPagina;
using paginas::TDocumento;
using paginas::TPagina;

// The command line the tool starts the viewer with: <file> 132 permissao_<text>.
struct TArgumentos {
  QString Arquivo;
  int Colunas = 132;
  QString Permissao;  // the text after "permissao_", possibly empty
};

// The usage line shown with every argument error.
QString TextoUso();

// Reads the arguments that follow the program name. Returns the message for the user when the
// shape is not exactly <file> 132 permissao_<text>.
struct TResultadoArgumentos {
  std::optional<TArgumentos> Argumentos;
  QString Erro;
};
TResultadoArgumentos AnalisarArgumentos(const QStringList& argumentos);

// Reads and splits the file; throws std::runtime_error with a message naming the path when the
// file cannot be read, is empty, or does not look like a text register (a NUL byte, or many bytes
// that no Windows-1252 text holds: controls other than tab, line ends and form feed, and the five
// unassigned bytes).
TDocumento LerDocumento(const QString& caminho);

// What the toolbar shows for page `pagina` (0-based): "Folha 28 (27 de 53)" when the page has its
// "FOLHA:" line, "Folha 27 de 53" otherwise, "Folha 0 de 0" for no document.
QString TextoFolha(const TDocumento& doc, int pagina);
// A text as long as the longest TextoFolha of the document (digits as "0"), so that the label can
// keep one width while paging.
QString TextoFolhaMaisLongo(const TDocumento& doc);

// The path the tool hands over may carry Windows separators ("...bin/\relatorio\relatorio.txt");
// when that path does not exist but its "/" form does, the "/" form is used.
QString NormalizarCaminho(const QString& caminho);

// How the page fills the view: the view's width times a zoom factor (Livre), the view's width
// (Largura: "Ajustar à largura"), or the whole page inside the view (Pagina: "Ajustar à página").
enum class TModoZoom { Livre, Largura, Pagina };

// The page on screen: its size in the view and the scale of its text, for a view of larguraVista x
// alturaVista with `margem` of paper round the text. Zoom counts only in the free mode.
struct TGeometriaPagina {
  int Largura = 0;
  int Altura = 0;
  double Escala = 1.0;
};
TGeometriaPagina GeometriaPagina(TModoZoom modo, double zoom, int larguraVista, int alturaVista, int margem,
                                 int colunas, double avanco, int linhas, double alturaLinha);

// A hit of the text search.
struct TPosicaoBusca {
  int Pagina = 0;
  int Linha = 0;
  int Coluna = 0;
  bool operator==(const TPosicaoBusca&) const = default;
};

// Next occurrence of `texto` (case and accents as typed, case-insensitive) strictly after
// `depois` (or from the start when empty), wrapping round to the first page once.
std::optional<TPosicaoBusca> Procurar(const TDocumento& doc, const QString& texto, std::optional<TPosicaoBusca> depois);

}  // namespace visualizador
