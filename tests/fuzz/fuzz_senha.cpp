// Any text as a scrambled password: either a password or the conversion error, never a crash;
// and scrambling any password of codes 1..254 descrambles back to it.
#include <cstdlib>
#include <string>

#include "settings/UConfigSistemaKOT.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string texto(reinterpret_cast<const char*>(data), size);
  try {
    (void)DescramblePassword(texto, "QEW");
  } catch (const EConvertError&) {
  }
  std::string senha;
  for (char c : texto)
    if (c != 0 && static_cast<unsigned char>(c) != 255) senha += c;
  // An empty password scrambles to the seed alone, which by design does not descramble.
  if (!senha.empty() && ScrambleText("D", ScrambleText("E", senha, "QEW"), "QEW") != senha) std::abort();
  return 0;
}
