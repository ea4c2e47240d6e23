#pragma once
// The window side of Utils: the program's version text and the two message boxes of the
// windows. Texts are Windows-1252.
#include <string>

// Four numbers joined by "." from the file's version record; "" names the program's own file.
// "" when the file carries no record or cannot be read.
std::string VersaoArquivo(const std::string& arquivo);

// Yes/No question with the question icon; true when the answer is Yes.
bool Confirmar(const std::string& mensagem, bool padraoSim, const std::string& titulo);

// Information box with one OK button.
void Informar(const std::string& mensagem, const std::string& titulo);
