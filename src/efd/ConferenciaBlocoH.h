#pragma once
// Does the inventory filed in a complete EFD ICMS/IPI file agree with the book? The H005 of the
// stock date and its H010s against the book's detail lines, item by item (COD_ITEM against the
// product id in the form block H of this program writes), and the totals. The file is read by the
// same reader as the merge; no tolerance: equal is equal to the cent and to the book's quantity.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Regional.h"

namespace efd {

// One detail line of the book, in the form block H writes it.
struct TItemLivro {
  std::string Codigo;      // COD_ITEM: the product id as a text field
  std::string Descricao;   // the book's (Windows-1252), for the report
  std::string Unidade;     // UNID (UnidadeEfd)
  int64_t Quantidade = 0;  // ten-thousandths, as the book prints it
  int64_t Centavos = 0;    // the line value as the book prints it
};

// A code on one side only, or a pair of lines whose unit, quantity or value differ.
struct TDiferencaBlocoH {
  std::string Codigo;
  // The book's, else the file's 0200 of the code (both Windows-1252: the file holds ISO-8859-1
  // text only); "" when neither has one.
  std::string Descricao;
  bool NoLivro = false, NoBloco = false;
  std::string UnidadeLivro, UnidadeBloco;
  int64_t QuantidadeLivro = 0, QuantidadeBloco = 0;  // ten-thousandths
  int64_t CentavosLivro = 0, CentavosBloco = 0;
  int64_t Diferenca = 0;  // of the value: the book's less block H's (a side without the line counts 0)
  bool UnidadeDifere = false, QuantidadeDifere = false, ValorDifere = false;
};

struct TConferenciaBlocoH {
  size_t Itens = 0;                          // the book's lines and the H010s that no book line takes
  std::vector<TDiferencaBlocoH> Diferencas;  // in product order
  // Cents: the book's total, the sum of the H010s' VL_ITEM, H005's VL_INV, and their differences.
  int64_t TotalLivro = 0, SomaItens = 0, ValorInventario = 0;
  int64_t LivroMenosSoma = 0, LivroMenosInventario = 0, InventarioMenosSoma = 0;
  // Lines that differ, and VL_INV against the sum of VL_ITEM (which no item shows).
  size_t QuantasDiferencas() const { return Diferencas.size() + (InventarioMenosSoma != 0 ? 1 : 0); }
};

// Compares the file's inventory (H005) of the stock date with the book's lines and total. Lines
// pair by COD_ITEM in order of appearance (the second H010 of a code with its second book line).
// EArquivoEfd when the file cannot be read (the reader's refusals), has no inventory of the date
// (the message lists the dates it has) or more than one, or a QTD, VL_ITEM or VL_INV that is no
// number of the layout (naming its line).
TConferenciaBlocoH ConferirBlocoH(const std::filesystem::path& arquivo, const plataforma::TDataHora& data,
                                  const std::vector<TItemLivro>& livro, int64_t totalLivro);

}  // namespace efd
