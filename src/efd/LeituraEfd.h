#pragma once
// A complete EFD ICMS/IPI file read record by record, the one way every reader of ours takes it
// (the merge, the check of block H against the book): lines end at LF or CR LF, bytes that are no
// ISO-8859-1 text and lines that are no record are refused naming their line, the first line is a
// 0000 and the 9999 is the last record (what follows it, a signature, is not read as records).
// One pass, 4 MiB at a time; a line may grow the buffer up to 64 MiB.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "efd/AberturaEfd.h"

namespace efd {

// One record as read; both views live until the next call of Proxima.
struct TLinhaEfd {
  std::string_view Linha;     // with its line end (the file's last line may have none)
  std::string_view Conteudo;  // "|REG|...|", without the line end
  std::string_view Registro() const { return Conteudo.substr(1, 4); }
};

class TLeitorEfd {
 public:
  // EArquivoEfd when the file cannot be opened.
  explicit TLeitorEfd(const std::filesystem::path& arquivo);

  // The next record; false after the 9999. EArquivoEfd (Recusar) for a file that ends without it
  // (incomplete), a first line that is no 0000, a byte that is no ISO-8859-1 text, a line that
  // does not start and end with "|" or has no 4-character record type, a line over 64 MiB, or a
  // read error.
  bool Proxima(TLinhaEfd& linha);
  // Called before the bytes of earlier lines move in the buffer, so that views of them can be
  // handed on first.
  std::function<void()> AntesDeMover;

  // Lines read so far; the number of the last one.
  size_t NumeroLinha() const { return numeroLinha_; }

  // What follows the 9999 (read to the end of the file): how many bytes, and whether they are only
  // blank lines.
  struct TResto {
    size_t Bytes = 0;
    bool SoBrancos = true;
  };
  TResto LerResto();

  // "arquivo EFD \"...\" recusado: " and the reason (Windows-1252).
  [[noreturn]] void Recusar(const std::string& motivo) const;
  // "a linha N": the last line read.
  std::string NaLinha() const { return "a linha " + std::to_string(numeroLinha_); }
  const std::string& Nome() const { return nome_; }

 private:
  [[noreturn]] void FalharLeitura(int erro) const;
  [[noreturn]] void ByteInvalido(const char* linha, const char* byte) const;
  void Validar(std::string_view conteudo) const;
  bool Entregar(TLinhaEfd& linha, size_t conteudo, size_t fimLinha);
  void Ler();

  std::string nome_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> arquivo_;
  std::vector<char> buffer_;
  size_t inicio_ = 0, fim_ = 0, numeroLinha_ = 0;
  bool acabou_ = false, terminou_ = false;
};

}  // namespace efd
