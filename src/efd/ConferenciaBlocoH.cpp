#include "efd/ConferenciaBlocoH.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "efd/AberturaEfd.h"
#include "efd/BlocoH.h"
#include "efd/LeituraEfd.h"
#include "platform/Win1252.h"

namespace efd {

namespace {

// One H010 under the inventory of the date.
struct TItemBloco {
  std::string Codigo, Unidade;
  int64_t Quantidade = 0;  // ten-thousandths
  int64_t Centavos = 0;
};

bool Digitos(std::string_view t) { return !t.empty() && t.find_first_not_of("0123456789") == std::string_view::npos; }

// Product order: numeric codes by their value, then by their text ("042" beside "42"), before
// every other code, which goes by its text.
bool AntesNaOrdem(std::string_view a, std::string_view b) {
  const bool na = Digitos(a), nb = Digitos(b);
  if (na != nb) return na;
  if (na) {
    auto valor = [](std::string_view t) { return t.substr(std::min(t.find_first_not_of('0'), t.size())); };
    const std::string_view x = valor(a), y = valor(b);
    if (x.size() != y.size()) return x.size() < y.size();
    if (x != y) return x < y;
  }
  return a < b;
}

// A number of the layout (digits, then a comma and up to `casas` decimals; no sign, no thousands
// separator) in units of 10^-escala; nullopt for anything else.
std::optional<int64_t> LerNumero(std::string_view t, size_t casas, size_t escala) {
  const size_t virgula = t.find(',');
  const std::string_view inteira = t.substr(0, virgula);
  const std::string_view fracao = virgula == std::string_view::npos ? std::string_view() : t.substr(virgula + 1);
  if (!Digitos(inteira) || (virgula != std::string_view::npos && !Digitos(fracao)) || fracao.size() > casas)
    return std::nullopt;
  __int128 v = 0;
  for (char c : inteira)
    if ((v = v * 10 + (c - '0')) > INT64_MAX) return std::nullopt;
  for (size_t i = 0; i < escala; ++i)
    if ((v = v * 10 + (i < fracao.size() ? fracao[i] - '0' : 0)) > INT64_MAX) return std::nullopt;
  return static_cast<int64_t>(v);
}

int64_t Numero(const TLeitorEfd& leitor, const TLinhaEfd& l, size_t campo, const char* nome, size_t casas,
               size_t escala) {
  const std::string_view t = CampoEfd(l.Conteudo, campo);
  const std::optional<int64_t> v = LerNumero(t, casas, escala);
  if (!v)
    leitor.Recusar(leitor.NaLinha() + " (" + std::string(l.Registro()) + "): " + nome + " \"" + std::string(t) +
                   W("\" não é um número do leiaute (sem sinal, vírgula decimal, até ") + std::to_string(casas) +
                   " casas decimais)");
  return *v;
}

int64_t Menos(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_sub_overflow(a, b, &r)) throw EArquivoEfd("Valor fora do intervalo permitido");
  return r;
}

std::string DataLegivel(std::string_view ddmmaaaa) {
  if (ddmmaaaa.size() != 8 || !Digitos(ddmmaaaa)) return "\"" + std::string(ddmmaaaa) + "\"";
  return std::string(ddmmaaaa.substr(0, 2)) + "/" + std::string(ddmmaaaa.substr(2, 2)) + "/" +
         std::string(ddmmaaaa.substr(4));
}

// What the file holds for the comparison.
struct TLidoDoArquivo {
  std::vector<TItemBloco> Itens;                            // the H010s under the H005 of the date, in order
  std::unordered_map<std::string, std::string> Descricoes;  // 0200 of the codes the book lacks
  int64_t ValorInventario = 0;
};

TLidoDoArquivo LerArquivo(const std::filesystem::path& arquivo, const plataforma::TDataHora& data,
                          const std::vector<TItemLivro>& livro) {
  const std::string dataInventario = DataEfd(data);
  std::unordered_set<std::string_view> codigosLivro;
  for (const TItemLivro& i : livro) codigosLivro.insert(i.Codigo);

  TLidoDoArquivo r;
  std::vector<std::string> datas;  // every DT_INV, once, in order
  size_t inventarios = 0;          // of the date
  bool sob = false;                // under the H005 of the date
  TLeitorEfd leitor(arquivo);
  for (TLinhaEfd l; leitor.Proxima(l);) {
    const std::string_view reg = l.Registro();
    if (reg == "0200") {
      const std::string_view codigo = CampoEfd(l.Conteudo, campo::CodItem0200);
      if (!codigosLivro.count(codigo))
        r.Descricoes.emplace(codigo, CampoEfd(l.Conteudo, campo::DescrItem0200));  // the first 0200 of a code
    } else if (reg == "H005") {
      const std::string_view dt = CampoEfd(l.Conteudo, campo::DtInvH005);
      if (std::find(datas.begin(), datas.end(), dt) == datas.end()) datas.emplace_back(dt);
      sob = dt == dataInventario;
      if (sob && ++inventarios == 1) r.ValorInventario = Numero(leitor, l, campo::VlInvH005, "VL_INV", 2, 2);
    } else if (reg == "H010") {
      if (sob)
        r.Itens.push_back(
            {std::string(CampoEfd(l.Conteudo, campo::CodItemH010)), std::string(CampoEfd(l.Conteudo, campo::UnidH010)),
             Numero(leitor, l, campo::QtdH010, "QTD", 3, 4), Numero(leitor, l, campo::VlItemH010, "VL_ITEM", 2, 2)});
    } else if (reg != "H020" && reg != "H030") {
      sob = false;  // H010's children keep it; anything else ends the inventory
    }
  }

  const std::string onde = W("arquivo EFD \"") + leitor.Nome() + "\"";
  if (inventarios == 0) {
    std::string lista;
    for (const std::string& d : datas) lista += (lista.empty() ? "" : ", ") + DataLegivel(d);
    throw EArquivoEfd(onde + W(" sem inventário (H005) de ") + DataLegivel(dataInventario) +
                      (datas.empty() ? W("; o arquivo não tem nenhum H005") : "; o arquivo tem os de " + lista));
  }
  if (inventarios > 1)
    throw EArquivoEfd(onde + " com " + std::to_string(inventarios) + W(" inventários (H005) de ") +
                      DataLegivel(dataInventario) + W(": não se sabe qual deles conferir"));
  return r;
}

}  // namespace

