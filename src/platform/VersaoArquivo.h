#pragma once
// File version information. A program of ours carries a fixed version record (the same layout as
// the fixed file information of a Windows version resource: signature 0xFEEF04BD, structure
// version 0x00010000, then the two 32-bit file version words); the reader finds it in the file.
#include <cstdint>
#include <string>

namespace plataforma {

struct TVersaoFixa {
  uint32_t dwSignature;
  uint32_t dwStrucVersion;
  uint32_t dwFileVersionMS;
  uint32_t dwFileVersionLS;
};

// The record of the given file; false when the file cannot be read or carries none.
bool LerVersaoFixa(const std::string& arquivo, TVersaoFixa& versao);

}  // namespace plataforma

// Defines the version record of a program; the macro keeps it in the binary.
#define P7_DEFINIR_VERSAO_ARQUIVO(maj, min, rel, bld)                                    \
  extern "C" __attribute__((used)) const plataforma::TVersaoFixa p7VersaoArquivoFixa = { \
      0xFEEF04BDu, 0x00010000u, (uint32_t(maj) << 16) | uint32_t(min), (uint32_t(rel) << 16) | uint32_t(bld)}
