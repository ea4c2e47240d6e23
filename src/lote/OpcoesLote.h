#pragma once
// The command line of inventario-p7-lote: the register's choices as the window has them, which
// branches, where the files go and which configuration file to read.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "livro/RegistroP7.h"

// A command line that cannot be run: what() is the one-line reason (UTF-8).
class EErroUso : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TOpcoesLote {
  TEscolhasGeracao Escolhas;     // defaults are the window's
  std::vector<int32_t> Filiais;  // empty and !Todas: CodLogica of the ini
  bool Todas = false;
  std::string Saida;  // "" : the folder relatorio beside the program
  // Configuration files, one per server (read-only replicas of one primary); empty:
  // sistema_kot.ini beside the program.
  std::vector<std::string> Inis;
  int Paralelo = 1;  // sessions per server
  bool Ajuda = false;
  // Block H of the EFD ICMS/IPI beside each register.
  bool BlocoH = false;
  std::string Motivo = "01";  // MOT_INV
  std::string ContaContabil;  // COD_CTA, Windows-1252; "" leaves it empty
  // --efd: the folder of the companies' complete EFD files; each branch's gets the inventory put
  // in (implies BlocoH). "" : none.
  std::string Efd;
  // --conferir: the folder of the EFD files as filed; each branch's block H is checked against its
  // book. "" : none.
  std::string Conferir;
  // --pdf: the book as PDF beside each register; --termos: its opening and closing terms.
  bool Pdf = false;
  std::string Termos;
};

// Reads the arguments after the program's name; EErroUso for anything it cannot take.
TOpcoesLote LerOpcoesLote(const std::vector<std::string>& argumentos);

// "DD/MM/AAAA" of a real calendar day; EErroUso otherwise.
plataforma::TDataHora LerDataLote(const std::string& texto);
// A comma-separated list of decimal integers, rebuilt as "1,2,3" so that only our own text ever
// reaches SQL; EErroUso for anything else. `nome` names the option in the message.
std::vector<int32_t> LerListaIds(const std::string& texto, const std::string& nome);
std::string TextoListaIds(const std::vector<int32_t>& ids);

// Sessions per server that --paralelo accepts.
constexpr int MaximoParalelo = 32;

// The usage text printed with --ajuda and after a usage error (UTF-8).
const std::string& TextoUsoLote();
