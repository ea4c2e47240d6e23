// Any bytes as an EFD file's first line and as a file of the folder the command indexes: a 0000
// that is read has real dates, written back as they stand, and a CNPJ of digits only; the file's
// reader agrees with the line's; the folder's index either lists the file under that CNPJ or warns
// that it skipped it, never both, never neither. Only EArquivoEfd may escape, and not here.
#include <string>

#include "efd/AberturaEfd.h"
#include "efd/BlocoH.h"
#include "tests/fuzz/ApoioFuzz.h"

namespace {

bool DataReal(const plataforma::TDataHora& d) {
  static constexpr int dias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d.Ano < 1 || d.Ano > 9999 || d.Mes < 1 || d.Mes > 12 || d.Dia < 1) return false;
  const bool bissexto = (d.Ano % 4 == 0 && d.Ano % 100 != 0) || d.Ano % 400 == 0;
  return d.Dia <= dias[d.Mes - 1] + (d.Mes == 2 && bissexto);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::TArquivoFuzz pasta("pasta");
  const std::string_view bytes = fuzz::Texto(data, size);
  const std::string_view primeira = bytes.substr(0, bytes.find('\n'));

  const auto linha = efd::LerRegistro0000(primeira);
  if (linha) {
    fuzz::Exigir(DataReal(linha->DataInicial) && DataReal(linha->DataFinal), "the 0000's dates are real dates");
    fuzz::Exigir(efd::DataEfd(linha->DataInicial) == efd::CampoEfd(primeira, efd::campo::DtIni0000) &&
                     efd::DataEfd(linha->DataFinal) == efd::CampoEfd(primeira, efd::campo::DtFin0000),
                 "the dates read are written back as they stand");
    fuzz::Exigir(linha->Cnpj.find_first_not_of("0123456789") == std::string::npos, "the CNPJ is digits only");
  }

  std::filesystem::create_directories(pasta.Caminho());
  const fuzz::TArquivoFuzz arquivo("pasta/efd.txt");
  arquivo.Escrever(bytes);
  const auto lida = efd::LerAbertura(arquivo.Caminho());
  // The file's reader looks at a bounded first line; within it, both readers agree.
  if (lida || primeira.size() < 4000) {
    fuzz::Exigir(lida.has_value() == linha.has_value(), "the file's reader and the line's agree");
    if (lida)
      fuzz::Exigir(lida->Cnpj == linha->Cnpj && lida->DataInicial == linha->DataInicial &&
                       lida->DataFinal == linha->DataFinal && lida->Perfil == linha->Perfil,
                   "the file's 0000 is the line's");
  }

  const efd::TIndiceEfd indice = efd::IndexarPasta(pasta.Caminho());
  const bool listado = indice.PorCnpj.size() == 1 && indice.PorCnpj.begin()->second.size() == 1;
  fuzz::Exigir(listado != (indice.Avisos.size() == 1) && indice.PorCnpj.size() + indice.Avisos.size() == 1,
               "the file is either listed or skipped with a warning");
  fuzz::Exigir(listado == (lida && !lida->Cnpj.empty()), "a file is listed exactly when its 0000 has a CNPJ");
  if (listado) fuzz::Exigir(indice.PorCnpj.begin()->first == lida->Cnpj, "the file is listed under its CNPJ");
  return 0;
}
