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
      if (static_cast<unsigned char>(*c) < 0x20) *c = ' ';
  }
  // Blanks after the segment that began at position `inicio`, up to `largura` characters.
  void CompletarDesde(size_t inicio, size_t largura) {
    if (Atual() - inicio < largura) p_ = b_ + inicio + largura;
  }
  size_t Atual() const { return static_cast<size_t>(p_ - b_); }
  std::string_view Pronta() const { return {b_, Atual()}; }

 private:
  static constexpr size_t Maior = 1 + 15 + 1 + 53 + 1 + 7 + 1 + TamanhoTextoQuantidade + 1 +
                                  TamanhoTextoCentavos + 1 + TamanhoTextoCentavos + 1;
  char b_[256];
  char* p_ = b_;
  static_assert(sizeof(b_) >= Maior);
};

// A database text as the register places it: control characters as blanks (see
// BrancosNosControlesDesde). Its length does not change, so cutting and centring are as before.
std::string SemControles(std::string t) {
  for (char& c : t)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return t;
}

// The row named in an error: its id and its description as the register prints it.
std::string NomeProduto(const TLinhaP7& l) {
  std::string descricao(plataforma::Aparar(SemControles(std::string(l.Descricao.substr(0, 53)))));
  return l.ProdutoId.empty() ? descricao : std::string(l.ProdutoId) + " - " + descricao;
}

[[noreturn]] void FalharValor(const std::string& mensagem, const std::string& onde, const TLinhaP7& l) {
  std::string texto = mensagem;
  if (!texto.empty() && static_cast<unsigned char>(texto.back()) > '.') texto += '.';
  throw plataforma::EValorForaDoIntervalo(texto + "\r\n" + onde + NomeProduto(l));
}

void EscreverCabecalhoP7(const TParamsRelatorio& params, const TFilial& filial, TImpressao& imp) {
  const std::string igual(136, '=');
  const std::string vazia = "|" + Brancos(134) + "|";
  const std::string colunas = "|" + Brancos(15) + "|" + Brancos(53) + "|" + Brancos(7) + "|" + Brancos(16);
  std::string data = plataforma::FormatarData("dd/mm/yyyy", params.DataEstoque);

  imp.EscreverCabecalho(" ", 3, 1);
  imp.EscreverCabecalho(C(W("LIVRO REGISTRO DE INVENTÁRIO - RI - MODELO P7"), 135), 4, 1);
  imp.EscreverCabecalho(" ", 5, 1);
  imp.EscreverCabecalho(igual, 6, 1);
  imp.EscreverCabecalho(vazia, 7, 1);
  imp.EscreverCabecalho("|" + C(W("REGISTRO DE INVENTÁRIO"), 134) + "|", 8, 1);
  imp.EscreverCabecalho(vazia, 9, 1);
  imp.EscreverCabecalho(W("| RAZÃO SOCIAL: ") + R(SemControles(filial.RazaoSocial), 119) + "|", 10, 1);
  imp.EscreverCabecalho("| INSCR: " + R(SemControles(filial.InscricaoEstadual), 30) + "CNPJ: " +
                            R(SemControles(filial.Cnpj), 90) + "|",
                        11, 1);
  imp.EscreverCabecalho(TImpressao::LinhaFolha(PrimeiraFolhaP7, data), 12, 1);
  imp.EscreverCabecalho(vazia, 13, 1);
  imp.EscreverCabecalho(igual, 14, 1);
  imp.EscreverCabecalho(colunas + "| " + C("VALORES", 35) + Brancos(3) + "|", 15, 1);
  imp.EscreverCabecalho(W("| CLASSIFICAÇÃO |") + C(W("DESCRIÇÃO"), 53) + "| UNID. | " + C("QUANTIDADE", 15) + "|" +
                            std::string(39, '-') + "|",
                        16, 1);
  imp.EscreverCabecalho("|" + C("FISCAL", 15) + "|" + Brancos(53) + "|" + Brancos(7) + "|" + Brancos(16) + "|" +
                            C(W("UNITÁRIO"), 18) + "|" + C("TOTAL", 18) + Brancos(2) + "|",
                        17, 1);
  imp.EscreverCabecalho(igual, 18, 1);
}

}  // namespace

std::string TextoQuantidade(std::string_view quantidade) {
  return TextoQuantidade(plataforma::MoedaDeTexto(quantidade));
}

size_t EscreverQuantidade(char* destino, TMoeda quantidade, char separadorDecimal) {
  int64_t v = quantidade.DezMilesimos;
  uint64_t absoluto = v < 0 ? uint64_t(0) - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  char invertido[TamanhoTextoQuantidade];
  size_t n = 0;
  uint64_t fracao = absoluto % TMoeda::Escala;
  if (fracao != 0) {
    bool significativo = false;  // the trailing zeros of the decimals are dropped
    for (uint64_t resto = TMoeda::Escala; resto > 1; resto /= 10, fracao /= 10) {
      char digito = static_cast<char>('0' + fracao % 10);
      if (digito != '0') significativo = true;
      if (significativo) invertido[n++] = digito;
    }
    invertido[n++] = separadorDecimal;
  }
  uint64_t inteiros = absoluto / TMoeda::Escala;
  do {
    invertido[n++] = static_cast<char>('0' + inteiros % 10);
    inteiros /= 10;
  } while (inteiros != 0);
  if (v < 0) invertido[n++] = '-';
  for (size_t i = 0; i < n; ++i) destino[i] = invertido[n - 1 - i];
  return n;
}

