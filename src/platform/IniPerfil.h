#pragma once
// Reading one value of an ini file by the private-profile rules the suite's programs rely on:
// section and key names without regard to case, the value without the blanks and tabs around it
// and without one enclosing pair of quotes, at most 2047 characters, the default when the file,
// section or key is missing. The first section and the first key of a name win.
#include <string>

namespace plataforma {

constexpr std::size_t kTamanhoBufferPerfil = 2048;

std::string LerPerfilPrivado(const std::string& secao, const std::string& chave, const std::string& padrao,
                             const std::string& arquivo);

}  // namespace plataforma
