#pragma once
// --pdf: the book of each branch as PDF beside its register, the same sheets the viewer's "Salvar
// PDF" writes, drawn without a display; with --termos, between its opening and closing terms.
#include <memory>

#include "lote/ExecucaoLote.h"
#include "paginas/ArquivoTermos.h"
#include "paginas/PdfTexto.h"

// P7_<filial>_<AAAAMMDD>.pdf.
std::string NomeArquivoPdfLote(int32_t filial, const plataforma::TDataHora& data);

// The extra output of --pdf for one branch; `termos` null without --termos; `fonte` the register's
// font read before the run (paginas::LerFonteRegistro).
std::unique_ptr<ISaidaExtraLote> NovaSaidaPdf(std::shared_ptr<const paginas::TArquivoTermos> termos,
                                              std::shared_ptr<const paginas::TFonteTrueType> fonte);
