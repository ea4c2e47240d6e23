#pragma once
// Hands every detail line of the register, as it is laid, to the block H of the same rows, so
// that the EFD records and the book agree by construction. No widgets.
#include "livro/ComposicaoP7.h"
#include "efd/BlocoH.h"

class TObservadorBlocoH : public IObservadorRegistroP7 {
 public:
  explicit TObservadorBlocoH(efd::TBlocoH& bloco) : bloco_(bloco) {}
  void Linha(const TLinhaP7& linha, plataforma::TMoeda quantidade, plataforma::TMoeda unitario,
             int64_t centavosLinha) override;
  void Total(int64_t centavos) override;

 private:
  efd::TBlocoH& bloco_;
};
