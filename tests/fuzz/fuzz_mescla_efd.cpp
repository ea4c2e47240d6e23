// Any bytes as the branch's complete EFD file, merged with a fixed inventory: the merge either
// refuses with EArquivoEfd or gives a file whose first line its own reader takes for the same
// 0000, whose counters (X990, 9900, 9990, 9999) agree with its lines as counted here, and which
// merges again into itself byte for byte. Any other exception is a finding.
#include <map>
#include <string>
#include <vector>

#include "efd/AberturaEfd.h"
#include "efd/BlocoH.h"
#include "efd/MesclaEfd.h"
#include "platform/Texto.h"
#include "tests/fuzz/ApoioFuzz.h"

namespace {

const efd::TPartesBlocoH& Bloco() {
  static const efd::TPartesBlocoH bloco = [] {
    efd::TBlocoH b;
    b.Acrescentar({"101", "CANETA AZUL", "", "UN", "", {100000}, {15000}, 1500});
    b.Acrescentar({"205", "AGUA MINERAL", "", "KG", "", {25000}, {40000}, 1000});
    b.Acrescentar({"900", "ITEM DO ARQUIVO", "", "PC", "", {30000}, {123456}, 3704});
    return b.Montar({2024, 12, 31});
  }();
  return bloco;
}

std::string Mesclar(const std::filesystem::path& original) {
  std::string saida;
  efd::MesclarEfd(original, Bloco(), [&](std::string_view pedaco) { saida += pedaco; });
  return saida;
}

// Counts the merged file's lines by record type and by block, and checks every counter.
void ConferirContadores(std::string_view arquivo) {
  std::vector<std::string_view> linhas;
  for (size_t i = 0; i < arquivo.size();) {
    size_t f = arquivo.find('\n', i);
    if (f == std::string_view::npos) f = arquivo.size();
    std::string_view l = arquivo.substr(i, f - i);
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    linhas.push_back(l);
    i = f + 1;
  }
  std::map<std::string_view, int64_t> porTipo;
  std::map<char, int64_t> porBloco;
  for (std::string_view l : linhas) {
    fuzz::Exigir(l.size() >= 6 && l[0] == '|' && l[5] == '|', "every merged line is a record");
    ++porTipo[l.substr(1, 4)];
    ++porBloco[l[1]];
  }
  auto numero = [](std::string_view l, size_t campo) {
    const auto n = plataforma::LerInteiro(efd::CampoEfd(l, campo));
    return n ? *n : -1;
  };
  fuzz::Exigir(linhas.back().substr(0, 6) == "|9999|", "the merged file ends with 9999");
  std::map<std::string_view, int64_t> listados;
  for (std::string_view l : linhas) {
    const std::string_view reg = l.substr(1, 4);
    if (reg == "9999") fuzz::Exigir(numero(l, 2) == static_cast<int64_t>(linhas.size()), "9999 counts the lines");
    if (reg.substr(1) == "990") fuzz::Exigir(numero(l, 2) == porBloco[reg[0]], "X990 counts its block's lines");
    if (reg == "9900") {
      const std::string_view tipo = efd::CampoEfd(l, efd::campo::RegBlc9900);
      fuzz::Exigir(listados.emplace(tipo, numero(l, efd::campo::QtdRegBlc9900)).second, "9900 lists a type once");
    }
  }
  fuzz::Exigir(listados == porTipo, "9900 gives every type of record its count");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::TArquivoFuzz original("original.txt"), mesclado("mesclado.txt");
  original.Escrever(fuzz::Texto(data, size));
  std::string saida;
  try {
    saida = Mesclar(original.Caminho());
  } catch (const efd::EArquivoEfd&) {
    return 0;
  }
  const auto antes = efd::LerRegistro0000(fuzz::Texto(data, size).substr(0, fuzz::Texto(data, size).find('\n')));
  const auto depois = efd::LerRegistro0000(std::string_view(saida).substr(0, saida.find('\n')));
  fuzz::Exigir(antes && depois, "the merged file starts with the original's 0000");
  fuzz::Exigir(antes->Cnpj == depois->Cnpj && antes->Perfil == depois->Perfil, "the 0000 is kept");
  ConferirContadores(saida);
  mesclado.Escrever(saida);
  std::string outra;
  try {
    outra = Mesclar(mesclado.Caminho());
  } catch (const efd::EArquivoEfd& e) {
    std::fprintf(stderr, "%s\n", e.what());
    fuzz::Exigir(false, "the merged file merges again");
  }
  fuzz::Exigir(outra == saida, "the merged file merges again into itself");
  return 0;
}
