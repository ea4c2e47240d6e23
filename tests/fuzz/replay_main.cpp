// The harness as a plain program: every file of the folders (or the files) given on the command
// line, in name order, through LLVMFuzzerTestOneInput once. A property the harness checks aborts;
// an exception it does not expect escapes and ends the program. Nothing to replay is a failure.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> arquivos;
  for (int i = 1; i < argc; ++i) {
    if (fs::is_directory(argv[i])) {
      for (const auto& e : fs::directory_iterator(argv[i]))
        if (e.is_regular_file()) arquivos.push_back(e.path());
    } else {
      arquivos.emplace_back(argv[i]);
    }
  }
  std::sort(arquivos.begin(), arquivos.end());
  if (arquivos.empty()) {
    std::fprintf(stderr, "no corpus file to replay\n");
    return 1;
  }
  for (const auto& a : arquivos) {
    std::ifstream f(a, std::ios::binary);
    if (!f) {
      std::fprintf(stderr, "cannot read %s\n", a.c_str());
      return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::printf("%s (%zu bytes)\n", a.c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs replayed\n", arquivos.size());
  return 0;
}
