#pragma once
// The generation run behind "Gerar (F3)": parameters from the user's choices, branch data and
// stock rows from the database, the register composed and emitted, and the clean-up that always
// runs.
#include <functional>
#include <string>

#include "app/RegistroP7.h"

// habilitarBotoes(false) disables the window's buttons once the rows are there, and
// habilitarBotoes(true) enables them again at the end, also after an error. Errors propagate
// after the clean-up.
void GerarRelatorio(const TEscolhasGeracao& escolhas, const std::function<void(bool)>& habilitarBotoes);

