// Any bytes as sistema_kot.ini: the reader must not crash and must keep its 2047-character limit.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/IniPerfil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string arquivo = "/tmp/p7fuzz-ini-" + std::to_string(::getpid()) + ".ini";
  FILE* f = std::fopen(arquivo.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  for (const char* chave : {"local", "senha", "CodLogica", ""}) {
    std::string v = plataforma::LerPerfilPrivado("IP", chave, "padrao", arquivo);
    if (v.size() > plataforma::kTamanhoBufferPerfil - 1) std::abort();
  }
  return 0;
}
