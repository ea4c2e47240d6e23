#pragma once
// --conferir: each branch's book against the inventory filed in its EFD ICMS/IPI file (the one of
// the folder whose 0000 has the branch's CNPJ, found as --efd finds it), from the very lines the
// register lays: CONFERENCIA_<filial>_<AAAAMMDD>.csv beside the register and a line on standard
// error.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "efd/AberturaEfd.h"
#include "lote/ExecucaoLote.h"

// CONFERENCIA_<filial>_<AAAAMMDD>.csv.
std::string NomeArquivoConferencia(int32_t filial, const plataforma::TDataHora& data);

// The extra output of --conferir for one branch; `indice` is the index of --conferir's `pasta`.
std::unique_ptr<ISaidaExtraLote> NovaSaidaConferencia(std::shared_ptr<const efd::TIndiceEfd> indice,
                                                      const std::string& pasta);

// What a branch's comparison came to once its extra outputs are written: its line on standard
// error (UTF-8, the branch named) and how many differences it found.
struct TResultadoConferencia {
  std::string Linha;
  size_t Diferencas = 0;
};
// nullopt when none of the outputs compared (no --conferir, or the comparison failed).
std::optional<TResultadoConferencia> ResultadoConferencia(const std::vector<std::unique_ptr<ISaidaExtraLote>>& extras);
