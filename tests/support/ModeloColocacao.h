#pragma once
// The writer's placement rule spelt out the plainest way, for checking the real blocks against:
// missing lines are empty, a new line starts with `coluna` blanks, an existing line the text
// reaches beyond grows to one blank past it.
#include <string>
#include <vector>

namespace suporte {

inline void ColocarNoModelo(std::vector<std::string>& bloco, const std::string& texto, size_t linha, size_t coluna) {
  if (bloco.size() < linha) {
    bloco.resize(linha - 1);
    bloco.push_back(std::string(coluna, ' ') + texto);
    return;
  }
  std::string& l = bloco[linha - 1];
  if (coluna + texto.size() > l.size()) l.resize(coluna + texto.size() + 1, ' ');
  l.replace(coluna, texto.size(), texto);
}

}  // namespace suporte
