#pragma once
// The register "LIVRO REGISTRO DE INVENTÁRIO - RI - MODELO P7" laid into a report writer: page
// header, one detail line per product, a separator after every 50, and the grand total. No
// widgets, so the whole file can be produced and checked without a window.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/UInventarioP7Params.h"
#include "platform/Moeda.h"
#include "report/urelatorio.h"

namespace dbclient {
class TConsulta;
}

// One row of the register as the server sends it: texts in Windows-1252, decimals as text.
// The views stay valid until the next row is asked for.
struct TLinhaP7 {
  std::string_view ProdutoId, Barras;          // not printed; "" for NULL or when the source has none
  std::string_view Ncm, Descricao, Unidade;    // "" for NULL
  std::optional<std::string_view> Quantidade;  // nullopt for NULL
  std::optional<std::string_view> Valor;       // nullopt for NULL
};

class IFonteLinhasP7 {
 public:
  virtual ~IFonteLinhasP7() = default;
  // Fills the next row; false when there is none left.
  virtual bool Proxima(TLinhaP7& linha) = 0;
  // How many rows there are, when known (0 otherwise); only used to reserve room.
  virtual size_t Quantas() const { return 0; }
};

// The rows of the open result set of the stock position ("ncm", "descricao", "unidade",
// "quantidade", "valor"), read from its first row on.
class TFonteConsultaP7 : public IFonteLinhasP7 {
 public:
  explicit TFonteConsultaP7(dbclient::TConsulta& consulta);
  bool Proxima(TLinhaP7& linha) override;
  size_t Quantas() const override;

 private:
  dbclient::TConsulta& consulta_;
  size_t produtoId_, barras_, ncm_, descricao_, unidade_, quantidade_, valor_;
  bool primeira_ = true;
};

// Rows held in memory; nullopt stands for NULL.
struct TLinhaMemoriaP7 {
  std::optional<std::string> Ncm, Descricao, Unidade, Quantidade, Valor;
  std::optional<std::string> ProdutoId, Barras;
};

class TFonteMemoriaP7 : public IFonteLinhasP7 {
 public:
  explicit TFonteMemoriaP7(std::vector<TLinhaMemoriaP7> linhas) : linhas_(std::move(linhas)) {}
  bool Proxima(TLinhaP7& linha) override;
  size_t Quantas() const override { return linhas_.size(); }

 private:
  std::vector<TLinhaMemoriaP7> linhas_;
  size_t proxima_ = 0;
};

// Lines per page and the first page number of the register.
constexpr int32_t LinhasPorPaginaP7 = 70;
constexpr int32_t PrimeiraFolhaP7 = 2;

// Told of every detail line as it is laid, with the values the register prints, so that other
// records of the same rows agree with the book by construction.
class IObservadorRegistroP7 {
 public:
  virtual ~IObservadorRegistroP7() = default;
  // quantidade and unitario as read (four decimals); centavosLinha the printed line value.
  virtual void Linha(const TLinhaP7& linha, plataforma::TMoeda quantidade, plataforma::TMoeda unitario,
                     int64_t centavosLinha) = 0;
  // The grand total as printed, after the last row.
  virtual void Total(int64_t centavos) = 0;
};

// Sets the page length and lays the header, the rows and the final block into the writer
// (created with the parameters and the first page number PrimeiraFolhaP7).
void ComporRegistroP7(const TParamsRelatorio& params, const TFilial& filial, IFonteLinhasP7& linhas,
                      TImpressao& impressao, IObservadorRegistroP7* observador = nullptr);

// The quantity text of a row: digits only for a whole quantity, else the locale's decimal
// separator and the decimals it has ("2.5000" -> "2,5", "3.0000" -> "3").
std::string TextoQuantidade(std::string_view quantidade);
// The same for a quantity already read (four decimals).
std::string TextoQuantidade(plataforma::TMoeda quantidade);
// The same text written at `destino`, which has room for TamanhoTextoQuantidade characters;
// returns its length.
constexpr size_t TamanhoTextoQuantidade = plataforma::TamanhoTextoDecimal;
size_t EscreverQuantidade(char* destino, plataforma::TMoeda quantidade, char separadorDecimal);
