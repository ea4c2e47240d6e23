#include "BlocoLinhas.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t MaiorPedaco = size_t(2) << 20;

// Pieces of the largest size are aligned to 2 MiB and marked for huge pages where the system
// has them: a register of 100k products otherwise takes thousands of page faults to fill.
char* NovoPedaco(size_t tamanho) {
  if (tamanho == MaiorPedaco) {
    if (void* p = std::aligned_alloc(MaiorPedaco, MaiorPedaco)) {
#ifdef MADV_HUGEPAGE
      (void)::madvise(p, MaiorPedaco, MADV_HUGEPAGE);
#endif
      return static_cast<char*>(p);
    }
  } else if (void* p = std::malloc(tamanho)) {
    return static_cast<char*>(p);
  }
  throw std::bad_alloc();
}

}  // namespace

void TBlocoLinhas::TLiberar::operator()(char* p) const { std::free(p); }

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
    pedacos_.emplace_back(NovoPedaco(tamanho));
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
      nova.texto = Reservar(nova.tamanho);
      std::memset(nova.texto, ' ', coluna);
      if (!texto.empty()) std::memcpy(nova.texto + coluna, texto.data(), texto.size());
    }
    linhas_.push_back(nova);
    return;
  }
  TLinha& l = linhas_[linha - 1];
  if (coluna + texto.size() > l.tamanho) {
    size_t novo = coluna + texto.size() + 1;
    if (l.texto != nullptr && l.texto + l.tamanho == livre_ && novo - l.tamanho <= resta_) {
      Reservar(novo - l.tamanho);  // the line is the last one of its piece: it grows in place
    } else {
      // Moved to fresh room; the old characters are left unused. Only lines written again after
      // later ones come here, which the register never does.
      char* p = Reservar(novo);
      if (l.tamanho > 0) std::memcpy(p, l.texto, l.tamanho);
      l.texto = p;
    }
    std::memset(l.texto + l.tamanho, ' ', novo - l.tamanho);
    l.tamanho = novo;
  }
  if (!texto.empty()) std::memmove(l.texto + coluna, texto.data(), texto.size());
}

std::vector<std::string> TBlocoLinhas::Copia() const {
  std::vector<std::string> r;
  r.reserve(linhas_.size());
  for (size_t i = 0; i < linhas_.size(); ++i) r.emplace_back((*this)[i]);
  return r;
}
