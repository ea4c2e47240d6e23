// Any text as a script: the pieces are non-blank, in order, and each stands in the text as it was.
#include <cstdlib>
#include <string>

#include "dbclient/DbClient.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view sql(reinterpret_cast<const char*>(data), size);
  size_t desde = 0;
  for (const std::string& peca : dbclient::TExecutorScript::Dividir(sql)) {
    bool branca = true;
    for (unsigned char c : peca) branca = branca && c <= ' ';
    if (peca.empty() || branca) std::abort();
    size_t pos = sql.find(peca, desde);
    if (pos == std::string_view::npos) std::abort();
    desde = pos + peca.size();
  }
  return 0;
}
