#pragma once
// What the harnesses share: a property that does not hold (said on standard error, then abort(),
// which libFuzzer keeps as a crash file and the corpus replay reports as a failed test), and a
// file of the process's own for the readers that take a path.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace fuzz {

inline void Exigir(bool condicao, const char* propriedade) {
  if (condicao) return;
  std::fprintf(stderr, "property broken: %s\n", propriedade);
  std::abort();
}

// A path under the temporary folder, unique to the process and the name, removed at exit.
class TArquivoFuzz {
 public:
  explicit TArquivoFuzz(const std::string& nome)
      : caminho_(std::filesystem::temp_directory_path() / ("p7fuzz-" + std::to_string(::getpid()) + "-" + nome)) {}
  ~TArquivoFuzz() {
    std::error_code e;
    std::filesystem::remove_all(caminho_, e);
  }
  const std::filesystem::path& Caminho() const { return caminho_; }
  void Escrever(std::string_view bytes) const {
    std::ofstream f(caminho_, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Exigir(static_cast<bool>(f.flush()), "the harness can write its temporary file");
  }

 private:
  std::filesystem::path caminho_;
};

inline std::string_view Texto(const uint8_t* data, size_t size) { return {reinterpret_cast<const char*>(data), size}; }

}  // namespace fuzz
