#include "ComposicaoP7.h"

#include <algorithm>
#include <cstdlib>

#include "DbClient.h"
#include "Moeda.h"
#include "Regional.h"
#include "Utils.h"
#include "Win1252.h"

namespace {

using plataforma::TMoeda;

std::string R(const std::string& t, int32_t n) { return TImpressao::CompletarDireita(t, ' ', n); }
std::string L(const std::string& t, int32_t n) { return TImpressao::CompletarEsquerda(t, ' ', n); }
std::string C(const std::string& t, int32_t n) { return TImpressao::Centralizar(t, ' ', n); }
std::string Brancos(size_t n) { return std::string(n, ' '); }

// The detail line is built in one buffer: the same texts as R("|" + C(x, w), n) and friends
// give, without a temporary string for every column of every row.
void AcrescentarCentro(std::string& out, std::string_view t, size_t largura) {
  if (t.size() > largura) t = t.substr(0, largura);
  // One blank at a time: right while the length is even, left while it is odd.
  size_t k = largura - t.size();
  size_t primeiro = (k + 1) / 2, segundo = k / 2;
  size_t esquerda = t.size() % 2 == 0 ? segundo : primeiro;
  out.append(esquerda, ' ');
  out += t;
  out.append(k - esquerda, ' ');
}

void AcrescentarEsquerda(std::string& out, std::string_view t, size_t largura) {
  if (t.size() < largura) out.append(largura - t.size(), ' ');
  out += t;
}

// Blanks after the segment that began at `inicio`, up to `largura` characters.
void CompletarSegmento(std::string& out, size_t inicio, size_t largura) {
  if (out.size() - inicio < largura) out.append(inicio + largura - out.size(), ' ');
}

// Blanks and control characters off both ends.
std::string_view Aparar(std::string_view t) {
  size_t i = 0, n = t.size();
  while (i < n && static_cast<unsigned char>(t[i]) <= ' ') ++i;
  while (n > i && static_cast<unsigned char>(t[n - 1]) <= ' ') --n;
  return t.substr(i, n - i);
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
  imp.EscreverCabecalho(W("| RAZÃO SOCIAL: ") + R(filial.RazaoSocial, 119) + "|", 10, 1);
  imp.EscreverCabecalho("| INSCR: " + R(filial.InscricaoEstadual, 30) + "CNPJ: " + R(filial.Cnpj, 90) + "|", 11, 1);
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

std::string TextoQuantidade(TMoeda quantidade) {
  int64_t v = quantidade.DezMilesimos;
  uint64_t absoluto = v < 0 ? uint64_t(0) - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  std::string r = v < 0 ? "-" : "";
  r += std::to_string(absoluto / TMoeda::Escala);
  uint64_t fracao = absoluto % TMoeda::Escala;
  if (fracao != 0) {
    std::string casas = std::to_string(fracao + TMoeda::Escala).substr(1);  // four digits
    while (casas.back() == '0') casas.pop_back();
    r += plataforma::FormatSettings().DecimalSeparator;
    r += casas;
  }
  return r;
}

void ComporRegistroP7(const TParamsRelatorio& params, const TFilial& filial, IFonteLinhasP7& linhas,
                      TImpressao& imp) {
  imp.DefinirLinhasPorPagina(LinhasPorPaginaP7);
  EscreverCabecalhoP7(params, filial, imp);

  const std::string igual(136, '=');
  size_t previstas = linhas.Quantas();
  imp.ReservarCorpo(previstas + previstas / 50 + 8);

  int64_t somaCentavos = 0;
  int32_t atual = 2, contador = 0;
  TLinhaP7 l;
  while (linhas.Proxima(l)) {
    TMoeda quantidade = l.Quantidade ? plataforma::MoedaDeTexto(*l.Quantidade) : TMoeda{};
    TMoeda unitario = l.Valor ? plataforma::MoedaDeTexto(*l.Valor) : TMoeda{};
    TMoeda total = plataforma::Multiplicar(quantidade, unitario);
    std::string textoTotal = FormatarValor(total);
    // A number is never cut: a quantity wider than its column lengthens the line, as the values do.
    const std::string textoQuantidade = l.Quantidade ? TextoQuantidade(quantidade) : std::string();

    std::string linha;
    linha.reserve(137);  // 136 characters and the blank of the column offset
    size_t inicio = linha.size();
    linha += '|';
    AcrescentarCentro(linha, l.Ncm, 15);
    inicio = linha.size();
    linha += '|';
    linha += Aparar(l.Descricao.substr(0, 53));
    CompletarSegmento(linha, inicio, 54);
    linha += '|';
    AcrescentarCentro(linha, l.Unidade, 7);
    linha += '|';
    AcrescentarCentro(linha, textoQuantidade, std::max<size_t>(16, textoQuantidade.size()));
    inicio = linha.size();
    linha += '|';
    AcrescentarEsquerda(linha, FormatarValor(unitario), 13);
    CompletarSegmento(linha, inicio, 19);
    inicio = linha.size();
    linha += '|';
    AcrescentarEsquerda(linha, textoTotal, 12);
    CompletarSegmento(linha, inicio, 21);
    linha += '|';
    imp.EscreverCorpo(std::move(linha), atual, 1);
    ++atual;

    // The total adds the values as printed, in cents.
    if (__builtin_add_overflow(somaCentavos, plataforma::ParaCentavos(total), &somaCentavos))
      throw plataforma::EValorForaDoIntervalo("Valor fora do intervalo permitido");

    if (++contador == 50) {
      imp.EscreverCorpo(igual, atual, 1);
      contador = 0;
      ++atual;
    }
  }

  imp.EscreverCorpo(igual, atual, 1);
  imp.EscreverCorpo(L("Total Geral: " + FormatarCentavos(somaCentavos), 80), atual + 2, 47);
  imp.EscreverCorpo(igual, atual + 4, 1);
}

TFonteConsultaP7::TFonteConsultaP7(dbclient::TConsulta& consulta)
    : consulta_(consulta),
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
  auto texto = [&](size_t i) { return consulta_.Campo(i).AsStringView(); };
  auto talvez = [&](size_t i) -> std::optional<std::string_view> {
    dbclient::TCampo c = consulta_.Campo(i);
    if (c.IsNull()) return std::nullopt;
    return c.AsStringView();
  };
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
  linha.Ncm = texto(m.Ncm);
  linha.Descricao = texto(m.Descricao);
  linha.Unidade = texto(m.Unidade);
  linha.Quantidade = talvez(m.Quantidade);
  linha.Valor = talvez(m.Valor);
  return true;
}
