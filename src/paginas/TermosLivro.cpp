#include "paginas/TermosLivro.h"

#include <algorithm>
#include <utility>

#include "platform/Texto.h"
#include "platform/Win1252.h"

namespace paginas {
namespace {

// The register's page: a blank, then a frame of 136 characters; the text keeps two blanks off it.
constexpr std::size_t kLargura = 137;
constexpr std::size_t kMiolo = kLargura - 7;
constexpr std::size_t kRotulo = 33;      // labels of the data block
constexpr std::size_t kAssinatura = 50;  // one signature's column
constexpr std::size_t kEntreAssinaturas = kMiolo - 2 * kAssinatura;

std::string Completar(std::string texto, std::size_t largura) {
  if (texto.size() < largura) texto.append(largura - texto.size(), ' ');
  return texto;
}

std::string Centrar(const std::string& texto, std::size_t largura) {
  if (texto.size() >= largura) return texto;
  return Completar(std::string((largura - texto.size()) / 2, ' ') + texto, largura);
}

std::string Moldura(const std::string& texto) { return " |  " + Completar(texto, kMiolo) + "  |"; }

// Words to lines of at most `largura` characters; a longer word is cut. Nothing gives one empty
// line, so that a missing value still keeps its line.
std::vector<std::string> Quebrar(std::string_view texto, std::size_t largura) {
  std::vector<std::string> linhas;
  std::string atual;
  std::size_t i = 0;
  while (i < texto.size()) {
    while (i < texto.size() && texto[i] == ' ') ++i;
    std::size_t fim = texto.find(' ', i);
    std::string_view palavra = texto.substr(i, (fim == std::string_view::npos ? texto.size() : fim) - i);
    i += palavra.size();
    while (palavra.size() > largura) {
      if (!atual.empty()) linhas.push_back(std::exchange(atual, {}));
      linhas.emplace_back(palavra.substr(0, largura));
      palavra.remove_prefix(largura);
    }
    if (palavra.empty()) continue;
    if (!atual.empty() && atual.size() + 1 + palavra.size() > largura) linhas.push_back(std::exchange(atual, {}));
    if (!atual.empty()) atual += ' ';
    atual += palavra;
  }
  if (!atual.empty() || linhas.empty()) linhas.push_back(atual);
  return linhas;
}

std::string Ate99(int n) {
  static const char* const unidades[] = {"", "uma", "duas", "três", "quatro", "cinco", "seis", "sete", "oito", "nove"};
  static const char* const dez[] = {"dez",    "onze",      "doze",      "treze",   "quatorze",
                                    "quinze", "dezesseis", "dezessete", "dezoito", "dezenove"};
  static const char* const dezenas[] = {"",          "",         "vinte",   "trinta",  "quarenta",
                                        "cinquenta", "sessenta", "setenta", "oitenta", "noventa"};
  if (n < 10) return unidades[n];
  if (n < 20) return dez[n - 10];
  return std::string(dezenas[n / 10]) + (n % 10 ? std::string(" e ") + unidades[n % 10] : "");
}

std::string Ate999(int n) {
  static const char* const centenas[] = {"",           "cento",      "duzentas",   "trezentas",  "quatrocentas",
                                         "quinhentas", "seiscentas", "setecentas", "oitocentas", "novecentas"};
  if (n == 100) return "cem";
  const int resto = n % 100;
  std::string r = centenas[n / 100];
  if (resto) r += (r.empty() ? "" : " e ") + Ate99(resto);
  return r;
}

std::string Valor(const TDadosTermos& d, TChaveTermos chave) { return d.Valores[chave]; }

void Dado(std::vector<std::string>& linhas, const char* rotuloUtf8, const std::string& valor) {
  auto partes = Quebrar(valor, kMiolo - kRotulo);
  for (std::size_t i = 0; i < partes.size(); ++i)
    linhas.push_back(Moldura(Completar(i == 0 ? W(rotuloUtf8) : "", kRotulo) + partes[i]));
}

// Two signatures side by side: the line, then each one's lines centred under it.
void Assinaturas(std::vector<std::string>& linhas, const std::vector<std::string>& esquerda,
                 const std::vector<std::string>& direita) {
  const std::string traco(kAssinatura, '_');
  linhas.push_back(Moldura(traco + std::string(kEntreAssinaturas, ' ') + traco));
  std::vector<std::string> e, d;
  for (const auto& t : esquerda)
    for (auto& l : Quebrar(t, kAssinatura)) e.push_back(std::move(l));
  for (const auto& t : direita)
    for (auto& l : Quebrar(t, kAssinatura)) d.push_back(std::move(l));
  for (std::size_t i = 0; i < std::max(e.size(), d.size()); ++i)
    linhas.push_back(Moldura(Centrar(i < e.size() ? e[i] : "", kAssinatura) + std::string(kEntreAssinaturas, ' ') +
                             Centrar(i < d.size() ? d[i] : "", kAssinatura)));
}

std::string FraseFolhas(const TFolhasLivro& f) {
  const int n = f.Quantidade;
  std::string extenso = NumeroPorExtenso(n);
  std::string r = std::to_string(n) + (extenso.empty() ? "" : " (" + extenso + ")") + (n == 1 ? " folha" : " folhas");
  if (f.Primeira && f.Ultima) {
    if (n == 1) return r + W(", de número ") + std::to_string(*f.Primeira) + ",";
    return r + " numeradas de " + std::to_string(*f.Primeira) + " a " + std::to_string(*f.Ultima);
  }
  return r + (n == 1 ? " numerada" : " numeradas");
}

}  // namespace

std::string NumeroPorExtenso(int n) {
  if (n < 0 || n > 999999) return "";
  if (n == 0) return "zero";
  const int milhares = n / 1000, resto = n % 1000;
  std::string r = milhares == 0 ? "" : milhares == 1 ? "mil" : Ate999(milhares) + " mil";
  // "mil e duzentas", "mil e trinta", but "mil duzentas e trinta".
  if (resto) r += (r.empty() ? "" : resto < 100 || resto % 100 == 0 ? " e " : " ") + Ate999(resto);
  return W(r);
}

std::string DataPorExtenso(const plataforma::TDataHora& data) {
  static const char* const meses[] = {"janeiro", "fevereiro", "março",    "abril",   "maio",     "junho",
                                      "julho",   "agosto",    "setembro", "outubro", "novembro", "dezembro"};
  const char* mes = data.Mes >= 1 && data.Mes <= 12 ? meses[data.Mes - 1] : "";
  return W((data.Dia == 1 ? std::string("1º") : std::to_string(data.Dia)) + " de " + mes + " de " +
           std::to_string(data.Ano));
}

std::vector<std::string> ComporTermo(TTipoTermo tipo, const TDadosTermos& d, const TFolhasLivro& folhas) {
  const bool abertura = tipo == TTipoTermo::Abertura;
  const std::string regra = " " + std::string(kLargura - 1, '=');
  const std::string vazia = Moldura("");
  const std::string data = plataforma::FormatarData("dd/mm/yyyy", d.DataEstoque);
  std::vector<std::string> l = {
      "", "", " ", " " + Centrar(W("LIVRO REGISTRO DE INVENTÁRIO - RI - MODELO P7"), kLargura - 2), " ", regra, vazia};
  l.push_back(Moldura(Centrar(abertura ? "TERMO DE ABERTURA" : "TERMO DE ENCERRAMENTO", kMiolo)));
  l.insert(l.end(), {vazia, regra, vazia, vazia});

  // The wording of the fiscal books' terms: what the book holds and what it serves for.
  const std::string texto = W("Contém este livro ") + FraseFolhas(folhas) + W(" e ") +
                            (abertura ? W("servirá") : W("serviu")) +
                            W(" para o lançamento do inventário das mercadorias e demais bens em estoque em ") + data +
                            W(" do estabelecimento do contribuinte abaixo identificado, como Livro Registro de "
                              "Inventário - Modelo P7.");
  for (const auto& linha : Quebrar(texto, kMiolo)) l.push_back(Moldura(linha));
  l.insert(l.end(), {vazia, vazia});

  Dado(l, "LIVRO:", W("Livro Registro de Inventário - Modelo P7"));
  Dado(l, "NÚMERO DE ORDEM:", Valor(d, TChaveTermos::Livro));
  Dado(l, "ESTOQUES EXISTENTES EM:", data);
  l.push_back(vazia);
  Dado(l, "RAZÃO SOCIAL:", d.Empresa.RazaoSocial);
  Dado(l, "CNPJ:", d.Empresa.Cnpj);
  Dado(l, "INSCRIÇÃO ESTADUAL:", d.Empresa.InscricaoEstadual);
  Dado(l, "ENDEREÇO:", Valor(d, TChaveTermos::Endereco));
  Dado(l, "MUNICÍPIO:", Valor(d, TChaveTermos::Municipio));
  Dado(l, "UF:", Valor(d, TChaveTermos::UF));
  Dado(l, "CEP:", Valor(d, TChaveTermos::CEP));
  Dado(l, "NIRE:", Valor(d, TChaveTermos::NIRE));
  Dado(l, "REGISTRO NA JUNTA COMERCIAL EM:", Valor(d, TChaveTermos::DataRegistro));
  l.insert(l.end(), {vazia, vazia});

  // Place and date: the municipality and state where known, then the stock date.
  std::string local = Valor(d, TChaveTermos::Municipio);
  const std::string& uf = Valor(d, TChaveTermos::UF);
  if (!uf.empty()) local += (local.empty() ? "" : " - ") + uf;
  for (const auto& linha : Quebrar((local.empty() ? "" : local + ", ") + DataPorExtenso(d.DataEstoque) + ".", kMiolo))
    l.push_back(Moldura(Centrar(linha, kMiolo)));
  l.insert(l.end(), {vazia, vazia, vazia, vazia});

  const std::string& crc = Valor(d, TChaveTermos::CRC);
  Assinaturas(l, {Valor(d, TChaveTermos::Responsavel), Valor(d, TChaveTermos::Cargo)},
              {Valor(d, TChaveTermos::Contador), crc.empty() ? "" : "CRC " + crc});
  l.insert(l.end(), {vazia, regra});
  return l;
}

}  // namespace paginas
