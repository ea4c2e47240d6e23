#include "report/BlocoLinhas.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr size_t MaiorPedaco = size_t(2) << 20;

// Large pieces come straight from the system with their pages already mapped: filling them one
// page fault at a time took about a quarter of the time of composing a large register.
char* NovoPedaco(size_t tamanho) {
  if (tamanho < MaiorPedaco) return new char[tamanho];  // left uninitialised: every byte is written before use
  int opcoes = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_POPULATE
  opcoes |= MAP_POPULATE;
#endif
  void* m = ::mmap(nullptr, tamanho, PROT_READ | PROT_WRITE, opcoes, -1, 0);
  if (m == MAP_FAILED) throw std::bad_alloc();
  return static_cast<char*>(m);
}

}  // namespace

void TBlocoLinhas::TLiberar::operator()(char* p) const {
  if (tamanho >= MaiorPedaco)
    ::munmap(p, tamanho);
  else
    delete[] p;
}

void TBlocoLinhas::swap(TBlocoLinhas& outro) noexcept {
  linhas_.swap(outro.linhas_);
  pedacos_.swap(outro.pedacos_);
  std::swap(livre_, outro.livre_);
  std::swap(resta_, outro.resta_);
  std::swap(proximoPedaco_, outro.proximoPedaco_);
}

char* TBlocoLinhas::Reservar(size_t n) {
  if (n > resta_) {
    // Small blocks (a page header) stay small; large ones grow to 2 MiB pieces. A line never
    // spans two pieces.
    size_t tamanho = std::max(proximoPedaco_, n);
    proximoPedaco_ = std::min(proximoPedaco_ * 2, MaiorPedaco);
    // Room first, so that a failing vector cannot lose a piece already taken.
    if (pedacos_.size() == pedacos_.capacity()) pedacos_.reserve(2 * pedacos_.size() + 8);
    pedacos_.emplace_back(NovoPedaco(tamanho), TLiberar{tamanho});
    livre_ = pedacos_.back().get();
    resta_ = tamanho;
  }
  char* p = livre_;
  livre_ += n;
  resta_ -= n;
  return p;
}

void TBlocoLinhas::Escrever(std::string_view texto, size_t linha, size_t coluna) {
  if (linha == 0) return;
  if (linhas_.size() < linha) {
    linhas_.resize(linha - 1);
    TLinha nova;
    nova.tamanho = coluna + texto.size();
    if (nova.tamanho > 0) {
      nova.texto = Reservar(nova.tamanho + 2);
      std::memset(nova.texto, ' ', coluna);
      if (!texto.empty()) std::memcpy(nova.texto + coluna, texto.data(), texto.size());
      FimDeLinha(nova);
    }
    linhas_.push_back(nova);
    return;
  }
  TLinha& l = linhas_[linha - 1];
  if (coluna + texto.size() > l.tamanho) {
    size_t novo = coluna + texto.size() + 1;
    if (l.texto != nullptr && l.texto + l.tamanho + 2 == livre_ && novo - l.tamanho <= resta_) {
      Reservar(novo - l.tamanho);  // the line is the last one of its piece: it grows in place
    } else {
      // Moved to fresh room; the old characters stay as they were, unused. Only lines written
      // again after later ones come here, which the register never does.
      char* p = Reservar(novo + 2);
      if (l.tamanho > 0) std::memcpy(p, l.texto, l.tamanho);
      l.texto = p;
    }
    std::memset(l.texto + l.tamanho, ' ', novo - l.tamanho);
    l.tamanho = novo;
    FimDeLinha(l);
  }
  if (!texto.empty()) std::memmove(l.texto + coluna, texto.data(), texto.size());
}

std::string_view TBlocoLinhas::ComFimDeLinha(size_t i) const {
  const TLinha& l = linhas_[i];
  if (l.texto == nullptr) return "\r\n";
  return {l.texto, l.tamanho + 2};
}

std::vector<std::string> TBlocoLinhas::Copia() const {
  std::vector<std::string> r;
  r.reserve(linhas_.size());
  for (size_t i = 0; i < linhas_.size(); ++i) r.emplace_back((*this)[i]);
  return r;
}
