#pragma once
// The year-end run: --paralelo sessions on each server, each taking the next branch in id order
// as it becomes free and running the window's pipeline, composition and safe write into
// P7_<filial>_<AAAAMMDD>.txt on its own connection, the temporary tables dropped after each
// branch; a line per branch as it ends, a closing summary on standard error and in
// RESUMO_<AAAAMMDD>.csv.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "livro/ComposicaoP7.h"
#include "lote/OpcoesLote.h"

// Further files of a branch made from the same rows as its register (block H of the EFD ICMS/IPI,
// the branch's EFD file with it): told of every line as the register lays it, then written beside
// it. Written only after the register itself, never when the register failed; a branch without
// rows has no register but still gets its extra files (with no lines).
class ISaidaExtraLote : public IObservadorRegistroP7 {
 public:
  // Writes the files for the stock date into `pasta` (ending with its separator) by the safe
  // write, for the branch whose header data are `dados`; returns their names in order. An error
  // fails the branch.
  virtual std::vector<std::string> Gravar(const std::string& pasta, int32_t filial, const plataforma::TDataHora& data,
                                          const TFilial& dados) = 0;
  // Lines for standard error once the files are written (Windows-1252, without the branch).
  virtual std::vector<std::string> Avisos() const = 0;
  // What the files hold for a branch without rows, for its line on standard error (UTF-8).
  virtual std::string NotaSemLinhas() const = 0;
};
// Makes the extra outputs of one branch; called from the session that runs it.
using TFabricaSaidasExtras = std::function<std::vector<std::unique_ptr<ISaidaExtraLote>>(int32_t filial)>;

// A field of the command's CSV files: quoted when it holds the separator, a quote or a line break.
std::string CampoCsv(const std::string& t);

// Exit codes.
constexpr int SaidaOk = 0, SaidaFalha = 1, SaidaUso = 2;

// The register's file name of a branch at a date: P7_<filial>_<AAAAMMDD>.txt.
std::string NomeArquivoLote(int32_t filial, const plataforma::TDataHora& data);

// The run's summary file in the output folder: RESUMO_<AAAAMMDD>.csv.
std::string NomeArquivoResumoLote(const plataforma::TDataHora& data);

// Runs the command for options already read; returns the exit code. `erro` receives the lines
// (UTF-8); `progresso` turns on the progress line (standard error is a terminal).
int ExecutarLote(const TOpcoesLote& opcoes, std::FILE* erro, bool progresso,
                 const TFabricaSaidasExtras& saidasExtras = {});

// The whole command from its arguments, as main() calls it.
int ExecutarLinhaComandoLote(const std::vector<std::string>& argumentos, std::FILE* saida, std::FILE* erro,
                             bool progresso);
