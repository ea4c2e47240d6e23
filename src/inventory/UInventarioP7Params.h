#pragma once
// The parameters of one register run and the branch's header data.
#include <cstdint>
#include <string>

#include "platform/Regional.h"

struct TParamsRelatorio {
  int32_t FilialId = 0;
  std::string Grupos;                 // decimal ids separated by ","; "" = no group filter
  std::string Especificacoes;         // same form; "" = no especificação filter
  plataforma::TDataHora DataEstoque;  // only the calendar date is used
  bool ConsiderarProdutoApagado = false;
  bool ConsiderarCadastradosAntesData = false;
  bool ConsiderarArredondamento = true;
  bool PrecoCompra = false;  // false: average cost
};

struct TFilial {
  std::string Cnpj;
  std::string RazaoSocial;
  std::string InscricaoEstadual;
};
