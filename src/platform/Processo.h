#pragma once
// Starting another program from a Windows-style command line, as the suite's programs do:
// the line is split by the Windows quoting rules and the program is started directly (no shell),
// without waiting and without leaving a zombie behind.
#include <string>
#include <vector>

namespace plataforma {

// Splits a command line the way the Windows C runtime builds argv: the program name ends at the
// closing quote (or the first blank) with no escapes; the arguments follow the backslash and
// double-quote rules, "" inside quotes standing for one quote.
std::vector<std::string> DividirLinhaComando(const std::string& linha);

// Starts the program named by the first argument of the line. Returns false when it could not be
// started (no such file, not executable); the caller may ignore it, as WinExec's caller did.
bool IniciarPrograma(const std::string& linha);
// The same with the arguments already split: for paths that a Windows command line cannot carry
// (a double quote in a folder name).
bool IniciarPrograma(std::vector<std::string> args);

}  // namespace plataforma
