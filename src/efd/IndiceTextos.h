#pragma once
// A set of texts that live elsewhere, held by their numbers: open addressing over 32-bit numbers,
// a few bytes per text, for the million codes of a large branch.
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace efd {

// Texto(numero) gives the text of a number, and must stay valid while the index lives.
template <class FTexto>
class TIndiceTextos {
 public:
  TIndiceTextos(size_t quantos, FTexto texto) : texto_(std::move(texto)) {
    size_t n = 16;
    while (n < 2 * quantos) n *= 2;
    posicoes_.assign(n, Vazio);
  }

  // Puts the number in, unless an equal text is there: then that one's number.
  std::optional<uint32_t> Inserir(uint32_t numero) {
    const std::string_view t = texto_(numero);
    size_t p = Posicao(t);
    for (; posicoes_[p] != Vazio; p = (p + 1) & (posicoes_.size() - 1))
      if (texto_(posicoes_[p]) == t) return posicoes_[p];
    posicoes_[p] = numero;
    return std::nullopt;
  }
  std::optional<uint32_t> Procurar(std::string_view t) const {
    for (size_t p = Posicao(t); posicoes_[p] != Vazio; p = (p + 1) & (posicoes_.size() - 1))
      if (texto_(posicoes_[p]) == t) return posicoes_[p];
    return std::nullopt;
  }

 private:
  static constexpr uint32_t Vazio = UINT32_MAX;
  size_t Posicao(std::string_view t) const { return std::hash<std::string_view>{}(t) & (posicoes_.size() - 1); }
  FTexto texto_;
  std::vector<uint32_t> posicoes_;
};

}  // namespace efd
