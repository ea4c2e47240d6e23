// bench/run --pdf: the book's PDF of one register file as the year-end command makes it: the
// register's bytes read whole, then EscreverPdfRegistro handing its pieces to a file.
//   p7pdfbench <register> <pdf>     (prints key=value lines)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "paginas/PdfRegistro.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: p7pdfbench <register> <pdf>\n");
    return 2;
  }
  try {
    // Read in one piece, so that the peak counts the register's bytes once.
    std::ifstream f(argv[1], std::ios::binary | std::ios::ate);
    if (!f) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    std::string registro(static_cast<size_t>(f.tellg()), '\0');
    f.seekg(0);
    if (!f.read(registro.data(), static_cast<std::streamsize>(registro.size())))
      throw std::runtime_error(std::string("cannot read ") + argv[1]);
    FILE* pdf = std::fopen(argv[2], "wb");
    if (!pdf) throw std::runtime_error(std::string("cannot write ") + argv[2]);
    size_t tamanho = 0;
    const auto t0 = std::chrono::steady_clock::now();
    paginas::EscreverPdfRegistro(registro, {.Titulo = "bench"}, [&](std::string_view pedaco) {
      if (std::fwrite(pedaco.data(), 1, pedaco.size(), pdf) != pedaco.size()) throw std::runtime_error("write failed");
      tamanho += pedaco.size();
    });
    const auto t1 = std::chrono::steady_clock::now();
    std::fclose(pdf);
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    std::printf("register_bytes=%zu\npdf_bytes=%zu\npdf_s=%.4f\npeak_rss_bytes=%ld\n", registro.size(), tamanho,
                std::chrono::duration<double>(t1 - t0).count(), uso.ru_maxrss * 1024L);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "p7pdfbench: %s\n", e.what());
    return 1;
  }
}