TConferenciaBlocoH ConferirBlocoH(const std::filesystem::path& arquivo, const plataforma::TDataHora& data,
                                  const std::vector<TItemLivro>& livro, int64_t totalLivro) {
  const TLidoDoArquivo lido = LerArquivo(arquivo, data, livro);
  const std::vector<TItemBloco>& bloco = lido.Itens;

  TConferenciaBlocoH r;
  r.TotalLivro = totalLivro;
  r.ValorInventario = lido.ValorInventario;
  for (const TItemBloco& b : bloco)
    if (__builtin_add_overflow(r.SomaItens, b.Centavos, &r.SomaItens))
      throw EArquivoEfd("Valor fora do intervalo permitido");
  r.LivroMenosSoma = Menos(r.TotalLivro, r.SomaItens);
  r.LivroMenosInventario = Menos(r.TotalLivro, r.ValorInventario);
  r.InventarioMenosSoma = Menos(r.ValorInventario, r.SomaItens);

  // Both sides in product order, each code's lines in their order, then walked together.
  auto ordenar = [](const auto& itens) {
    std::vector<size_t> ordem(itens.size());
    std::iota(ordem.begin(), ordem.end(), size_t(0));
    std::stable_sort(ordem.begin(), ordem.end(),
                     [&](size_t a, size_t b) { return AntesNaOrdem(itens[a].Codigo, itens[b].Codigo); });
    return ordem;
  };
  const std::vector<size_t> ordemLivro = ordenar(livro), ordemBloco = ordenar(bloco);
  size_t i = 0, j = 0;
  while (i < ordemLivro.size() || j < ordemBloco.size()) {
    const std::string* codigo;
    if (j == ordemBloco.size() ||
        (i < ordemLivro.size() && !AntesNaOrdem(bloco[ordemBloco[j]].Codigo, livro[ordemLivro[i]].Codigo)))
      codigo = &livro[ordemLivro[i]].Codigo;
    else
      codigo = &bloco[ordemBloco[j]].Codigo;
    size_t fimI = i, fimJ = j;
    while (fimI < ordemLivro.size() && livro[ordemLivro[fimI]].Codigo == *codigo) ++fimI;
    while (fimJ < ordemBloco.size() && bloco[ordemBloco[fimJ]].Codigo == *codigo) ++fimJ;

    std::string descricao;
    if (fimI > i) {
      descricao = livro[ordemLivro[i]].Descricao;
    } else if (auto d = lido.Descricoes.find(*codigo); d != lido.Descricoes.end()) {
      descricao = d->second;
    }
    for (size_t k = 0; i + k < fimI || j + k < fimJ; ++k) {
      const TItemLivro* a = i + k < fimI ? &livro[ordemLivro[i + k]] : nullptr;
      const TItemBloco* b = j + k < fimJ ? &bloco[ordemBloco[j + k]] : nullptr;
      ++r.Itens;
      TDiferencaBlocoH d;
      d.Codigo = *codigo;
      d.Descricao = a ? a->Descricao : descricao;
      if (a) {
        d.NoLivro = true;
        d.UnidadeLivro = a->Unidade;
        d.QuantidadeLivro = a->Quantidade;
        d.CentavosLivro = a->Centavos;
      }
      if (b) {
        d.NoBloco = true;
        d.UnidadeBloco = b->Unidade;
        d.QuantidadeBloco = b->Quantidade;
        d.CentavosBloco = b->Centavos;
      }
      d.Diferenca = Menos(d.CentavosLivro, d.CentavosBloco);
      if (a && b) {
        d.UnidadeDifere = a->Unidade != b->Unidade;
        d.QuantidadeDifere = a->Quantidade != b->Quantidade;
        d.ValorDifere = a->Centavos != b->Centavos;
        if (!d.UnidadeDifere && !d.QuantidadeDifere && !d.ValorDifere) continue;
      }
      r.Diferencas.push_back(std::move(d));
    }
    i = fimI;
    j = fimJ;
  }
  return r;
}

}  // namespace efd
