#pragma once
// The generation run behind "Gerar (F3)": parameters from the user's choices, branch data and
// stock rows from the database, the register composed and emitted, and the clean-up that always
// runs.
#include <functional>
#include <string>

#include "platform/Regional.h"

struct TEscolhasGeracao {
  plataforma::TDataHora Data;
  bool CustoMedio = true;
  bool ConsiderarArredondamento = true;
  bool ConsiderarProdutoApagado = false;
  bool ConsiderarCadastradosAntesData = false;
  std::string FiltroGrupos, FiltroEspecificacoes;  // id lists of the filter dialog
};

// habilitarBotoes(false) disables the window's buttons once the rows are there, and
// habilitarBotoes(true) enables them again at the end, also after an error. Errors propagate
// after the clean-up.
void GerarRelatorio(const TEscolhasGeracao& escolhas, const std::function<void(bool)>& habilitarBotoes);

// A filter list without the blanks and control characters at its ends.
std::string AparaListaIds(const std::string& lista);
