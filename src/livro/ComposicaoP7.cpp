#include "livro/ComposicaoP7.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/Utils.h"
#include "dbclient/DbClient.h"
#include "platform/Moeda.h"
#include "platform/Regional.h"
#include "platform/Texto.h"
#include "platform/Win1252.h"

namespace {

// The register's frame and columns (characters between the bars): classification (NCM),
// description, unit and quantity; the two values' columns follow.
constexpr size_t LarguraMoldura = 136;
constexpr size_t ColunaClassificacao = 15, ColunaDescricao = 53, ColunaUnidade = 7, ColunaQuantidade = 16;
// A separator line after this many detail lines.
constexpr int32_t LinhasPorSeparador = 50;

using plataforma::TMoeda;

std::string R(const std::string& t, int32_t n) { return TImpressao::CompletarDireita(t, ' ', n); }
std::string L(const std::string& t, int32_t n) { return TImpressao::CompletarEsquerda(t, ' ', n); }
std::string C(const std::string& t, int32_t n) { return TImpressao::Centralizar(t, ' ', n); }
std::string Brancos(size_t n) { return std::string(n, ' '); }

// The detail line is laid into a buffer already full of blanks: each column only places its
// text, the blanks around it are there. This runs once per product and a string per column cost
// more than writing the file. Every column is bounded (the texts are cut, the numbers have at most
// TamanhoTextoCentavos characters), so the widest line is under 160 characters.
class TLinhaDetalhe {
 public:
  void Iniciar() {
    std::memset(b_, ' ', sizeof b_);
    p_ = b_;
  }
  void Caractere(char c) { *p_++ = c; }
  void Texto(std::string_view t) {
    if (!t.empty()) std::memcpy(p_, t.data(), t.size());
    p_ += t.size();
  }
  // The text in the middle of `largura` characters, cut to them; the blanks go one at a time,
  // right while the length is even and left while it is odd, as Centralizar does.
  void Centro(std::string_view t, size_t largura) {
    if (t.size() > largura) t = t.substr(0, largura);
    size_t k = largura - t.size();
    size_t esquerda = t.size() % 2 == 0 ? k / 2 : (k + 1) / 2;
    p_ += esquerda;
    Texto(t);
    p_ += k - esquerda;
  }
  // The text right-aligned in `largura` characters (never cut).
  void Direita(std::string_view t, size_t largura) {
    if (t.size() < largura) p_ += largura - t.size();
    Texto(t);
  }
  // Every control character placed since position `inicio` becomes a blank: a CR, LF, form feed
  // or tab of a database text would split the line, start a sheet or shift the columns.
  void BrancosNosControlesDesde(size_t inicio) {
    for (char* c = b_ + inicio; c < p_; ++c)
      if (plataforma::Controle(static_cast<unsigned char>(*c))) *c = ' ';
  }
  // Blanks after the segment that began at position `inicio`, up to `largura` characters.
  void CompletarDesde(size_t inicio, size_t largura) {
    if (Atual() - inicio < largura) p_ = b_ + inicio + largura;
  }
  size_t Atual() const { return static_cast<size_t>(p_ - b_); }
  std::string_view Pronta() const { return {b_, Atual()}; }

