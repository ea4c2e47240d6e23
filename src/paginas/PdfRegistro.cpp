#include "paginas/PdfRegistro.h"

#include <algorithm>
#include <vector>

#include "platform/Win1252.h"

namespace paginas {

void EscreverPdfRegistro(std::string_view registro, const TOpcoesPdfRegistro& opcoes,
                         const std::function<void(std::string_view)>& escrever) {
  if (registro.empty()) throw EErroPdf(W("O registro está vazio: não há folhas para o PDF."));
  const TFolhasW1252 folhas(registro);
  const int n = folhas.Quantas(), antes = opcoes.Termos ? 1 : 0;
  std::vector<std::string> termos[2];  // the opening and the closing term, when asked
  int largura = folhas.LarguraMaxima(), linhas = folhas.LinhasMaximas();
  if (opcoes.Termos) {
    const TFolhasLivro livro{n, FolhaDasLinhas(folhas.Linhas(0)), FolhaDasLinhas(folhas.Linhas(n - 1))};
    termos[0] = ComporTermo(TTipoTermo::Abertura, *opcoes.Termos, livro);
    termos[1] = ComporTermo(TTipoTermo::Encerramento, *opcoes.Termos, livro);
    for (const auto& termo : termos) {
      linhas = std::max(linhas, static_cast<int>(termo.size()));
      for (const auto& l : termo) largura = std::max(largura, static_cast<int>(l.size()));
    }
  }
  const TFolhasPdf pdf{n + 2 * antes, largura, linhas, [&](int i) {
                         if (antes && (i == 0 || i == n + 1)) {
                           const auto& termo = termos[i == 0 ? 0 : 1];
                           return TLinhasFolha(termo.begin(), termo.end());
                         }
                         return folhas.Linhas(i - antes);
                       }};
  EscreverPdfTexto(pdf, {opcoes.Titulo, opcoes.Criador, {}, opcoes.Fonte}, escrever);
}

std::string PdfRegistro(std::string_view registro, const TOpcoesPdfRegistro& opcoes) {
  std::string pdf;
  EscreverPdfRegistro(registro, opcoes, [&pdf](std::string_view pedaco) { pdf.append(pedaco); });
  return pdf;
}

}  // namespace paginas
