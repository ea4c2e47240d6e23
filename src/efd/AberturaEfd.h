#pragma once
// The opening record (0000) of a complete EFD ICMS/IPI file, and the files of a folder by the
// CNPJ of their 0000, so that each branch finds its own.
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Regional.h"

namespace efd {

// An EFD file that cannot be read or merged; what() is the branch's failure line (Windows-1252).
class EArquivoEfd : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TAberturaEfd {
  std::string Versao;      // COD_VER as written ("018")
  std::string Finalidade;  // COD_FIN as written: 0 the original file, 1 a substitute
  std::string Cnpj;        // the digits of CNPJ (empty for a file under a CPF)
  plataforma::TDataHora DataInicial, DataFinal;
  std::string Perfil;  // IND_PERFIL: A, B or C
};

// "dd/mm/aaaa", as messages give a date.
std::string DataLegivel(const plataforma::TDataHora& data);

// The layout version (COD_VER) in force over the whole period, or empty when none is known for it.
std::string VersaoLeiaute(const plataforma::TDataHora& inicio, const plataforma::TDataHora& fim);

// Why the 0000 cannot open a file to be filed: a COD_VER that is not the layout of its period, a
// COD_FIN other than 0 or 1 (Windows-1252, naming the field and the value); empty when it can.
std::string ValidarAbertura(const TAberturaEfd& abertura);

// The line that profile A and B (IND_PERFIL) ask for when H010 goes without COD_CTA; empty when
// the profile does not require it or the account is given.
std::string FaltaContaContabil(const TAberturaEfd& abertura, std::string_view conta);

// The 0000 of one line (with or without its line end): "|0000|" and fifteen fields, DT_INI and
// DT_FIN valid ddmmaaaa dates. nullopt for anything else.
std::optional<TAberturaEfd> LerRegistro0000(std::string_view linha);

// The 0000 of the file's first line (nullopt when it is none). EArquivoEfd when it cannot be read.
std::optional<TAberturaEfd> LerAbertura(const std::filesystem::path& arquivo);

struct TIndiceEfd {
  std::map<std::string, std::vector<std::filesystem::path>> PorCnpj;  // paths in name order
  std::vector<std::string> Avisos;                                    // one per skipped file (Windows-1252)
};

// Every regular file of the folder (not its subfolders) by its 0000's CNPJ; a file whose first
// line is not a 0000 record, or has no CNPJ, is skipped with a warning. EArquivoEfd when the folder
// cannot be read.
TIndiceEfd IndexarPasta(const std::filesystem::path& pasta);

// A path as messages name it (Windows-1252).
std::string NomeArquivoEfd(const std::filesystem::path& arquivo);

}  // namespace efd