 private:
  static constexpr size_t Maior = 1 + ColunaClassificacao + 1 + ColunaDescricao + 1 + ColunaUnidade + 1 +
                                  TamanhoTextoQuantidade + 1 + TamanhoTextoCentavos + 1 + TamanhoTextoCentavos + 1;
  char b_[256];
  char* p_ = b_;
  static_assert(sizeof(b_) >= Maior);
};

// A database text as the register places it: control characters as blanks (see
// BrancosNosControlesDesde). Its length does not change, so cutting and centring are as before.
std::string SemControles(std::string t) {
  for (char& c : t)
    if (plataforma::Controle(static_cast<unsigned char>(c))) c = ' ';
  return t;
}

// The row named in an error: its id and its description as the register prints it.
std::string NomeProduto(const TLinhaP7& l) {
  std::string descricao(plataforma::Aparar(SemControles(std::string(l.Descricao.substr(0, ColunaDescricao)))));
  return l.ProdutoId.empty() ? descricao : std::string(l.ProdutoId) + " - " + descricao;
}

[[noreturn]] void FalharValor(const std::string& mensagem, const std::string& onde, const TLinhaP7& l) {
  throw plataforma::EValorForaDoIntervalo(plataforma::ComPontoFinal(mensagem) + "\r\n" + onde + NomeProduto(l));
}

void EscreverCabecalhoP7(const TParamsRelatorio& params, const TFilial& filial, TImpressao& imp) {
  const std::string igual(LarguraMoldura, '=');
  const std::string vazia = "|" + Brancos(LarguraMoldura - 2) + "|";
  const std::string colunas = "|" + Brancos(ColunaClassificacao) + "|" + Brancos(ColunaDescricao) + "|" +
                              Brancos(ColunaUnidade) + "|" + Brancos(ColunaQuantidade);
  std::string data = TImpressao::DataDaFolha(params.DataEstoque);

  imp.EscreverCabecalho(" ", 3, 1);
  imp.EscreverCabecalho(C(W("LIVRO REGISTRO DE INVENTÁRIO - RI - MODELO P7"), 135), 4, 1);
  imp.EscreverCabecalho(" ", 5, 1);
  imp.EscreverCabecalho(igual, 6, 1);
  imp.EscreverCabecalho(vazia, 7, 1);
  imp.EscreverCabecalho("|" + C(W("REGISTRO DE INVENTÁRIO"), 134) + "|", 8, 1);
  imp.EscreverCabecalho(vazia, 9, 1);
  imp.EscreverCabecalho(W("| RAZÃO SOCIAL: ") + R(SemControles(filial.RazaoSocial), 119) + "|", 10, 1);
  imp.EscreverCabecalho(
      "| INSCR: " + R(SemControles(filial.InscricaoEstadual), 30) + "CNPJ: " + R(SemControles(filial.Cnpj), 90) + "|",
      11, 1);
  imp.EscreverCabecalho(TImpressao::LinhaFolha(PrimeiraFolhaP7, data), 12, 1);
  imp.EscreverCabecalho(vazia, 13, 1);
  imp.EscreverCabecalho(igual, 14, 1);
  imp.EscreverCabecalho(colunas + "| " + C("VALORES", 35) + Brancos(3) + "|", 15, 1);
  imp.EscreverCabecalho(W("| CLASSIFICAÇÃO |") + C(W("DESCRIÇÃO"), ColunaDescricao) + "| UNID. | " +
                            C("QUANTIDADE", ColunaQuantidade - 1) + "|" + std::string(39, '-') + "|",
                        16, 1);
  imp.EscreverCabecalho("|" + C("FISCAL", ColunaClassificacao) + "|" + Brancos(ColunaDescricao) + "|" +
                            Brancos(ColunaUnidade) + "|" + Brancos(ColunaQuantidade) + "|" + C(W("UNITÁRIO"), 18) +
                            "|" + C("TOTAL", 18) + Brancos(2) + "|",
                        17, 1);
  imp.EscreverCabecalho(igual, 18, 1);
}

}  // namespace

std::string TextoQuantidade(std::string_view quantidade) {
  return TextoQuantidade(plataforma::MoedaDeTexto(quantidade));
}

size_t EscreverQuantidade(char* destino, TMoeda quantidade, char separadorDecimal) {
  return plataforma::EscreverDecimal(destino, quantidade.DezMilesimos, 4, separadorDecimal, '\0', true);
}

std::string TextoQuantidade(TMoeda quantidade) {
  char texto[TamanhoTextoQuantidade];
  return std::string(texto, EscreverQuantidade(texto, quantidade, plataforma::FormatSettings().DecimalSeparator));
}

