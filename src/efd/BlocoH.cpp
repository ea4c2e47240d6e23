#include "efd/BlocoH.h"

#include <cstdio>
#include <initializer_list>
#include <unordered_set>

#include "efd/IndiceTextos.h"
#include "platform/Texto.h"
#include "platform/Win1252.h"

namespace efd {

namespace {

using plataforma::TMoeda;

// UNID of 0190 and of the items is at most six characters.
constexpr size_t TamanhoUnidade = 6;
// COD_CTA is at most 255 characters.
constexpr size_t TamanhoConta = 255;

void AparDireita(std::string& s, size_t inicio) {
  size_t n = s.size();
  while (n > inicio && s[n - 1] == ' ') --n;
  s.resize(n);
}

// Appends the text as an EFD text field (see TextoEfd).
void AnexarTextoEfd(std::string& s, std::string_view t) {
  const size_t inicio = s.size();
  for (char c : t) {
    auto b = static_cast<unsigned char>(c);
    if (plataforma::Controle(b)) {
      s += ' ';
    } else if (b == '|') {
      s += '/';
    } else if (b < 0x80 || b >= 0xA0) {
      s += c;
    } else {
      // 0x80..0x9F are Windows-1252 characters that ISO-8859-1 lacks: the usual ones get their
      // plain equivalent, the rest go.
      switch (b) {
        case 0x93:
        case 0x94:
        case 0x84: s += '"'; break;  // “ ” „
        case 0x91:
        case 0x92:
        case 0x82: s += '\''; break;  // ‘ ’ ‚
        case 0x96:
        case 0x97:
        case 0x95: s += '-'; break;    // – — •
        case 0x85: s += "..."; break;  // …
        case 0x80: s += "EUR"; break;  // €
        case 0x99: s += "TM"; break;   // ™
        default: break;
      }
    }
  }
  AparDireita(s, inicio);
  size_t primeiro = inicio;
  while (primeiro < s.size() && s[primeiro] == ' ') ++primeiro;
  s.erase(inicio, primeiro - inicio);
}

// The unit as a text field from s[inicio] on made UNID: cut to six characters (the cut may end at
// a blank), UN for none.
void FecharUnidadeEfd(std::string& s, size_t inicio) {
  if (s.size() - inicio > TamanhoUnidade) {
    s.resize(inicio + TamanhoUnidade);
    AparDireita(s, inicio);
  }
  if (s.size() == inicio) s += "UN";
}

// The value scaled by 10^casas with a decimal comma and exactly `casas` decimals; a minus sign
// only when negative.
void AnexarDecimal(std::string& s, int64_t valor, int casas) {
  char texto[plataforma::TamanhoTextoDecimal];
  s.append(texto, plataforma::EscreverDecimal(texto, valor, casas, ','));
}

void Registro(std::string& s, std::initializer_list<std::string_view> campos) {
  for (std::string_view c : campos) {
    s += '|';
    s += c;
  }
  s += "|\r\n";
}

std::string Decimal(int64_t valor, int casas) {
  std::string s;
  AnexarDecimal(s, valor, casas);
  return s;
}

struct TCampos {
  std::string_view Codigo, Descricao, Barras, Unidade, Ncm;
};

TCampos LerCampos(const std::string& textos, size_t inicio) {
  std::string_view t(textos);
  auto proximo = [&]() {
    size_t fim = t.find('\0', inicio);
    std::string_view campo = t.substr(inicio, fim - inicio);
    inicio = fim + 1;
    return campo;
  };
  TCampos c;
  c.Codigo = proximo();
  c.Descricao = proximo();
  c.Barras = proximo();
  c.Unidade = proximo();
  c.Ncm = proximo();
  return c;
}

// A failure names at most this many products; the count says how many there are.
constexpr size_t MaximoNomeados = 20;

}  // namespace

std::string TextoEfd(std::string_view w1252) {
  std::string s;
  AnexarTextoEfd(s, w1252);
  return s;
}

std::string UnidadeEfd(std::string_view w1252) {
  std::string s;
  AnexarTextoEfd(s, w1252);
  FecharUnidadeEfd(s, 0);
  return s;
}

void TBlocoH::Acrescentar(const TItemInventario& item) {
  int64_t soma;
  if (__builtin_add_overflow(somaCentavos_, item.CentavosLinha, &soma))
    throw plataforma::EValorForaDoIntervalo("Valor fora do intervalo permitido");

  TLinha l;
  l.Inicio = textos_.size();
  l.QuantidadeMilesimos = static_cast<int64_t>(
      plataforma::DividirArredondando(item.Quantidade.DezMilesimos, 1, plataforma::TArredondamento::MetadeLongeDoZero));
  l.Unitario = item.Unitario.DezMilesimos;
  l.Centavos = item.CentavosLinha;

  AnexarTextoEfd(textos_, item.CodItem);
  const std::string codigo = textos_.substr(l.Inicio);
  textos_ += '\0';
  // DESCR_ITEM and UNID_INV are required: a product without them gets a stand-in, and the user
  // a line to correct the registration by.
  const size_t descricao = textos_.size();
  AnexarTextoEfd(textos_, item.Descricao);
  if (textos_.size() == descricao) {
    textos_ += "PRODUTO " + codigo;
    avisos_.push_back(W("produto ") + codigo + W(" sem descrição: escrito como PRODUTO ") + codigo);
  }
  textos_ += '\0';
  AnexarTextoEfd(textos_, item.Barras);
  textos_ += '\0';
  const size_t unidade = textos_.size();
  AnexarTextoEfd(textos_, item.Unidade);
  const std::string inteira = textos_.size() - unidade > TamanhoUnidade ? textos_.substr(unidade) : std::string();
  const bool semUnidade = textos_.size() == unidade;
  FecharUnidadeEfd(textos_, unidade);
  if (!inteira.empty() && unidadesCortadas_.insert(inteira).second)
    avisos_.push_back("unidade " + inteira + " com mais de 6 caracteres: escrita como " + textos_.substr(unidade));
  if (semUnidade) avisos_.push_back(W("produto ") + codigo + W(" sem unidade: escrito como UN"));
  textos_ += '\0';
  // NCM stored with dots or blanks ("2106.90.90"): its digits, when there are exactly eight.
  const size_t ncm = textos_.size();
  for (char c : item.Ncm)
    if (c >= '0' && c <= '9') textos_ += c;
  if (textos_.size() - ncm != 8) textos_.resize(ncm);
  textos_ += '\0';

  if (l.QuantidadeMilesimos < 0 || l.Unitario < 0 || l.Centavos < 0) {
    if (negativos_.size() < MaximoNomeados)
      negativos_.push_back(codigo + " (quantidade " + Decimal(l.QuantidadeMilesimos, 3) + W(", valor unitário ") +
                           Decimal(l.Unitario, 4) + "00, valor " + Decimal(l.Centavos, 2) + ")");
    ++quantosNegativos_;
  }
  linhas_.push_back(l);
  somaCentavos_ = soma;
}

TRegistro0200 TPartesBlocoH::Registro0200(size_t i) const {
  std::string_view r = Trecho(limites0200_[i], limites0200_[i + 1]);
  return {r, CampoEfd(r, campo::CodItem0200), CampoEfd(r, campo::DescrItem0200), CampoEfd(r, campo::UnidInv0200)};
}

std::string_view TPartesBlocoH::Codigo0200(size_t i) const {
  std::string_view r = Trecho(limites0200_[i] + 6, limites0200_[i + 1]);  // after "|0200|"
  return r.substr(0, r.find('|'));
}

TPartesBlocoH TBlocoH::Montar(const plataforma::TDataHora& data, std::string_view motivo,
                              std::string_view contaContabil) const {
  std::string erro = ValidarMotivo(motivo);
  if (!erro.empty()) throw EBlocoH(erro);
  if (total_ && *total_ != somaCentavos_)
    throw EBlocoH(W("O total do registro (") + Decimal(*total_, 2) + W(") difere da soma dos itens do bloco H (") +
                  Decimal(somaCentavos_, 2) + ")");
  if (!contaContabil.empty()) {
    erro = ValidarContaContabil(contaContabil);
    if (!erro.empty()) throw EBlocoH(erro);
  }
  if (quantosNegativos_ > 0) {
    std::string m = W("bloco H não gravado: ") + std::to_string(quantosNegativos_) +
                    (quantosNegativos_ == 1 ? " produto" : " produtos") +
                    W(" com quantidade ou valor negativo, que o leiaute da EFD não aceita: ");
    for (size_t i = 0; i < negativos_.size(); ++i) m += (i ? "; " : "") + negativos_[i];
    if (quantosNegativos_ > negativos_.size()) m += "; e mais " + std::to_string(quantosNegativos_ - negativos_.size());
    throw EBlocoH(m);
  }
  if (!linhas_.empty() && somaCentavos_ == 0)
    throw EBlocoH(W("bloco H não gravado: os itens do inventário (") + std::to_string(linhas_.size()) +
                  W(") somam 0,00, e a EFD não aceita itens (H010) num inventário de valor zero"));

  TPartesBlocoH p;
  p.Data = data;
  p.DataInventario = DataEfd(data);
  p.Conta = TextoEfd(contaContabil);
  p.ItensInventario = linhas_.size();
  const std::string& conta = p.Conta;

  std::string& s = p.Bytes;
  s.reserve(2 * textos_.size() + linhas_.size() * (80 + conta.size()) + 128);

  // Units in order of first appearance; the suite keeps no unit descriptions.
  std::unordered_set<std::string_view> vistos;
  for (const TLinha& l : linhas_)
    if (const TCampos c = LerCampos(textos_, l.Inicio); vistos.insert(c.Unidade).second) {
      Registro(s, {"0190", c.Unidade, c.Unidade});
      p.limites0190_.push_back(s.size());
    }

  // COD_ITEM must be unique among the 0200 records: a product that appears twice (which the
  // register's query does not produce) gets the record of its first row.
  auto codigo = [&](uint32_t i) {
    std::string_view t = std::string_view(textos_).substr(linhas_[i].Inicio);
    return t.substr(0, t.find('\0'));
  };
  TIndiceTextos<decltype(codigo)> codigos(linhas_.size(), codigo);
  p.limites0200_ = {s.size()};
  p.limites0200_.reserve(linhas_.size() + 1);
  for (uint32_t i = 0; i < linhas_.size(); ++i) {
    if (codigos.Inserir(i)) continue;
    const TCampos c = LerCampos(textos_, linhas_[i].Inicio);
    std::string_view genero = c.Ncm.substr(0, 2);
    Registro(s, {"0200", c.Codigo, c.Descricao, c.Barras, "", c.Unidade, "00", c.Ncm, "", genero, "", "", ""});
    p.limites0200_.push_back(s.size());
  }

  Registro(s, {"H001", "0"});
  p.inicioH005_ = s.size();
  Registro(s, {"H005", p.DataInventario, Decimal(total_.value_or(somaCentavos_), 2), motivo});

  std::string qtd, unitario, valor;
  for (const TLinha& l : linhas_) {
    const TCampos c = LerCampos(textos_, l.Inicio);
    qtd.clear();
    AnexarDecimal(qtd, l.QuantidadeMilesimos, 3);
    unitario.clear();
    AnexarDecimal(unitario, l.Unitario, 4);
    unitario += "00";  // six decimals from four
    valor.clear();
    AnexarDecimal(valor, l.Centavos, 2);
    Registro(s, {"H010", c.Codigo, c.Unidade, qtd, unitario, valor, "0", "", "", conta, ""});
  }
  p.inicioH990_ = s.size();
  Registro(s, {"H990", std::to_string(linhas_.size() + 3)});
  return p;
}

std::string TBlocoH::Gerar(const plataforma::TDataHora& data, std::string_view motivo,
                           std::string_view contaContabil) const {
  return Montar(data, motivo, contaContabil).Bytes;
}

std::string ValidarMotivo(std::string_view motivo) {
  if (motivo == "01") return "";
  const bool h020 = motivo.size() == 2 && motivo[0] == '0' && motivo[1] >= '2' && motivo[1] <= '5';
  if (h020 || motivo == "06")
    return "--motivo " + std::string(motivo) + W(" exige um registro ") + (h020 ? "H020" : "H030") +
           W(" sob cada H010, com dados de ICMS que o banco de dados não tem; só o motivo 01 pode ser gravado");
  return W("--motivo deve ser 01, não \"") + std::string(motivo) + "\"";
}

std::string ValidarContaContabil(std::string_view conta) {
  std::string t = TextoEfd(conta);
  if (t.empty()) return W("--conta-contabil não pode ser vazia");
  if (t.size() > TamanhoConta) return "--conta-contabil tem mais de 255 caracteres";
  return "";
}

std::string_view CampoEfd(std::string_view registro, size_t n) {
  if (registro.empty() || registro[0] != '|') return {};
  size_t inicio = 1;
  for (size_t i = 1; i < n; ++i) {
    size_t barra = registro.find('|', inicio);
    if (barra == std::string_view::npos) return {};
    inicio = barra + 1;
  }
  size_t fim = registro.find('|', inicio);
  if (fim == std::string_view::npos) return {};
  return registro.substr(inicio, fim - inicio);
}

std::string DataEfd(const plataforma::TDataHora& data) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "%02d%02d%04d", data.Dia, data.Mes, data.Ano);
  return texto;
}

std::string NomeArquivoBlocoH(int32_t filial, const plataforma::TDataHora& data) {
  char texto[64];
  std::snprintf(texto, sizeof texto, "BLOCOH_%d_%04d%02d%02d.txt", filial, data.Ano, data.Mes, data.Dia);
  return texto;
}

}  // namespace efd
