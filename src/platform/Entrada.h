#pragma once
// BlockInput of the Windows shell: the suite releases the user's input before each message box.

namespace plataforma {

// Nothing blocks input on this platform, so releasing it is a no-op.
inline void BloquearEntrada(bool) {}

}  // namespace plataforma
