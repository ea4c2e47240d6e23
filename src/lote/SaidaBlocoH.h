#pragma once
// --bloco-h: the EFD ICMS/IPI block H of each branch, filled from the lines of its register as
// they are laid and written beside it by the register's safe write.
#include "lote/ExecucaoLote.h"
#include "lote/OpcoesLote.h"

// The extra outputs of --bloco-h (one block H per branch) for the options' motive and account.
TFabricaSaidasExtras FabricaSaidasBlocoH(const TOpcoesLote& opcoes);
