#pragma once
// --bloco-h: the EFD ICMS/IPI block H of each branch, filled from the lines of its register as
// they are laid and written beside it by the register's safe write; with --efd, also the branch's
// complete EFD file with that inventory put in.
#include <memory>

#include "efd/AberturaEfd.h"
#include "lote/ExecucaoLote.h"
#include "lote/OpcoesLote.h"

// The one file of an EFD folder (`pasta`, by its index) whose 0000 has the branch's CNPJ;
// EArquivoEfd, naming the CNPJ and the folder, when there is none or more than one.
std::filesystem::path ArquivoEfdDaFilial(const efd::TIndiceEfd& indice, const std::string& pasta, const TFilial& dados);

// EFD_<filial>_<AAAAMMDD>.txt.
std::string NomeArquivoEfdLote(int32_t filial, const plataforma::TDataHora& data);

// The extra outputs of --bloco-h (one block H per branch) for the options' motive and account;
// `efd` is the index of --efd's folder, or null without it.
TFabricaSaidasExtras FabricaSaidasBlocoH(const TOpcoesLote& opcoes, std::shared_ptr<const efd::TIndiceEfd> efd = {});