std::string TextoQuantidade(TMoeda quantidade) {
  char texto[TamanhoTextoQuantidade];
  return std::string(texto, EscreverQuantidade(texto, quantidade, plataforma::FormatSettings().DecimalSeparator));
}

void ComporRegistroP7(const TParamsRelatorio& params, const TFilial& filial, IFonteLinhasP7& linhas,
                      TImpressao& imp, IObservadorRegistroP7* observador) {
  imp.DefinirLinhasPorPagina(LinhasPorPaginaP7);
  EscreverCabecalhoP7(params, filial, imp);

  const std::string igual(136, '=');
  size_t previstas = linhas.Quantas();
  imp.ReservarCorpo(previstas + previstas / 50 + 8);

  const plataforma::TFormatSettings& formato = plataforma::FormatSettings();
  int64_t somaCentavos = 0;
  int32_t atual = 2, contador = 0;
  TLinhaP7 l;
  TLinhaDetalhe linha;
  char quantidadeTexto[TamanhoTextoQuantidade], unitarioTexto[TamanhoTextoCentavos], totalTexto[TamanhoTextoCentavos];
  while (linhas.Proxima(l)) {
    TMoeda quantidade, unitario;
    int64_t centavosTotal;
    try {
      quantidade = l.Quantidade ? plataforma::MoedaDeTexto(*l.Quantidade) : TMoeda{};
      unitario = l.Valor ? plataforma::MoedaDeTexto(*l.Valor) : TMoeda{};
      centavosTotal = plataforma::ParaCentavos(plataforma::Multiplicar(quantidade, unitario));
    } catch (const plataforma::EValorForaDoIntervalo& e) {
      FalharValor(e.what(), "Produto: ", l);
    }
    std::string_view textoTotal(totalTexto, EscreverCentavos(totalTexto, centavosTotal, formato));
    std::string_view textoUnitario(unitarioTexto,
                                   EscreverCentavos(unitarioTexto, plataforma::ParaCentavos(unitario), formato));
    // A number is never cut: a quantity wider than its column lengthens the line, as the values do.
    std::string_view textoQuantidade(
        quantidadeTexto, l.Quantidade ? EscreverQuantidade(quantidadeTexto, quantidade, formato.DecimalSeparator) : 0);

    linha.Iniciar();
    linha.Caractere('|');
    size_t inicio = linha.Atual();
    linha.Centro(l.Ncm, 15);
    linha.BrancosNosControlesDesde(inicio);
    inicio = linha.Atual();
    linha.Caractere('|');
    linha.Texto(plataforma::Aparar(l.Descricao.substr(0, 53)));
    linha.BrancosNosControlesDesde(inicio);
    linha.CompletarDesde(inicio, 54);
    linha.Caractere('|');
    inicio = linha.Atual();
    linha.Centro(l.Unidade, 7);
    linha.BrancosNosControlesDesde(inicio);
    linha.Caractere('|');
    linha.Centro(textoQuantidade, std::max<size_t>(16, textoQuantidade.size()));
    inicio = linha.Atual();
    linha.Caractere('|');
    linha.Direita(textoUnitario, 13);
    linha.CompletarDesde(inicio, 19);
    inicio = linha.Atual();
    linha.Caractere('|');
    linha.Direita(textoTotal, 12);
    linha.CompletarDesde(inicio, 21);
    linha.Caractere('|');
    imp.EscreverCorpo(linha.Pronta(), atual, 1);
    ++atual;
    if (observador) observador->Linha(l, quantidade, unitario, centavosTotal);

    // The total adds the values as printed, in cents.
    if (__builtin_add_overflow(somaCentavos, centavosTotal, &somaCentavos))
      FalharValor("Valor fora do intervalo permitido", "Total geral, ao somar o produto: ", l);

    if (++contador == 50) {
      imp.EscreverCorpo(igual, atual, 1);
      contador = 0;
      ++atual;
    }
  }

  if (observador) observador->Total(somaCentavos);
  imp.EscreverCorpo(igual, atual, 1);
  imp.EscreverCorpo(L("Total Geral: " + FormatarCentavos(somaCentavos), 80), atual + 2, 47);
  imp.EscreverCorpo(igual, atual + 4, 1);
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
  auto texto = [&](size_t i) { return i == dbclient::TConsulta::SemCampo ? std::string_view() : consulta_.Campo(i).AsStringView(); };
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
