// Any bytes as the terms file: either ETermosInvalidos, whose message is one line of UTF-8 that
// names the file, or values that can stand on a term page (at most 150 bytes, no control byte but
// the tab, none of the bytes Windows-1252 leaves out), with a warning that names exactly
// the keys left blank. Any other exception is a finding.
#include <string>

#include "paginas/ArquivoTermos.h"
#include "tests/fuzz/ApoioFuzz.h"

namespace {

bool Utf8DeUmaLinha(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b < 0x20 && b != '\t') || b == 0x7F) return false;
    const size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

// Blanks at the ends stay when the value is quoted: that is what quotes are for.
bool CabeNoTermo(std::string_view v) {
  if (v.size() > 150) return false;
  for (unsigned char b : v)
    if ((b < 0x20 && b != '\t') || b == 0x7F) return false;
  return true;
}

bool SoWindows1252(std::string_view v) {
  for (unsigned char b : v)
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::optional<paginas::TArquivoTermos> termos;
  try {
    termos = paginas::TArquivoTermos::Analisar(fuzz::Texto(data, size), "termos.ini");
  } catch (const paginas::ETermosInvalidos& e) {
    const std::string_view m = e.what();
    fuzz::Exigir(Utf8DeUmaLinha(m), "the refusal is one line of UTF-8");
    fuzz::Exigir(m.find("\"termos.ini\"") != std::string_view::npos, "the refusal names the file");
    return 0;
  }
  for (int32_t filial : {0, 1, 2, 3, 7, 10, 2147483647}) {
    const paginas::TValoresTermos v = termos->DaFilial(filial);
    bool falta = false;
    for (size_t i = 0; i < paginas::kNumeroChavesTermos; ++i) {
      fuzz::Exigir(CabeNoTermo(v.Valores[i]), "every value fits a term page");
      fuzz::Exigir(SoWindows1252(v.Valores[i]), "no value holds a byte Windows-1252 leaves out");
      const std::string nome = paginas::NomeChave(static_cast<paginas::TChaveTermos>(i));
      const bool citada = v.Aviso.find(" " + nome + ",") != std::string::npos ||
                          v.Aviso.find(" " + nome + " ") != std::string::npos ||
                          v.Aviso.find(" " + nome + ";") != std::string::npos;
      fuzz::Exigir(citada == v.Valores[i].empty(), "the warning names exactly the keys left blank");
      falta = falta || v.Valores[i].empty();
    }
    fuzz::Exigir(v.Aviso.empty() != falta, "a warning exactly when a key is blank");
  }
  return 0;
}
