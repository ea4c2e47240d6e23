#pragma once
// The generation run behind "Gerar (F3)": parameters from the user's choices, branch data and
// stock rows from the window's session, the register composed and emitted, and the clean-up that
// always runs.
#include <functional>
#include <string>

#include "livro/RegistroP7.h"

class IDatabase;

// habilitarBotoes(false) disables the window's buttons once the rows are there, and
// habilitarBotoes(true) enables them again at the end, also after an error. Errors propagate
// after the clean-up.
void GerarRelatorio(IDatabase& banco, const TEscolhasGeracao& escolhas,
                    const std::function<void(bool)>& habilitarBotoes);
