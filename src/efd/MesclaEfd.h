#pragma once
// The branch's complete EFD ICMS/IPI file (made by the company's fiscal system) with the inventory
// put in: the fragment's 0190/0200 that the file lacks, block H replaced or added, every counter
// recomputed, every other line kept byte for byte. One pass over the original, with memory that
// does not grow with it (only block 0's units and codes of interest and the counters are held).
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "efd/AberturaEfd.h"
#include "efd/BlocoH.h"

namespace efd {

// Receives the merged file in order, piece by piece; a piece lives only during the call.
using TSaidaEfd = std::function<void(std::string_view)>;

// Streams `original` merged with `bloco` into `saida` and returns the warnings (Windows-1252,
// without the branch). Throws EArquivoEfd when the original cannot be read or merged (no 9999, a
// line that is not "|...|", bytes that are not ISO-8859-1 text, a period that ends before the
// stock date, a block H out of its place, a 0200 whose UNID_INV differs from the inventory's
// unit, ...); what `saida` received until then must be thrown away.
std::vector<std::string> MesclarEfd(const std::filesystem::path& original, const TPartesBlocoH& bloco,
                                    const TSaidaEfd& saida);

}  // namespace efd
