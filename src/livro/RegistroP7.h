#pragma once
// One branch's register from the user's choices to the written file, shared by the window's
// generation run and the year-end command so that both write the same bytes: the parameters as
// the choices give them, the branch's header data and rows, the composition, then the writer.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "inventory/UInventarioP7Dao.h"
#include "inventory/UInventarioP7Params.h"
#include "livro/ComposicaoP7.h"
#include "platform/Regional.h"

class IDatabase;
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

// One branch's run on the session it is given: it owns the rows it reads and the temporary tables
// the pipeline builds on the session's connection, and frees both when it goes, on every path.
class TExecucaoRegistroP7 {
 public:
  TExecucaoRegistroP7(IDatabase& banco, const TParamsRelatorio& params,
                      TLeituraMovimentos leitura = TLeituraMovimentos::Janela);
  ~TExecucaoRegistroP7();
  TExecucaoRegistroP7(const TExecucaoRegistroP7&) = delete;
  TExecucaoRegistroP7& operator=(const TExecucaoRegistroP7&) = delete;

  // Reads the branch's header data and rows, calls `aoLerLinhas` once they are there, then
  // composes the register and hands the writer to `gravar`. Returns false, composing nothing,
  // when there are no rows. `observador` is told of every line as it is laid. Errors propagate
  // (a failed statement of the script as dbclient::EErroScript); the run still owns what it made.
  bool Produzir(const std::function<void()>& aoLerLinhas, const std::function<void(TImpressao&)>& gravar,
                IObservadorRegistroP7* observador = nullptr, TResumoRegistroP7* resumo = nullptr);

  // Frees the rows, then drops the temporary tables while the connection lives (over a lost one
  // they went with it). Returns the messages of the drops that failed, for the caller to show or
  // record. Runs once; the destructor runs it when nobody did, and then drops its messages.
  std::vector<std::string> Encerrar();

  IDatabase& Banco() const { return banco_; }
  // The branch's header data as Produzir read them (blank before, or when the branch has no row).
  const TFilial& DadosFilial() const { return filial_; }

 private:
  IDatabase& banco_;
  TParamsRelatorio params_;
  TLeituraMovimentos leitura_;
  TFilial filial_;
  std::unique_ptr<dbclient::TConsulta> linhas_;
  bool encerrada_ = false;
};
