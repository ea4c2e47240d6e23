// Random placements into the writer's blocks, checked against a simple model of the rule.
#include <cstdlib>
#include <string>
#include <vector>

#include "report/urelatorio.h"
#include "tests/support/ModeloColocacao.h"

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
    suporte::ColocarNoModelo(modelo, texto, linha, coluna);
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