namespace {

// One detail row's numbers as the register prints them.
struct TValoresLinha {
  TMoeda Quantidade, Unitario;
  int64_t CentavosTotal = 0;
};

TValoresLinha LerValores(const TLinhaP7& l) {
  TValoresLinha v;
  try {
    v.Quantidade = l.Quantidade ? plataforma::MoedaDeTexto(*l.Quantidade) : TMoeda{};
    v.Unitario = l.Valor ? plataforma::MoedaDeTexto(*l.Valor) : TMoeda{};
    v.CentavosTotal = plataforma::ParaCentavos(plataforma::Multiplicar(v.Quantidade, v.Unitario));
  } catch (const plataforma::EValorForaDoIntervalo& e) {
    FalharValor(e.what(), "Produto: ", l);
  }
  return v;
}

// The detail line of a row: classification, description, unit, quantity, unit value and total,
// each in its column between bars. A number is never cut: a quantity wider than its column
// lengthens the line, as the values do.
void ComporLinhaDetalhe(TLinhaDetalhe& linha, const TLinhaP7& l, const TValoresLinha& v,
                        const plataforma::TFormatSettings& formato) {
  char quantidadeTexto[TamanhoTextoQuantidade], unitarioTexto[TamanhoTextoCentavos], totalTexto[TamanhoTextoCentavos];
  const std::string_view textoTotal(totalTexto, EscreverCentavos(totalTexto, v.CentavosTotal, formato));
  const std::string_view textoUnitario(unitarioTexto,
                                       EscreverCentavos(unitarioTexto, plataforma::ParaCentavos(v.Unitario), formato));
  const std::string_view textoQuantidade(
      quantidadeTexto, l.Quantidade ? EscreverQuantidade(quantidadeTexto, v.Quantidade, formato.DecimalSeparator) : 0);

  linha.Iniciar();
  linha.Caractere('|');
  size_t inicio = linha.Atual();
  linha.Centro(l.Ncm, ColunaClassificacao);
  linha.BrancosNosControlesDesde(inicio);
  inicio = linha.Atual();
  linha.Caractere('|');
  linha.Texto(plataforma::Aparar(l.Descricao.substr(0, ColunaDescricao)));
  linha.BrancosNosControlesDesde(inicio);
  linha.CompletarDesde(inicio, 1 + ColunaDescricao);
  linha.Caractere('|');
  inicio = linha.Atual();
  linha.Centro(l.Unidade, ColunaUnidade);
  linha.BrancosNosControlesDesde(inicio);
  linha.Caractere('|');
  linha.Centro(textoQuantidade, std::max<size_t>(ColunaQuantidade, textoQuantidade.size()));
  inicio = linha.Atual();
  linha.Caractere('|');
  linha.Direita(textoUnitario, 13);
  linha.CompletarDesde(inicio, 19);
  inicio = linha.Atual();
  linha.Caractere('|');
  linha.Direita(textoTotal, 12);
  linha.CompletarDesde(inicio, 21);
  linha.Caractere('|');
}

// The separator after the last row, the grand total and the closing separator.
void ComporFinal(TImpressao& imp, int32_t atual, int64_t somaCentavos) {
  const std::string igual(LarguraMoldura, '=');
  imp.EscreverCorpo(igual, atual, 1);
  imp.EscreverCorpo(L("Total Geral: " + FormatarCentavos(somaCentavos), 80), atual + 2, 47);
  imp.EscreverCorpo(igual, atual + 4, 1);
}

}  // namespace

