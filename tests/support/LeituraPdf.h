#pragma once
// Reading a PDF back in the tests with poppler-utils: its page count (pdfinfo), the text of each
// page (pdftotext -layout, UTF-8) and every word with its place. Header only.
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
