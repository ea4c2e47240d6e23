// Random placements into the writer's blocks, checked against a simple model of the rule.
#include <cstdlib>
#include <string>
#include <vector>

#include "urelatorio.h"

namespace {
void Modelo(std::vector<std::string>& bloco, const std::string& t, size_t n, size_t m) {
  if (bloco.size() < n) {
    bloco.resize(n - 1);
    bloco.push_back(std::string(m, ' ') + t);
    return;
  }
  std::string& s = bloco[n - 1];
  if (m + t.size() > s.size()) s.resize(m + t.size() + 1, ' ');
  for (size_t i = 0; i < t.size(); ++i) s[m + i] = t[i];
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TImpressao impressao(TParamsRelatorio{}, 2);
  std::vector<std::string> modelo;
  size_t i = 0;
  while (i + 3 <= size) {
    size_t linha = 1 + data[i] % 40, coluna = data[i + 1] % 160, tamanho = data[i + 2] % 32;
    i += 3;
    std::string texto(reinterpret_cast<const char*>(data + i), std::min(tamanho, size - i));
    i += texto.size();
    impressao.EscreverCorpo(texto, static_cast<int32_t>(linha), static_cast<int32_t>(coluna));
    Modelo(modelo, texto, linha, coluna);
  }
  if (impressao.LinhasCorpo() != modelo) std::abort();
  std::string t(reinterpret_cast<const char*>(data), size);
  for (int32_t largura : {0, 1, 7, 15, 136}) {
    std::string c = TImpressao::Centralizar(t, '*', largura);
    if (c.size() != static_cast<size_t>(largura)) std::abort();
    if (TImpressao::CompletarDireita(t, ' ', largura).size() < t.size()) std::abort();
  }
  return 0;
}
