#pragma once
// The inventory as the tax authority receives it: the records 0190 and 0200 that it names and the
// whole block H of the EFD ICMS/IPI, built from the rows of the register so that the file and the
// book agree by construction. On its own it is not a complete EFD file (the database has no
// address, city code or period data for 0000/0005 and the rest of block 0): efd/MesclaEfd.h puts
// its records into the branch's complete file.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
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

// One 0200 of the fragment: the record with its CR LF, and the fields the merge compares.
struct TRegistro0200 {
  std::string_view Registro, Codigo, Descricao, Unidade;
};

// The fragment file and where its records lie in it, so that the merge can place them apart.
struct TPartesBlocoH {
  std::string Bytes;  // 0190s, 0200s, H001, H005, H010s, H990; CR LF after every record
  plataforma::TDataHora Data;
  std::string DataInventario;  // DT_INV, ddmmaaaa
  std::string Conta;           // COD_CTA as written (empty without an account)
  size_t ItensInventario = 0;  // H010 records

  size_t Quantidade0190() const { return limites0190_.size() - 1; }
  std::string_view Registro0190(size_t i) const { return Trecho(limites0190_[i], limites0190_[i + 1]); }
  size_t Quantidade0200() const { return limites0200_.size() - 1; }
  TRegistro0200 Registro0200(size_t i) const;
  // COD_ITEM of the 0200 number i, without reading its other fields.
  std::string_view Codigo0200(size_t i) const;
  // H005 and its H010s, as in the fragment.
  std::string_view Inventario() const { return Trecho(inicioH005_, inicioH990_); }

 private:
  friend class TBlocoH;
  std::string_view Trecho(size_t inicio, size_t fim) const {
    return std::string_view(Bytes).substr(inicio, fim - inicio);
  }
  std::vector<size_t> limites0190_{0}, limites0200_{0};  // where each record starts, then the end
  size_t inicioH005_ = 0, inicioH990_ = 0;
};

// Collects the register's lines in order and writes the records.
class TBlocoH {
 public:
  // Keeps a cleaned copy of the texts and the numbers of one detail line.
  void Acrescentar(const TItemInventario& item);
  // The register's grand total in cents (VL_INV). Without it the sum of the lines is used, which
  // is what the register prints; with it, a difference from that sum is an error.
  void Total(int64_t centavos) { total_ = centavos; }

  // The records for the stock date, the motive of the inventory (only 01, see ValidarMotivo) and
  // the account code of COD_CTA (Windows-1252, may be empty). Throws EBlocoH for an invalid motive
  // or account, a total that disagrees with the lines, rows with a negative number (the layout's
  // numbers carry no sign) and rows that add up to zero (H010 is not given with VL_INV zero).
  TPartesBlocoH Montar(const plataforma::TDataHora& data, std::string_view motivo = "01",
                       std::string_view contaContabil = "") const;
  // The bytes of the fragment file (ISO-8859-1, CR LF after every record): Montar(...).Bytes.
  std::string Gerar(const plataforma::TDataHora& data, std::string_view motivo = "01",
                    std::string_view contaContabil = "") const;

  // One line per product and field written by a fallback (no description, no unit) and one per
  // unit cut to six characters, in register order (Windows-1252), for standard error.
  const std::vector<std::string>& Avisos() const { return avisos_; }

 private:
  struct TLinha {
    size_t Inicio;                // the cleaned texts in textos_, each ended by '\0'
    int64_t QuantidadeMilesimos;  // QTD, already rounded to three decimals
    int64_t Unitario;             // ten-thousandths
    int64_t Centavos;
  };
  std::string textos_;
  std::vector<TLinha> linhas_;
  std::vector<std::string> avisos_;
  std::unordered_set<std::string> unidadesCortadas_;
  std::vector<std::string> negativos_;  // the first ones, as the failure names them
  size_t quantosNegativos_ = 0;
  int64_t somaCentavos_ = 0;
  std::optional<int64_t> total_;
};

// "" when the motive can be written (only 01: 02 to 05 need H020 and 06 needs H030 under every
// H010, and the database has no ICMS data for them), else the reason for a usage error.
std::string ValidarMotivo(std::string_view motivo);
// "" when the account code (Windows-1252) makes a non-empty COD_CTA of at most 255 characters,
// else the reason for a usage error.
std::string ValidarContaContabil(std::string_view conta);

// A Windows-1252 text as an EFD text field: the bytes ISO-8859-1 lacks mapped or removed, "|"
// to "/", control characters to blanks, blanks trimmed at both ends.
std::string TextoEfd(std::string_view w1252);

// A unit of the suite (Windows-1252) as UNID of 0190 and H010: the text field cut to six
// characters, UN for none.
std::string UnidadeEfd(std::string_view w1252);

// Field n of a record "|REG|F2|...|" (n = 1 is REG), with or without its line end; empty when the
// record has fewer fields.
std::string_view CampoEfd(std::string_view registro, size_t n);

// The places of the fields the program reads, as the record tables number them (REG is 1).
namespace campo {
constexpr size_t CodVer0000 = 2, CodFin0000 = 3, DtIni0000 = 4, DtFin0000 = 5, Cnpj0000 = 7, IndPerfil0000 = 14;
constexpr size_t Unid0190 = 2;
constexpr size_t CodItem0200 = 2, DescrItem0200 = 3, UnidInv0200 = 6;
constexpr size_t DtInvH005 = 2, VlInvH005 = 3;
constexpr size_t CodItemH010 = 2, UnidH010 = 3, QtdH010 = 4, VlItemH010 = 6;
constexpr size_t QtdLinX990 = 2;  // X990, 9990 and 9999 alike
constexpr size_t RegBlc9900 = 2, QtdRegBlc9900 = 3;
}  // namespace campo

// "ddmmaaaa", as DT_INV and the dates of 0000 are written.
std::string DataEfd(const plataforma::TDataHora& data);

// "BLOCOH_<filial>_<AAAAMMDD>.txt".
std::string NomeArquivoBlocoH(int32_t filial, const plataforma::TDataHora& data);

}  // namespace efd
