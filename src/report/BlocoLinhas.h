#pragma once
// The lines of one block of the report kept one after another in large pieces of memory, each
// followed by its CR LF, not one allocation per line: a register of a million products has a
// million lines, and freeing them one by one cost as much as writing the file. The writer sends
// runs of lines straight from here to the file.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TBlocoLinhas {
 public:
  size_t size() const { return linhas_.size(); }
  bool empty() const { return linhas_.empty(); }
  std::string_view operator[](size_t i) const { return {linhas_[i].texto, linhas_[i].tamanho}; }
  void reserve(size_t linhas) { linhas_.reserve(linhas); }
  void swap(TBlocoLinhas& outro) noexcept;

  // Puts the text at positions coluna + 1 .. coluna + length of line `linha` (from 1). Missing
  // lines before it are empty; a new line starts with `coluna` blanks; an existing line that the
  // text reaches beyond grows to one blank past the text.
  void Escrever(std::string_view texto, size_t linha, size_t coluna);

  // The line followed by CR LF, as it goes into the file. Lines written one after another lie one
  // after another in memory, so a run of them can be written at once.
  std::string_view ComFimDeLinha(size_t i) const;

  std::vector<std::string> Copia() const;

 private:
  struct TLinha {
    char* texto = nullptr;
    size_t tamanho = 0;
  };
  // Room for n characters; pieces are never moved, so earlier lines stay where they are.
  char* Reservar(size_t n);
  static void FimDeLinha(TLinha& l) {
    l.texto[l.tamanho] = '\r';
    l.texto[l.tamanho + 1] = '\n';
  }

  std::vector<TLinha> linhas_;
  struct TLiberar {
    size_t tamanho = 0;
    void operator()(char* p) const;
  };
  std::vector<std::unique_ptr<char, TLiberar>> pedacos_;
  char* livre_ = nullptr;
  size_t resta_ = 0;
  size_t proximoPedaco_ = 4096;
};
