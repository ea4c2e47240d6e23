#pragma once
// What the suite asked of the Windows shell: blocking user input and opening a web address.
#include <string>

namespace plataforma {

// BlockInput: nothing blocks input on this platform, so releasing it is a no-op.
void BloquearEntrada(bool bloquear);

// Hands the address to the user's default browser; the outcome is not examined.
void AbrirEndereco(const std::string& endereco);

}  // namespace plataforma
