#include "paginas/Folhas.h"

#include <algorithm>

namespace paginas {

TFolhasW1252::TFolhasW1252(std::string_view bytes) {
  divisao::PorPagina(bytes, [&](size_t de, size_t ate) {
    int linhas = 0;
    size_t maisLarga = 0;
    divisao::PorLinha(bytes, de, ate, [&](size_t i, size_t f) {
      ++linhas;
      maisLarga = std::max(maisLarga, f - i);
    });
    linhasMaximas_ = std::max(linhasMaximas_, linhas);
    larguraMaxima_ = std::max(larguraMaxima_, static_cast<int>(maisLarga));
    folhas_.push_back(bytes.substr(de, ate - de));
  });
}

TLinhasFolha TFolhasW1252::Linhas(int i) const {
  const std::string_view bytes = folhas_[static_cast<size_t>(i)];
  TLinhasFolha linhas;
  divisao::PorLinha(bytes, 0, bytes.size(),
                    [&](size_t de, size_t ate) { linhas.push_back(bytes.substr(de, ate - de)); });
  return linhas;
}

std::optional<int> FolhaDasLinhas(const TLinhasFolha& linhas) {
  constexpr std::string_view kMarca = "FOLHA:";
  constexpr size_t kDigitos = 9;  // fits an int
  for (std::string_view linha : linhas) {
    size_t i = linha.find(kMarca);
    if (i == std::string_view::npos) continue;
    i += kMarca.size();
    while (i < linha.size() && linha[i] == ' ') ++i;
    size_t fim = i;
    while (fim < linha.size() && linha[fim] >= '0' && linha[fim] <= '9' && fim - i < kDigitos) ++fim;
    if (fim == i) continue;
    int n = 0;
    for (size_t k = i; k < fim; ++k) n = n * 10 + (linha[k] - '0');
    return n;
  }
  return std::nullopt;
}

int ColunasDe(int larguraMaxima) {
  constexpr int kColunasMinimas = 80;
  return std::max(larguraMaxima, kColunasMinimas);
}

double EscalaParaCaber(int colunas, double avanco, int linhas, double alturaLinha, double largura, double altura) {
  double natural = std::max(1, colunas) * avanco;
  double escala = natural > 0 ? largura / natural : 1.0;
  if (altura > 0 && alturaLinha > 0) escala = std::min(escala, altura / (std::max(1, linhas) * alturaLinha));
  return std::max(escala, 1e-6);
}

}  // namespace paginas
