#pragma once
// What the suite asked of the Windows shell: opening a web address (ShellExecute "open").
#include <string>

namespace plataforma {

// Hands the address to the user's default browser; the outcome is not examined.
void AbrirEndereco(const std::string& endereco);

}  // namespace plataforma
