#pragma once
// The one safe write of every file the programs make (the register, block H, the merged EFD, the
// PDFs, the summaries): a temporary file beside the destination, fsync, rename, then the folder
// synced; and the registry of the temporary files under way, for the signal handlers. Below
// everything that writes files; no Qt.
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The report file could not be written; Codigo is the system's error number.
class EErroRelatorio : public std::runtime_error {
 public:
  EErroRelatorio(const std::string& mensagem, int codigo) : std::runtime_error(mensagem), Codigo(codigo) {}
  int Codigo;
};

// For a handler of a signal (SIGINT, SIGTERM, SIGHUP...) that is about to end the process:
// removes the temporary files of every report being written, on any thread, so no half file stays
// behind. Async-signal-safe.
void ApagarRelatorioTemporarioEmCurso() noexcept;

// The files the process reads while it writes (the EFD originals, the terms file): the safe write
// refuses to put a file in place of any of them, by whatever path it is named. Replaces the
// earlier list; set before any write starts.
void ProtegerArquivosLidos(std::vector<std::string> caminhos);

// Writes the bytes to `caminho` by the report's safe write (temporary file beside it, fsync,
// rename; an earlier file without any write bit refused, and so is a file the process reads), for
// other files made beside a report; the signal handler above removes its temporary file too.
// EErroRelatorio when it cannot be written.
void GravarArquivoSeguro(const std::string& caminho, std::string_view bytes);

// The same safe write for a file made piece by piece, too large to be held whole: the pieces go to
// the temporary file as they come, and Concluir puts it in place. Without Concluir (an error, an
// exception) the temporary file goes and an earlier file stays as it was.
class TGravacaoSegura {
 public:
  explicit TGravacaoSegura(const std::string& caminho);  // EErroRelatorio when it cannot be opened
  ~TGravacaoSegura();
  TGravacaoSegura(const TGravacaoSegura&) = delete;
  TGravacaoSegura& operator=(const TGravacaoSegura&) = delete;
  void Acrescentar(std::string_view bytes);  // copied; EErroRelatorio on a write error
  // Not copied: the bytes must stay as they are until Concluir (a large file's own memory goes
  // out in one writev per IOV_MAX runs, never through a buffer).
  void AcrescentarSemCopia(std::string_view bytes);
  void Concluir();

 private:
  struct TEstado;
  std::string caminho_;
  std::unique_ptr<TEstado> estado_;
};
