#pragma once
// One branch's register from the user's choices to the written file, shared by the window's
// generation run and the year-end command so that both write the same bytes: the parameters as
// the choices give them, the branch's header data and rows, the composition, then the writer.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/ComposicaoP7.h"
#include "inventory/UInventarioP7Params.h"
#include "platform/Regional.h"

namespace dbclient {
class TConsulta;
}

struct TEscolhasGeracao {
  plataforma::TDataHora Data;
  bool CustoMedio = true;
  bool ConsiderarArredondamento = true;
  bool ConsiderarProdutoApagado = false;
  bool ConsiderarCadastradosAntesData = false;
  std::string FiltroGrupos, FiltroEspecificacoes;  // id lists of the filter dialog
};

// A filter list without the blanks and control characters at its ends.
std::string AparaListaIds(const std::string& lista);

// The run's parameters for a branch from the choices.
TParamsRelatorio ParametrosRelatorio(const TEscolhasGeracao& escolhas, int32_t filialId);

// What a written register holds, for reports of the run.
struct TResumoRegistroP7 {
  size_t Produtos = 0;
  int32_t Folhas = 0;
  int64_t TotalCentavos = 0;  // the grand total as printed
};

// Reads the branch's header data and rows into `linhas` (the caller frees them, and drops the
// temporary tables, in its clean-up), calls `aoLerLinhas` once they are there, then composes the
// register and hands the writer to `gravar`. Returns false, composing nothing, when there are no
// rows. `observador` is told of every line as it is laid.
bool ProduzirRegistroP7(const TParamsRelatorio& params, std::unique_ptr<dbclient::TConsulta>& linhas,
                        const std::function<void()>& aoLerLinhas, const std::function<void(TImpressao&)>& gravar,
                        IObservadorRegistroP7* observador = nullptr, TResumoRegistroP7* resumo = nullptr);
