#include "lote/SaidaConferencia.h"

#include <cstdio>
#include <initializer_list>

#include "common/Utils.h"
#include "efd/BlocoH.h"
#include "efd/ConferenciaBlocoH.h"
#include "lote/SaidaBlocoH.h"
#include "platform/Texto.h"
#include "platform/Win1252.h"
#include "report/urelatorio.h"

namespace {

std::string Utf8(const std::string& w1252) { return plataforma::W1252ParaUtf8(w1252); }

// Amounts and quantities as the book prints them.
std::string Valor(int64_t centavos) { return Utf8(FormatarCentavos(centavos)); }
std::string Quantidade(int64_t dezMilesimos) { return TextoQuantidade(plataforma::TMoeda{dezMilesimos}); }
std::string Contagem(size_t n) {
  char t[plataforma::TamanhoTextoDecimal];
  return std::string(t, plataforma::EscreverDecimal(t, static_cast<int64_t>(n), 0, ',',
                                                    plataforma::FormatSettings().ThousandSeparator));
}

// A description as the report shows it: control characters as blanks, trimmed.
std::string Descricao(std::string_view w1252) {
  std::string t(w1252);
  for (char& c : t)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return std::string(plataforma::Aparar(t));
}

std::string Situacao(const efd::TDiferencaBlocoH& d) {
  if (!d.NoBloco) return "só no livro";
  if (!d.NoLivro) return "só no bloco H";
  std::string s;
  for (auto [difere, texto] : {std::pair{d.QuantidadeDifere, "quantidade difere"},
                               {d.ValorDifere, "valor difere"},
                               {d.UnidadeDifere, "unidade difere"}})
    if (difere) s += (s.empty() ? "" : ", ") + std::string(texto);
  return s;
}

void AnexarLinha(std::string& t, std::initializer_list<std::string> campos) {
  bool primeiro = true;
  for (const std::string& c : campos) {
    if (!primeiro) t += ';';
    t += CampoCsv(c);
    primeiro = false;
  }
  t += "\r\n";
}

// The file: a header, one line per difference in product order, then the totals, each of them
// "A x B" with A, B and A - B in the value columns.
std::string TextoConferencia(const efd::TConferenciaBlocoH& c) {
  std::string t =
      "produto;descrição;situação;unidade livro;unidade bloco H;quantidade livro;quantidade bloco H;valor livro;"
      "valor bloco H;diferença de valor\r\n";
  for (const efd::TDiferencaBlocoH& d : c.Diferencas)
    AnexarLinha(t, {Utf8(d.Codigo), Utf8(d.Descricao), Situacao(d), d.NoLivro ? Utf8(d.UnidadeLivro) : "",
                    d.NoBloco ? Utf8(d.UnidadeBloco) : "", d.NoLivro ? Quantidade(d.QuantidadeLivro) : "",
                    d.NoBloco ? Quantidade(d.QuantidadeBloco) : "", d.NoLivro ? Valor(d.CentavosLivro) : "",
                    d.NoBloco ? Valor(d.CentavosBloco) : "", Valor(d.Diferenca)});
  auto total = [&](const char* rotulo, int64_t a, int64_t b, int64_t diferenca) {
    AnexarLinha(
        t, {"", rotulo, diferenca == 0 ? "confere" : "difere", "", "", "", "", Valor(a), Valor(b), Valor(diferenca)});
  };
  total("total do livro x soma dos VL_ITEM (H010)", c.TotalLivro, c.SomaItens, c.LivroMenosSoma);
  total("total do livro x VL_INV (H005)", c.TotalLivro, c.ValorInventario, c.LivroMenosInventario);
  total("VL_INV (H005) x soma dos VL_ITEM (H010)", c.ValorInventario, c.SomaItens, c.InventarioMenosSoma);
  return t;
}

std::string LinhaErroPadrao(int32_t filial, const efd::TConferenciaBlocoH& c) {
  const size_t n = c.QuantasDiferencas();
  std::string t = "Filial " + std::to_string(filial) + ": " + Contagem(c.Itens) +
                  (c.Itens == 1 ? " item conferido, " : " itens conferidos, ") + Contagem(n) +
                  (n == 1 ? " diferença" : " diferenças") + ", livro " + Valor(c.TotalLivro) + ", bloco H " +
                  Valor(c.SomaItens);
  if (c.InventarioMenosSoma != 0) t += ", VL_INV do H005 " + Valor(c.ValorInventario);
  return t;
}

class TSaidaConferencia : public ISaidaExtraLote {
 public:
  TSaidaConferencia(std::shared_ptr<const efd::TIndiceEfd> indice, std::string pasta)
      : indice_(std::move(indice)), pasta_(std::move(pasta)) {}

  // The book's lines in the form block H writes them (COD_ITEM, UNID).
  void Linha(const TLinhaP7& linha, plataforma::TMoeda quantidade, plataforma::TMoeda, int64_t centavos) override {
    livro_.push_back({efd::TextoEfd(linha.ProdutoId), Descricao(linha.Descricao), efd::UnidadeEfd(linha.Unidade),
                      quantidade.DezMilesimos, centavos});
  }
  void Total(int64_t centavos) override { total_ = centavos; }

  std::vector<std::string> Gravar(const std::string& pasta, int32_t filial, const plataforma::TDataHora& data,
                                  const TFilial& dados) override {
    const efd::TConferenciaBlocoH c =
        efd::ConferirBlocoH(ArquivoEfdDaFilial(*indice_, pasta_, dados), data, livro_, total_);
    const std::string nome = NomeArquivoConferencia(filial, data);
    GravarArquivoSeguro(pasta + nome, TextoConferencia(c));
    resultado_ = TResultadoConferencia{LinhaErroPadrao(filial, c), c.QuantasDiferencas()};
    return {nome};
  }
  std::vector<std::string> Avisos() const override { return {}; }
  std::string NotaSemLinhas() const override { return "conferido com o bloco H"; }

  const std::optional<TResultadoConferencia>& Resultado() const { return resultado_; }

 private:
  std::shared_ptr<const efd::TIndiceEfd> indice_;
  std::string pasta_;
  std::vector<efd::TItemLivro> livro_;
  int64_t total_ = 0;
  std::optional<TResultadoConferencia> resultado_;
};

}  // namespace

std::string NomeArquivoConferencia(int32_t filial, const plataforma::TDataHora& data) {
  char texto[64];
  std::snprintf(texto, sizeof texto, "CONFERENCIA_%d_%04d%02d%02d.csv", filial, data.Ano, data.Mes, data.Dia);
  return texto;
}

std::unique_ptr<ISaidaExtraLote> NovaSaidaConferencia(std::shared_ptr<const efd::TIndiceEfd> indice,
                                                      const std::string& pasta) {
  return std::make_unique<TSaidaConferencia>(std::move(indice), pasta);
}

std::optional<TResultadoConferencia> ResultadoConferencia(const std::vector<std::unique_ptr<ISaidaExtraLote>>& extras) {
  for (const auto& e : extras)
    if (const auto* c = dynamic_cast<const TSaidaConferencia*>(e.get()); c && c->Resultado()) return c->Resultado();
  return std::nullopt;
}
