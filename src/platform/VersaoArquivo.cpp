#include "platform/VersaoArquivo.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace plataforma {

bool LerVersaoFixa(const std::string& arquivo, TVersaoFixa& versao) {
  std::ifstream f(arquivo, std::ios::binary);
  if (!f) return false;
  // The marker is assembled at run time so that the reader's own code never matches it.
  volatile uint32_t base = 0xFEEF04BCu;
  const uint32_t assinatura = base + 1, estrutura = 0x00010000u;
  unsigned char marca[8];
  std::memcpy(marca, &assinatura, 4);
  std::memcpy(marca + 4, &estrutura, 4);

  std::vector<char> bloco(1 << 16);
  std::string resto;  // the tail of the previous block, for a record that straddles two blocks
  while (f) {
    f.read(bloco.data(), static_cast<std::streamsize>(bloco.size()));
    auto lidos = static_cast<size_t>(f.gcount());
    if (lidos == 0) break;
    std::string janela = resto + std::string(bloco.data(), lidos);
    for (size_t i = 0; i + sizeof(TVersaoFixa) <= janela.size(); ++i) {
      if (std::memcmp(janela.data() + i, marca, 8) == 0) {
        std::memcpy(&versao, janela.data() + i, sizeof(TVersaoFixa));
        return true;
      }
    }
    size_t guardar = sizeof(TVersaoFixa) - 1;
    resto = janela.size() > guardar ? janela.substr(janela.size() - guardar) : janela;
  }
  return false;
}

}  // namespace plataforma
