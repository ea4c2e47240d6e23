#pragma once
// The text report writer: two blocks of lines (page header and body) in memory, placed by line
// and column offset, then written page by page to relatorio/relatorio.txt beside the program,
// after which the suite's viewer is started on the file.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "arquivos/GravacaoSegura.h"
#include "inventory/UInventarioP7Params.h"
#include "report/BlocoLinhas.h"

class TImpressao {
 public:
  TImpressao(const TParamsRelatorio& params, int32_t primeiraFolha);

  void DefinirLinhasPorPagina(int32_t linhas) { LinhasPorPagina = linhas; }
  // Puts the text at positions coluna + 1 .. coluna + length of line `linha` (from 1).
  void EscreverCabecalho(std::string_view texto, int32_t linha, int32_t coluna);
  void EscreverCorpo(std::string_view texto, int32_t linha, int32_t coluna) { Escrever(Corpo, texto, linha, coluna); }

  static std::string CompletarDireita(const std::string& texto, char preenchimento, int32_t largura);
  static std::string CompletarEsquerda(const std::string& texto, char preenchimento, int32_t largura);
  static std::string Centralizar(std::string texto, char preenchimento, int32_t largura);

  // Writes the file page by page (replacing the earlier one only once it is complete) and starts
  // the viewer. EErroRelatorio when the file cannot be written or the earlier one is read-only;
  // then no viewer starts.
  void EmitirRelatorio(const std::string& permissao);
  // The same pages written to `caminho` by the same safe write, without a viewer.
  void GravarRelatorio(const std::string& caminho);

  // The page line of header line 12 for a page number and date text.
  static std::string LinhaFolha(int32_t folha, const std::string& data);
  // The date text of every sheet's page line: day/month/year joined by the date separator.
  static std::string DataDaFolha(const plataforma::TDataHora& data);
  // The viewer's command line for a program folder ending with its separator.
  static std::string LinhaComandoVisualizador(const std::string& pasta, const std::string& permissao);
  static std::string CaminhoRelatorio(const std::string& pasta);
  // The same command line already split, as the viewer is started: a folder name may hold a
  // double quote, which no Windows command line can carry, so the text is never re-parsed.
  static std::vector<std::string> ArgumentosVisualizador(const std::string& pasta, const std::string& permissao);

  // Room for the expected number of body lines, so large registers grow without reallocations.
  void ReservarCorpo(size_t linhas) { Corpo.reserve(linhas); }

  std::vector<std::string> LinhasCabecalho() const { return Cabecalho.Copia(); }
  std::vector<std::string> LinhasCorpo() const { return Corpo.Copia(); }
  int32_t FolhaAtual() const { return Folha; }

 private:
  static void Escrever(TBlocoLinhas& bloco, std::string_view texto, int32_t linha, int32_t coluna) {
    if (linha < 1) return;  // lines are numbered from 1
    bloco.Escrever(texto, static_cast<size_t>(linha), static_cast<size_t>(coluna < 0 ? 0 : coluna));
  }
  void GravarArquivo(const std::string& caminho);

  TParamsRelatorio Params;
  int32_t LinhasPorPagina = 0;
  TBlocoLinhas Cabecalho;  // line n at index n - 1
  TBlocoLinhas Corpo;
  int32_t Folha;
};
