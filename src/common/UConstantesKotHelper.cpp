#include "common/UConstantesKotHelper.h"

#ifndef P7_ENDERECO_AJUDA
#define P7_ENDERECO_AJUDA "ajuda.exemplo.com.br"
#endif

std::string TConstantesKotClass::EnderecoServidor() { return P7_ENDERECO_AJUDA; }

std::string TConstantesKotClass::LinkArtigo(int64_t pagina) {
  return "https://" + EnderecoServidor() + "/pages/viewpage.action?pageId=" + std::to_string(pagina);
}
