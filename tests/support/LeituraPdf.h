#pragma once
// Reading a PDF back in the tests with poppler-utils: its page count (pdfinfo), the text of each
// page (pdftotext -layout, UTF-8) and every word with its place; and qpdf's check of its
// structure. Header only.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace suporte {

inline std::string SaidaDe(const std::string& comando) {
  std::string r;
  if (FILE* f = ::popen(comando.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) r.append(buf, n);
    ::pclose(f);
  }
  return r;
}

inline bool PopplerInstalado() {
  return std::system("command -v pdfinfo >/dev/null 2>&1 && command -v pdftotext >/dev/null 2>&1") == 0;
}

// -1 when pdfinfo cannot read the file.
inline int PaginasDoPdf(const std::string& caminho) {
  const std::string info = SaidaDe("pdfinfo '" + caminho + "' 2>/dev/null");
  const size_t campo = info.find("\nPages:");
  return campo == std::string::npos ? -1 : std::atoi(info.c_str() + campo + 7);
}

// Each page's size and each word with its box (pdftotext -bbox), without the document's title,
// creator and dates.
inline std::string PalavrasNoLugar(const std::string& caminho) {
  std::string html = SaidaDe("pdftotext -bbox '" + caminho + "' - 2>/dev/null");
  size_t doc = html.find("<doc>");
  return doc == std::string::npos ? "" : html.substr(doc);
}

// The same read into numbers: each page's size and its words' boxes, in points.
struct TPalavraPdf {
  double X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
  std::string Texto;  // as pdftotext -bbox escapes it
};
struct TPaginaPdf {
  double Largura = 0, Altura = 0;
  std::vector<TPalavraPdf> Palavras;
};
inline std::vector<TPaginaPdf> PaginasComPalavras(const std::string& caminho) {
  const std::string html = PalavrasNoLugar(caminho);
  std::vector<TPaginaPdf> paginas;
  for (size_t i = 0; (i = html.find('<', i)) != std::string::npos; ++i) {
    TPaginaPdf p;
    TPalavraPdf w;
    int fim = 0;
    if (std::sscanf(html.c_str() + i, "<page width=\"%lf\" height=\"%lf\">", &p.Largura, &p.Altura) == 2) {
      paginas.push_back(p);
    } else if (!paginas.empty() &&
               std::sscanf(html.c_str() + i, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">%n", &w.X0,
                           &w.Y0, &w.X1, &w.Y1, &fim) == 4 &&
               fim > 0) {
      const size_t de = i + static_cast<size_t>(fim), ate = html.find("</word>", de);
      w.Texto = html.substr(de, ate - de);
      paginas.back().Palavras.push_back(w);
    }
  }
  return paginas;
}

inline bool QpdfInstalado() { return std::system("command -v qpdf >/dev/null 2>&1") == 0; }
// qpdf --check: the cross-reference table, the objects and every stream's compression.
inline bool QpdfAceita(const std::string& caminho, std::string* relato = nullptr) {
  const std::string saida = SaidaDe("qpdf --check '" + caminho + "' 2>&1; echo \"fim=$?\"");
  if (relato) *relato = saida;
  return saida.find("No syntax or stream encoding errors found") != std::string::npos &&
         saida.find("\nfim=0") != std::string::npos;
}

// pdftotext ends every page with a form feed.
inline std::vector<std::string> TextoDasPaginas(const std::string& caminho) {
  std::string texto = SaidaDe("pdftotext -layout -enc UTF-8 '" + caminho + "' - 2>/dev/null");
  std::vector<std::string> paginas;
  size_t inicio = 0;
  for (size_t ff; (ff = texto.find('\f', inicio)) != std::string::npos; inicio = ff + 1)
    paginas.push_back(texto.substr(inicio, ff - inicio));
  if (inicio < texto.size()) paginas.push_back(texto.substr(inicio));
  return paginas;
}

}  // namespace suporte
