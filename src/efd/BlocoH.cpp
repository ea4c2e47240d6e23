#include "efd/BlocoH.h"

#include <cstdio>
#include <initializer_list>
#include <unordered_set>

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
    if (b < 0x20) {
      s += ' ';
    } else if (b == '|') {
      s += '/';
    } else if (b < 0x80 || b >= 0xA0) {
      s += c;
    } else {
      // 0x80..0x9F are Windows-1252 characters that ISO-8859-1 lacks: the usual ones get their
      // plain equivalent, the rest go.
      switch (b) {
        case 0x93: case 0x94: case 0x84: s += '"'; break;   // “ ” „
        case 0x91: case 0x92: case 0x82: s += '\''; break;  // ‘ ’ ‚
        case 0x96: case 0x97: case 0x95: s += '-'; break;   // – — •
        case 0x85: s += "..."; break;                       // …
        case 0x80: s += "EUR"; break;                       // €
        case 0x99: s += "TM"; break;                        // ™
        default: break;
      }
    }
  }
  AparDireita(s, inicio);
  size_t primeiro = inicio;
  while (primeiro < s.size() && s[primeiro] == ' ') ++primeiro;
  s.erase(inicio, primeiro - inicio);
}

// The value scaled by 10^casas with a decimal comma and exactly `casas` decimals; a minus sign
// only when negative.
void AnexarDecimal(std::string& s, int64_t valor, int casas) {
  uint64_t absoluto = valor < 0 ? uint64_t(0) - static_cast<uint64_t>(valor) : static_cast<uint64_t>(valor);
  char invertido[48];
  size_t n = 0;
  for (int i = 0; i < casas; ++i, absoluto /= 10) invertido[n++] = static_cast<char>('0' + absoluto % 10);
  if (casas > 0) invertido[n++] = ',';
  do {
    invertido[n++] = static_cast<char>('0' + absoluto % 10);
    absoluto /= 10;
  } while (absoluto != 0);
  if (valor < 0) s += '-';
  while (n > 0) s += invertido[--n];
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

bool OitoDigitos(std::string_view t) {
  if (t.size() != 8) return false;
  for (char c : t)
    if (c < '0' || c > '9') return false;
  return true;
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

}  // namespace

std::string TextoEfd(std::string_view w1252) {
  std::string s;
  AnexarTextoEfd(s, w1252);
  return s;
}

void TBlocoH::Acrescentar(const TItemInventario& item) {
  int64_t soma;
  if (__builtin_add_overflow(somaCentavos_, item.CentavosLinha, &soma))
    throw plataforma::EValorForaDoIntervalo("Valor fora do intervalo permitido");

  TLinha l;
  l.Inicio = textos_.size();
  l.QuantidadeMilesimos = static_cast<int64_t>(plataforma::DividirArredondando(
      item.Quantidade.DezMilesimos, 1, plataforma::TArredondamento::MetadeLongeDoZero));
  l.Unitario = item.Unitario.DezMilesimos;
  l.Centavos = item.CentavosLinha;

  const size_t codigo = textos_.size();
  AnexarTextoEfd(textos_, item.CodItem);
  const size_t tamanhoCodigo = textos_.size() - codigo;
  textos_ += '\0';
  AnexarTextoEfd(textos_, item.Descricao);
  textos_ += '\0';
  AnexarTextoEfd(textos_, item.Barras);
  textos_ += '\0';
  const size_t unidade = textos_.size();
  AnexarTextoEfd(textos_, item.Unidade);
  if (textos_.size() - unidade > TamanhoUnidade) {
    textos_.resize(unidade + TamanhoUnidade);
    AparDireita(textos_, unidade);  // the cut may end at a blank
  }
  const bool semUnidade = textos_.size() == unidade;
  textos_ += '\0';
  const size_t ncm = textos_.size();
  AnexarTextoEfd(textos_, item.Ncm);
  if (!OitoDigitos(std::string_view(textos_).substr(ncm))) textos_.resize(ncm);
  textos_ += '\0';

  linhas_.push_back(l);
  somaCentavos_ = soma;
  if (semUnidade)
    avisos_.push_back(W("produto ") + textos_.substr(codigo, tamanhoCodigo) + W(" sem unidade: o arquivo não passará na validação"));
}

std::string TBlocoH::Gerar(const plataforma::TDataHora& data, std::string_view motivo,
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
  const std::string conta = TextoEfd(contaContabil);

  std::vector<TCampos> campos;
  campos.reserve(linhas_.size());
  for (const TLinha& l : linhas_) campos.push_back(LerCampos(textos_, l.Inicio));

  std::string s;
  s.reserve(2 * textos_.size() + linhas_.size() * (80 + conta.size()) + 128);

  // Units in order of first appearance; the suite keeps no unit descriptions.
  std::unordered_set<std::string_view> vistos;
  for (const TCampos& c : campos)
    if (!c.Unidade.empty() && vistos.insert(c.Unidade).second) Registro(s, {"0190", c.Unidade, c.Unidade});

  // COD_ITEM must be unique among the 0200 records: a product that appears twice (which the
  // register's query does not produce) gets the record of its first row.
  vistos.clear();
  for (const TCampos& c : campos) {
    if (!vistos.insert(c.Codigo).second) continue;
    std::string_view genero = c.Ncm.substr(0, 2);
    Registro(s, {"0200", c.Codigo, c.Descricao, c.Barras, "", c.Unidade, "00", c.Ncm, "", genero, "", "", ""});
  }

  char dataTexto[16];
  std::snprintf(dataTexto, sizeof dataTexto, "%02d%02d%04d", data.Dia, data.Mes, data.Ano);
  Registro(s, {"H001", "0"});
  Registro(s, {"H005", dataTexto, Decimal(total_.value_or(somaCentavos_), 2), motivo});

  std::string qtd, unitario, valor;
  for (size_t i = 0; i < linhas_.size(); ++i) {
    const TLinha& l = linhas_[i];
    qtd.clear();
    AnexarDecimal(qtd, l.QuantidadeMilesimos, 3);
    unitario.clear();
    AnexarDecimal(unitario, l.Unitario, 4);
    unitario += "00";  // six decimals from four
    valor.clear();
    AnexarDecimal(valor, l.Centavos, 2);
    Registro(s, {"H010", campos[i].Codigo, campos[i].Unidade, qtd, unitario, valor, "0", "", "", conta, ""});
  }
  Registro(s, {"H990", std::to_string(linhas_.size() + 3)});
  return s;
}

std::string ValidarMotivo(std::string_view motivo) {
  if (motivo.size() == 2 && motivo[0] == '0' && motivo[1] >= '1' && motivo[1] <= '6') return "";
  return "--motivo deve ser 01, 02, 03, 04, 05 ou 06";
}

std::string ValidarContaContabil(std::string_view conta) {
  std::string t = TextoEfd(conta);
  if (t.empty()) return W("--conta-contabil não pode ser vazia");
  if (t.size() > TamanhoConta) return "--conta-contabil tem mais de 255 caracteres";
  return "";
}

std::string NomeArquivoBlocoH(int32_t filial, const plataforma::TDataHora& data) {
  char texto[64];
  std::snprintf(texto, sizeof texto, "BLOCOH_%d_%04d%02d%02d.txt", filial, data.Ano, data.Mes, data.Dia);
  return texto;
}

}  // namespace efd
