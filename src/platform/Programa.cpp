#include "platform/Programa.h"

#include <climits>
#include <unistd.h>

namespace plataforma {
namespace {
std::string& PastaSubstituta() {
  static std::string pasta;
  return pasta;
}
}  // namespace

std::string CaminhoExecutavel() {
  char buf[PATH_MAX + 1];
  ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

std::string PastaPrograma() {
  if (!PastaSubstituta().empty()) return PastaSubstituta();
  std::string exe = CaminhoExecutavel();
  auto barra = exe.rfind('/');
  return barra == std::string::npos ? std::string("./") : exe.substr(0, barra + 1);
}

void DefinirPastaPrograma(const std::string& pasta) {
  PastaSubstituta() = pasta;
  if (!pasta.empty() && pasta.back() != '/') PastaSubstituta() += '/';
}

}  // namespace plataforma
