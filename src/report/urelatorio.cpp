#include "report/urelatorio.h"

#include <algorithm>

#include "platform/Processo.h"
#include "platform/Programa.h"
#include "platform/Regional.h"
#include "platform/Win1252.h"

namespace {

constexpr int32_t LinhaDaFolha = 12;

}  // namespace

TImpressao::TImpressao(const TParamsRelatorio& params, int32_t primeiraFolha) : Params(params), Folha(primeiraFolha) {}

void TImpressao::EscreverCabecalho(std::string_view texto, int32_t linha, int32_t coluna) {
  Escrever(Cabecalho, texto, linha, coluna);
}

std::string TImpressao::CompletarDireita(const std::string& texto, char preenchimento, int32_t largura) {
  if (largura <= 0 || texto.size() >= static_cast<size_t>(largura)) return texto;
  std::string r = texto;
  r.append(static_cast<size_t>(largura) - texto.size(), preenchimento);
  return r;
}

std::string TImpressao::CompletarEsquerda(const std::string& texto, char preenchimento, int32_t largura) {
  if (largura <= 0 || texto.size() >= static_cast<size_t>(largura)) return texto;
  std::string r(static_cast<size_t>(largura) - texto.size(), preenchimento);
  r += texto;
  return r;
}

std::string TImpressao::Centralizar(std::string texto, char preenchimento, int32_t largura) {
  size_t n = largura > 0 ? static_cast<size_t>(largura) : 0;
  if (texto.size() > n) texto.resize(n);
  // One fill at a time: right when the current length is even, left when it is odd.
  size_t falta = n - texto.size();
  size_t esquerda = 0, direita = 0, atual = texto.size();
  for (size_t i = 0; i < falta; ++i, ++atual) (atual % 2 == 0 ? direita : esquerda)++;
  std::string r(esquerda, preenchimento);
  r += texto;
  r.append(direita, preenchimento);
  return r;
}

std::string TImpressao::LinhaFolha(int32_t folha, const std::string& data) {
  return "| FOLHA: " + CompletarDireita(std::to_string(folha), ' ', 30) +
         "ESTOQUES EXISTENTES EM: " + CompletarDireita(data, ' ', 72) + "|";
}

std::string TImpressao::DataDaFolha(const plataforma::TDataHora& data) {
  return plataforma::FormatarData("dd/mm/yyyy", data);
}

std::string TImpressao::CaminhoRelatorio(const std::string& pasta) { return pasta + "/relatorio/relatorio.txt"; }

std::string TImpressao::LinhaComandoVisualizador(const std::string& pasta, const std::string& permissao) {
  return "\"" + pasta + "/visualizador\" \"" + CaminhoRelatorio(pasta) + "\" 132 permissao_" + permissao;
}

std::vector<std::string> TImpressao::ArgumentosVisualizador(const std::string& pasta, const std::string& permissao) {
  return {pasta + "/visualizador", CaminhoRelatorio(pasta), "132", "permissao_" + permissao};
}

void TImpressao::GravarArquivo(const std::string& caminho) {
  size_t linhasCabecalho = Cabecalho.size();
  if (LinhasPorPagina <= 0 || static_cast<size_t>(LinhasPorPagina) <= linhasCabecalho + 1)
    throw std::runtime_error(W("Linhas por página insuficientes para o cabeçalho do relatório"));
  size_t porPagina = static_cast<size_t>(LinhasPorPagina) - (linhasCabecalho + 1);
  size_t linhasCorpo = Corpo.size() > 1 ? Corpo.size() - 1 : 0;
  // A report without body lines still gets one page with its header.
  size_t paginas = linhasCorpo == 0 ? 1 : (linhasCorpo + porPagina - 1) / porPagina;

  TGravacaoSegura arquivo(caminho);
  {
    arquivo.AcrescentarSemCopia("\r\n");
    // Every sheet carries the first sheet's date text: a book whose sheets disagree on its one date
    // is wrong, whatever the locale's short format.
    std::string data = DataDaFolha(Params.DataEstoque);
    size_t proxima = 1;  // index in Corpo of the next body line to write (line 2)
    for (size_t p = 1; p <= paginas; ++p) {
      // Only the page line changes from page to page, so only it is copied.
      for (size_t i = 0; i < Cabecalho.size(); ++i) {
        if (i + 1 == static_cast<size_t>(LinhaDaFolha))
          arquivo.Acrescentar(Cabecalho.ComFimDeLinha(i));
        else
          arquivo.AcrescentarSemCopia(Cabecalho.ComFimDeLinha(i));
      }
      size_t fim = p == paginas ? Corpo.size() : std::min(Corpo.size(), proxima + porPagina);
      for (; proxima < fim; ++proxima) arquivo.AcrescentarSemCopia(Corpo.ComFimDeLinha(proxima));
      if (p != paginas) arquivo.AcrescentarSemCopia("\f");
      ++Folha;
      EscreverCabecalho(LinhaFolha(Folha, data), LinhaDaFolha, 1);
    }
  }
  arquivo.Concluir();
}

void TImpressao::GravarRelatorio(const std::string& caminho) {
  // The blocks go when this call ends, written or not: a writer emits once.
  struct TDescartar {
    TImpressao& i;
    ~TDescartar() {
      TBlocoLinhas cabecalho, corpo;
      i.Cabecalho.swap(cabecalho);
      i.Corpo.swap(corpo);
    }
  } descartar{*this};
  GravarArquivo(caminho);
}

void TImpressao::EmitirRelatorio(const std::string& permissao) {
  std::string pasta = plataforma::PastaPrograma();
  GravarRelatorio(CaminhoRelatorio(pasta));
  // A viewer that is missing or cannot start is not reported: the file is written.
  (void)plataforma::IniciarPrograma(ArgumentosVisualizador(pasta, permissao));
}
