#pragma once
// The opening and closing terms of the book ("TERMO DE ABERTURA", "TERMO DE ENCERRAMENTO") as
// pages of text in the register's own width and frame, so that the PDF draws them like its sheets.
// No Qt.
#include <optional>
#include <string>
#include <vector>

#include "paginas/ArquivoTermos.h"
#include "platform/Regional.h"

namespace paginas {

// The company as the register's header prints it, Windows-1252.
struct TEmpresaTermos {
  std::string RazaoSocial, Cnpj, InscricaoEstadual;
};

// What a branch's terms state besides the count of sheets.
struct TDadosTermos {
  TEmpresaTermos Empresa;
  TValoresTermos Valores;  // TArquivoTermos::DaFilial
  plataforma::TDataHora DataEstoque;
};

// The register's numbered sheets: how many, and the numbers of the first and last when they
// print them ("FOLHA: 2").
struct TFolhasLivro {
  int Quantidade = 0;
  std::optional<int> Primeira, Ultima;
};

enum class TTipoTermo { Abertura, Encerramento };

// The term's page: lines of Windows-1252 text, none wider than the register's 137 characters and
// fewer than its 70 lines. A value the terms lack leaves its place blank.
std::vector<std::string> ComporTermo(TTipoTermo tipo, const TDadosTermos& dados, const TFolhasLivro& folhas);

// A count of sheets in words, feminine as "folhas" asks ("duas", "duzentas e uma", "mil e
// quinhentas"), Windows-1252; up to 999.999, beyond that "" (the digits alone are written).
std::string NumeroPorExtenso(int n);

// "31 de dezembro de 2025", "1º de janeiro de 2026" (Windows-1252).
std::string DataPorExtenso(const plataforma::TDataHora& data);

}  // namespace paginas
