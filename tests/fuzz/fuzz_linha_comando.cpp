// Any command line: split without a crash, and a line built by quoting simple arguments splits
// back into them.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Processo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string linha(reinterpret_cast<const char*>(data), size);
  (void)plataforma::DividirLinhaComando(linha);
  // Arguments without quotes and control characters, quoted as the tool quotes the viewer's.
  std::vector<std::string> args(1);
  for (char c : linha) {
    if (c == '\n')
      args.emplace_back();
    else if (c != '"' && c != '\0' && c != '\\')
      args.back() += c;
  }
  std::string montada;
  for (const auto& a : args) montada += "\"" + a + "\" ";
  if (plataforma::DividirLinhaComando(montada) != args) std::abort();
  return 0;
}
