#include "livro/BlocoHRegistro.h"

void TObservadorBlocoH::Linha(const TLinhaP7& linha, plataforma::TMoeda quantidade, plataforma::TMoeda unitario,
                              int64_t centavosLinha) {
  // The views die after this call: Acrescentar copies what it keeps.
  efd::TItemInventario item;
  item.CodItem = linha.ProdutoId;
  item.Descricao = linha.Descricao;  // whole, not cut to the register's column
  item.Barras = linha.Barras;
  item.Unidade = linha.Unidade;
  item.Ncm = linha.Ncm;
  item.Quantidade = quantidade;
  item.Unitario = unitario;
  item.CentavosLinha = centavosLinha;
  bloco_.Acrescentar(item);
}

void TObservadorBlocoH::Total(int64_t centavos) { bloco_.Total(centavos); }
