#pragma once
// Addresses of the suite's knowledge-base articles.
#include <cstdint>
#include <string>

class TConstantesKotClass {
 public:
  TConstantesKotClass() = delete;
  // Host of the knowledge-base server, fixed at build time (cache variable P7_ENDERECO_AJUDA).
  static std::string EnderecoServidor();
  // "https://<host>/pages/viewpage.action?pageId=<pagina>".
  static std::string LinkArtigo(int64_t pagina);
};
