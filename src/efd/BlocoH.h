#pragma once
// The inventory as the tax authority receives it: the records 0190 and 0200 that it names and the
// whole block H of the EFD ICMS/IPI, built from the rows of the register so that the file and the
// book agree by construction. It is not a complete EFD file: the database has no address, city
// code or period data for 0000/0005 and the rest of block 0.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Moeda.h"
#include "platform/Regional.h"

namespace efd {

// One detail line of the register. Texts are Windows-1252 and need only live during Acrescentar.
struct TItemInventario {
  std::string_view CodItem;  // produto_id in decimal
  std::string_view Descricao, Barras, Unidade, Ncm;
  plataforma::TMoeda Quantidade;  // as the register read it (four decimals)
  plataforma::TMoeda Unitario;    // the unit value before it is rounded to cents
  int64_t CentavosLinha = 0;      // the line value as the register prints it
};

class EBlocoH : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Collects the register's lines in order and writes the records.
class TBlocoH {
 public:
  // Keeps a cleaned copy of the texts and the numbers of one detail line.
  void Acrescentar(const TItemInventario& item);
  // The register's grand total in cents (VL_INV). Without it the sum of the lines is used, which
  // is what the register prints; with it, a difference from that sum is an error.
  void Total(int64_t centavos) { total_ = centavos; }

  // The bytes of the file (ISO-8859-1, CR LF after every record) for the stock date, the motive
  // of the inventory (01..06) and the account code of COD_CTA (Windows-1252, may be empty).
  // Throws EBlocoH for an invalid motive or a total that disagrees with the lines.
  std::string Gerar(const plataforma::TDataHora& data, std::string_view motivo = "01",
                    std::string_view contaContabil = "") const;

  // One line per row without a unit, in register order (Windows-1252), for standard error.
  const std::vector<std::string>& Avisos() const { return avisos_; }
  size_t Itens() const { return linhas_.size(); }

 private:
  struct TLinha {
    size_t Inicio;              // the cleaned texts in textos_, each ended by '\0'
    int64_t QuantidadeMilesimos;  // QTD, already rounded to three decimals
    int64_t Unitario;           // ten-thousandths
    int64_t Centavos;
  };
  std::string textos_;
  std::vector<TLinha> linhas_;
  std::vector<std::string> avisos_;
  int64_t somaCentavos_ = 0;
  std::optional<int64_t> total_;
};

// "" when the motive is one of 01..06, else the reason for a usage error.
std::string ValidarMotivo(std::string_view motivo);
// "" when the account code (Windows-1252) makes a non-empty COD_CTA of at most 255 characters,
// else the reason for a usage error.
std::string ValidarContaContabil(std::string_view conta);

// A Windows-1252 text as an EFD text field: the bytes ISO-8859-1 lacks mapped or removed, "|"
// to "/", control characters to blanks, blanks trimmed at both ends.
std::string TextoEfd(std::string_view w1252);

// "BLOCOH_<filial>_<AAAAMMDD>.txt".
std::string NomeArquivoBlocoH(int32_t filial, const plataforma::TDataHora& data);

}  // namespace efd