void ComporRegistroP7(const TParamsRelatorio& params, const TFilial& filial, IFonteLinhasP7& linhas, TImpressao& imp,
                      IObservadorRegistroP7* observador) {
  imp.DefinirLinhasPorPagina(LinhasPorPaginaP7);
  EscreverCabecalhoP7(params, filial, imp);

  const std::string igual(LarguraMoldura, '=');
  size_t previstas = linhas.Quantas();
  imp.ReservarCorpo(previstas + previstas / LinhasPorSeparador + 8);

  const plataforma::TFormatSettings& formato = plataforma::FormatSettings();
  int64_t somaCentavos = 0;
  int32_t atual = 2, contador = 0;
  TLinhaP7 l;
  TLinhaDetalhe linha;
  while (linhas.Proxima(l)) {
    const TValoresLinha v = LerValores(l);
    ComporLinhaDetalhe(linha, l, v, formato);
    imp.EscreverCorpo(linha.Pronta(), atual, 1);
    ++atual;
    if (observador) observador->Linha(l, v.Quantidade, v.Unitario, v.CentavosTotal);

    // The total adds the values as printed, in cents.
    if (__builtin_add_overflow(somaCentavos, v.CentavosTotal, &somaCentavos))
      FalharValor("Valor fora do intervalo permitido", "Total geral, ao somar o produto: ", l);

    if (++contador == LinhasPorSeparador) {
      imp.EscreverCorpo(igual, atual, 1);
      contador = 0;
      ++atual;
    }
  }

  if (observador) observador->Total(somaCentavos);
  ComporFinal(imp, atual, somaCentavos);
}

TFonteConsultaP7::TFonteConsultaP7(dbclient::TConsulta& consulta)
    : consulta_(consulta),
      // The columns the register does not print may be missing from a source.
      produtoId_(consulta.ProcurarCampo("produto_id")),
      barras_(consulta.ProcurarCampo("barras")),
      ncm_(consulta.IndiceCampo("ncm")),
      descricao_(consulta.IndiceCampo("descricao")),
      unidade_(consulta.IndiceCampo("unidade")),
      quantidade_(consulta.IndiceCampo("quantidade")),
      valor_(consulta.IndiceCampo("valor")) {}

size_t TFonteConsultaP7::Quantas() const { return consulta_.NumeroRegistros(); }

bool TFonteConsultaP7::Proxima(TLinhaP7& linha) {
  if (primeira_) {
    consulta_.Primeiro();
    primeira_ = false;
  } else {
    consulta_.Proximo();
  }
  if (consulta_.Eof()) return false;
  auto texto = [&](size_t i) {
    return i == dbclient::TConsulta::SemCampo ? std::string_view() : consulta_.Campo(i).AsStringView();
  };
  auto talvez = [&](size_t i) -> std::optional<std::string_view> {
    dbclient::TCampo c = consulta_.Campo(i);
    if (c.IsNull()) return std::nullopt;
    return c.AsStringView();
  };
  linha.ProdutoId = texto(produtoId_);
  linha.Barras = texto(barras_);
  linha.Ncm = texto(ncm_);
  linha.Descricao = texto(descricao_);
  linha.Unidade = texto(unidade_);
  linha.Quantidade = talvez(quantidade_);
  linha.Valor = talvez(valor_);
  return true;
}

bool TFonteMemoriaP7::Proxima(TLinhaP7& linha) {
  if (proxima_ >= linhas_.size()) return false;
  const TLinhaMemoriaP7& m = linhas_[proxima_++];
  auto texto = [](const std::optional<std::string>& s) { return s ? std::string_view(*s) : std::string_view(); };
  auto talvez = [](const std::optional<std::string>& s) -> std::optional<std::string_view> {
    if (!s) return std::nullopt;
    return std::string_view(*s);
  };
  linha.ProdutoId = texto(m.ProdutoId);
  linha.Barras = texto(m.Barras);
  linha.Ncm = texto(m.Ncm);
  linha.Descricao = texto(m.Descricao);
  linha.Unidade = texto(m.Unidade);
  linha.Quantidade = talvez(m.Quantidade);
  linha.Valor = talvez(m.Valor);
  return true;
}
