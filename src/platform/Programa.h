#pragma once
// The program's own file and folder. Tests point the folder elsewhere through the seam below.
#include <string>

namespace plataforma {

// Full path of the running executable.
std::string CaminhoExecutavel();
// The program's folder, ending with its separator ("/opt/p7/bin/").
std::string PastaPrograma();
// Test seam: make PastaPrograma() answer this folder (a trailing separator is added when missing);
// the empty text goes back to the executable's folder.
void DefinirPastaPrograma(const std::string& pasta);

}  // namespace plataforma
