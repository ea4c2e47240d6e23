// Block H from the same rows as the register, against tests/fixtures/efd/ (written by hand from
// the record layouts) and against the register's own lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "livro/BlocoHRegistro.h"
#include "livro/ComposicaoP7.h"
#include "efd/BlocoH.h"
#include "efd/MesclaEfd.h"
#include "platform/Texto.h"
#include "platform/Win1252.h"
#include "report/urelatorio.h"
#include "tests/support/SuporteTestes.h"

namespace {

const plataforma::TDataHora Data31122024{2024, 12, 31};

struct TComposto {
  std::vector<std::string> Corpo;  // the register's body lines
  std::string Bloco;
  std::vector<std::string> Avisos;
  efd::TPartesBlocoH Partes;
};

// The register of the rows composed with the block H observer, as the year-end command does.
TComposto Compor(std::vector<TLinhaMemoriaP7> linhas, std::string_view motivo, std::string_view conta) {
  suporte::TRegionalBrasil br;
  TParamsRelatorio params;
  params.DataEstoque = Data31122024;
  TFonteMemoriaP7 fonte(std::move(linhas));
  TImpressao impressao(params, PrimeiraFolhaP7);
  efd::TBlocoH bloco;
  TObservadorBlocoH observador(bloco);
  ComporRegistroP7(params, TFilial{}, fonte, impressao, &observador);
  efd::TPartesBlocoH partes = bloco.Montar(Data31122024, motivo, conta);
  std::string bytes = partes.Bytes;
  return {impressao.LinhasCorpo(), std::move(bytes), bloco.Avisos(), std::move(partes)};
}

std::vector<std::string> Dividir(std::string_view s, std::string_view sep) {
  std::vector<std::string> r;
  size_t i = 0;
  while (true) {
    size_t f = s.find(sep, i);
    r.emplace_back(s.substr(i, f == std::string_view::npos ? std::string_view::npos : f - i));
    if (f == std::string_view::npos) return r;
    i = f + sep.size();
  }
}

// "1.234,56" or "-0,05" in cents.
int64_t Centavos(std::string t) {
  std::string d;
  for (char c : t)
    if (c != '.' && c != ',' && c != ' ') d += c;
  EXPECT_EQ(t.substr(t.size() - 3, 1), ",") << t;
  return std::stoll(d);
}

std::string Aparado(const std::string& t) {
  size_t i = t.find_first_not_of(' '), f = t.find_last_not_of(' ');
  return i == std::string::npos ? "" : t.substr(i, f - i + 1);
}

std::string PrimeiraDiferenca(const std::string& obtido, const std::string& esperado) {
  auto a = Dividir(obtido, "\r\n"), b = Dividir(esperado, "\r\n");
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    std::string x = i < a.size() ? a[i] : "<fim>", y = i < b.size() ? b[i] : "<fim>";
    if (x != y) return "linha " + std::to_string(i + 1) + "\n obtido:   [" + x + "]\n esperado: [" + y + "]";
  }
  return "iguais";
}

TLinhaMemoriaP7 Linha(std::optional<std::string> id, std::optional<std::string> barras, std::optional<std::string> ncm,
                      std::optional<std::string> descricao, std::optional<std::string> unidade,
                      std::optional<std::string> quantidade, std::optional<std::string> valor) {
  return {ncm, descricao, unidade, quantidade, valor, id, barras};
}

}  // namespace

// Accents, a "|", typographic quotes and the other 0x80-0x9F bytes, a fractional quantity, an NCM
// of seven digits and one with dots, a blank unit, a unit longer than six characters, a NULL value.
TEST(BlocoH, FilialPequenaIgualAoEsperado) {
  std::vector<TLinhaMemoriaP7> linhas = {
      Linha("101", "7891000100103", "84713012", W("CANETA ESFEROGRÁFICA AZUL ") + "\x93PREMIUM\x94", "UN", "12.0000",
            "1.5000"),
      Linha("205", std::nullopt, "2201100", W("ÁGUA MINERAL 500ML | SEM GÁS"), "GARRAFA", "2.5005", "0.3333"),
      Linha("310", "7890000003109", "09012100",
            W("CAFÉ TORRADO ") + "\x96 250G \x97 \x80"
                                 "9,90\x85",
            "PCT", "3", "12.3456"),
      Linha("412", "", std::nullopt, "PARAFUSO\x81 SEXTAVADO 1/4\"", "  ", "100", "0.0450"),
      Linha("518", "7896000005181", "84713012",
            W("  DETERGENTE\tLÍQUIDO ") + "\x91NEUTRO\x92 YP" + W("Ê") + "\x99 \x95 500ML  ", "UN", "7.0000", "2.1990"),
      Linha("623", std::nullopt, "3304.99.90", "BATOM MATTE ROSA", "cx 12 un", "0.0005", std::nullopt),
  };
  TComposto r = Compor(linhas, "01", "1.1.04.001");

  std::string esperado = suporte::LerArquivo(suporte::CaminhoFonte("tests/fixtures/efd/filial_pequena/esperado.txt"));
  EXPECT_TRUE(r.Bloco == esperado) << PrimeiraDiferenca(r.Bloco, esperado);
  EXPECT_EQ(r.Avisos, (std::vector<std::string>{"unidade GARRAFA com mais de 6 caracteres: escrita como GARRAF",
                                                "produto 412 sem unidade: escrito como UN",
                                                "unidade cx 12 un com mais de 6 caracteres: escrita como cx 12"}));
  // The book prints the same total as H005.
  bool total = false;
  for (const std::string& l : r.Corpo) total = total || l.find("Total Geral: 75,76") != std::string::npos;
  EXPECT_TRUE(total);
}

// A larger generated branch: every invariant between the book and the file, and the record layout.
TEST(BlocoH, InvariantesDeUmaFilialGerada) {
  const std::vector<std::string> unidades = {"UN", "KG", "CX", "PCT", "GARRAFA", "LT", "", "  ", "M2", "CAIXA12"};
  std::vector<TLinhaMemoriaP7> linhas;
  std::vector<std::string> ids;
  uint64_t semente = 12345;
  auto sorteio = [&](uint64_t n) {
    semente = semente * 6364136223846793005ULL + 1442695040888963407ULL;
    return (semente >> 33) % n;
  };
  char t[64];
  for (int i = 0; i < 1234; ++i) {
    // Now and then a product id seen before: 0200 must still name it once.
    std::string id = i % 97 == 96 ? ids[sorteio(ids.size())] : std::to_string(1000 + i);
    ids.push_back(id);
    std::optional<std::string> ncm = i % 7 == 0 ? std::nullopt
                                     : i % 5 == 0
                                         ? std::optional<std::string>(std::to_string(1000000 + sorteio(9000000)))
                                         : std::optional<std::string>(std::to_string(10000000 + sorteio(89999999)));
    std::string descricao = "PRODUTO " + std::to_string(i) + (i % 3 == 0 ? W(" AÇÚCAR | ") : " \x93X\x94\t") +
                            std::string(sorteio(90), 'D');
    std::snprintf(t, sizeof t, "%llu.%04llu", static_cast<unsigned long long>(sorteio(5000)),
                  static_cast<unsigned long long>(sorteio(4) == 0 ? sorteio(10000) : 0));
    std::optional<std::string> quantidade = i % 50 == 7 ? std::nullopt : std::optional<std::string>(t);
    std::snprintf(t, sizeof t, "%llu.%06llu", static_cast<unsigned long long>(sorteio(3000)),
                  static_cast<unsigned long long>(sorteio(1000000)));
    std::optional<std::string> valor = i % 61 == 3 ? std::nullopt : std::optional<std::string>(t);
    linhas.push_back(Linha(id, i % 3 ? std::to_string(7890000000000 + i) : "", ncm, descricao,
                           unidades[sorteio(unidades.size())], quantidade, valor));
  }
  TComposto r = Compor(linhas, "01", "");

  // Every record is "|" fields "|" CR LF, nothing after the last; ISO-8859-1 without 0x80-0x9F
  // or control characters.
  ASSERT_GE(r.Bloco.size(), 2u);
  ASSERT_EQ(r.Bloco.substr(r.Bloco.size() - 2), "\r\n");
  std::vector<std::string> registros = Dividir(std::string_view(r.Bloco).substr(0, r.Bloco.size() - 2), "\r\n");
  for (unsigned char b : r.Bloco) {
    if (b == '\r' || b == '\n') continue;
    ASSERT_TRUE(b >= 0x20 && (b < 0x80 || b >= 0xA0)) << "byte " << int(b);
  }
  const std::map<std::string, size_t> camposPorRegistro = {{"0190", 3}, {"0200", 13}, {"H001", 2},
                                                           {"H005", 4}, {"H010", 11}, {"H990", 2}};
  const std::string ordem = "0190 0200 H001 H005 H010 H990";
  std::map<std::string, std::vector<std::vector<std::string>>> porTipo;
  size_t posicaoAnterior = 0;
  for (const std::string& l : registros) {
    ASSERT_TRUE(l.size() >= 2 && l.front() == '|' && l.back() == '|') << l;
    std::vector<std::string> campos = Dividir(std::string_view(l).substr(1, l.size() - 2), "|");
    ASSERT_EQ(camposPorRegistro.count(campos[0]), 1u) << l;
    ASSERT_EQ(campos.size(), camposPorRegistro.at(campos[0])) << l;
    size_t posicao = ordem.find(campos[0]);
    ASSERT_GE(posicao, posicaoAnterior) << "fora de ordem: " << l;
    posicaoAnterior = posicao;
    porTipo[campos[0]].push_back(campos);
  }
  ASSERT_EQ(porTipo["H001"].size(), 1u);
  ASSERT_EQ(porTipo["H005"].size(), 1u);
  ASSERT_EQ(porTipo["H990"].size(), 1u);
  EXPECT_EQ(porTipo["H001"][0][1], "0");
  EXPECT_EQ(porTipo["H005"][0][1], "31122024");
  EXPECT_EQ(porTipo["H005"][0][3], "01");
  const auto& h010 = porTipo["H010"];
  EXPECT_EQ(porTipo["H990"][0][1], std::to_string(h010.size() + 3));

  // One H010 per detail line of the book, in its order, with the value it prints; VL_INV is the
  // book's grand total and the sum of the VL_ITEM fields.
  std::vector<int64_t> valoresLivro;
  int64_t totalLivro = -1;
  for (const std::string& l : r.Corpo) {
    if (size_t p = l.find("Total Geral: "); p != std::string::npos)
      totalLivro = Centavos(Aparado(l.substr(p + 13)));
    else if (l.find('|') != std::string::npos) {
      auto segmentos = Dividir(l, "|");  // the description may hold a "|" itself: count from the end
      valoresLivro.push_back(Centavos(Aparado(segmentos[segmentos.size() - 2])));
    }
  }
  ASSERT_EQ(h010.size(), linhas.size());
  ASSERT_EQ(valoresLivro.size(), linhas.size());
  int64_t soma = 0;
  std::set<std::string> codigosH010, unidadesH010;
  for (size_t i = 0; i < h010.size(); ++i) {
    EXPECT_EQ(h010[i][1], ids[i]) << i;
    EXPECT_EQ(Centavos(h010[i][5]), valoresLivro[i]) << i;
    EXPECT_TRUE(!h010[i][2].empty() && h010[i][2].size() <= 6) << i;
    soma += Centavos(h010[i][5]);
    codigosH010.insert(h010[i][1]);
    unidadesH010.insert(h010[i][2]);
  }
  EXPECT_EQ(Centavos(porTipo["H005"][0][2]), totalLivro);
  EXPECT_EQ(soma, totalLivro);
  // One line per product without a unit, one per unit that was cut (GARRAFA, CAIXA12).
  size_t semUnidade = 0;
  for (const auto& l : linhas) semUnidade += plataforma::EmBranco(l.Unidade.value_or(""));
  EXPECT_GT(semUnidade, 0u);
  EXPECT_EQ(r.Avisos.size(), semUnidade + 2);

  // Every COD_ITEM has exactly one 0200 and every unit one 0190, and nothing else is named.
  std::multiset<std::string> codigos0200, unidades0190;
  for (const auto& c : porTipo["0200"]) {
    codigos0200.insert(c[1]);
    EXPECT_TRUE(unidadesH010.count(c[5])) << c[1];
    EXPECT_TRUE(c[7].empty() || (c[7].size() == 8 && c[7].find_first_not_of("0123456789") == std::string::npos));
    EXPECT_EQ(c[9], c[7].substr(0, 2));
  }
  for (const auto& c : porTipo["0190"]) {
    unidades0190.insert(c[1]);
    EXPECT_EQ(c[2], c[1]);
  }
  EXPECT_EQ(codigos0200, std::multiset<std::string>(codigosH010.begin(), codigosH010.end()));
  EXPECT_EQ(unidades0190, std::multiset<std::string>(unidadesH010.begin(), unidadesH010.end()));
  EXPECT_LT(codigos0200.size(), h010.size());  // the generated set repeats some ids
}

// DEL is a control character like those below 0x20: a blank in the book, in block H and in H010's
// account, so that the merge takes the records block H wrote.
TEST(BlocoH, DelViraBrancoNoLivroNoBlocoHENaMescla) {
  TComposto r = Compor({Linha("7", "", "84713012",
                              "CANETA\x7F"
                              "AZUL\x7F",
                              "U\x7FN", "1", "2.5")},
                       "01",
                       "1.1\x7F"
                       "9");
  std::string linhaLivro;
  for (const std::string& l : r.Corpo)
    if (l.find("CANETA") != std::string::npos) linhaLivro = l;
  EXPECT_NE(linhaLivro.find("|CANETA AZUL  "), std::string::npos) << linhaLivro;
  EXPECT_NE(linhaLivro.find(" U N "), std::string::npos) << linhaLivro;
  EXPECT_NE(r.Bloco.find("|0200|7|CANETA AZUL|||U N|00|"), std::string::npos) << r.Bloco;
  EXPECT_NE(r.Bloco.find("|H010|7|U N|1,000|2,500000|2,50|0|||1.1 9||"), std::string::npos) << r.Bloco;

  suporte::TPastaTemporaria pasta;
  pasta.EscreverArquivo("original.txt",
                        suporte::LerArquivo(suporte::CaminhoFonte("tests/fixtures/efd/mescla/sem_dados/original.txt")));
  std::string mesclado, denovo;
  efd::MesclarEfd(pasta.Caminho() / "original.txt", r.Partes, [&](std::string_view p) { mesclado += p; });
  EXPECT_NE(mesclado.find("|H010|7|U N|1,000|"), std::string::npos) << mesclado;
  // The merged file is a file the merge takes in turn: merged again, it stays as it is.
  pasta.EscreverArquivo("mesclado.txt", mesclado);
  efd::MesclarEfd(pasta.Caminho() / "mesclado.txt", r.Partes, [&](std::string_view p) { denovo += p; });
  EXPECT_TRUE(denovo == mesclado);
}

// No rows: no register, but the authority still receives the zero inventory.
TEST(BlocoH, InventarioZerado) {
  efd::TBlocoH bloco;
  EXPECT_EQ(bloco.Gerar(Data31122024), "|H001|0|\r\n|H005|31122024|0,00|01|\r\n|H990|3|\r\n");
  EXPECT_TRUE(bloco.Avisos().empty());
  EXPECT_EQ(efd::NomeArquivoBlocoH(7, {2024, 1, 5}), "BLOCOH_7_20240105.txt");
}

// Required fields the registration lacks get a stand-in and one line each; a unit cut to six
// characters is told once, however many products have it.
TEST(BlocoH, CamposObrigatoriosSemCadastro) {
  efd::TBlocoH bloco;
  bloco.Acrescentar({"7", " \x81\t", "", "", "", {10000}, {10000}, 100});
  bloco.Acrescentar({"8", "B", "", "GARRAFAS", "", {10000}, {10000}, 100});
  bloco.Acrescentar({"9", "C", "", "GARRAFAS", "", {10000}, {10000}, 100});
  std::string s = bloco.Gerar(Data31122024);
  EXPECT_EQ(s.substr(0, s.find("|H001|")),
            "|0190|UN|UN|\r\n|0190|GARRAF|GARRAF|\r\n|0200|7|PRODUTO 7|||UN|00|||||||\r\n"
            "|0200|8|B|||GARRAF|00|||||||\r\n|0200|9|C|||GARRAF|00|||||||\r\n");
  EXPECT_EQ(bloco.Avisos(),
            (std::vector<std::string>{W("produto 7 sem descrição: escrito como PRODUTO 7"),
                                      "produto 7 sem unidade: escrito como UN",
                                      "unidade GARRAFAS com mais de 6 caracteres: escrita como GARRAF"}));
}

// The layout's numbers carry no sign: a negative row stops the block and is named; zero is
// allowed (the guide sets no minimum), except for a whole inventory of zero with items.
TEST(BlocoH, NegativosRecusadosEZerosEscritos) {
  efd::TBlocoH bloco;
  bloco.Acrescentar({"2", "B", "", "UN", "", {-4}, {0}, 0});  // -0,0004 is 0,000 once rounded
  bloco.Acrescentar({"3", "C", "", "UN", "", {29995}, {1}, 0});
  bloco.Acrescentar({"4", "D", "", "UN", "", {10000}, {12345}, 123});
  std::string s = bloco.Gerar(Data31122024);
  EXPECT_NE(s.find("|H005|31122024|1,23|01|\r\n|H010|2|UN|0,000|0,000000|0,00|0|||||\r\n"
                   "|H010|3|UN|3,000|0,000100|0,00|0|||||\r\n"),
            std::string::npos)
      << s;

  efd::TBlocoH negativos;
  negativos.Acrescentar({"1", "A", "", "UN", "", {-5}, {10000}, 0});
  negativos.Acrescentar({"2", "B", "", "UN", "", {0}, {-12345}, 0});
  negativos.Acrescentar({"9", "C", "", "UN", "", {10000}, {10000}, 100});
  for (int i = 10; i < 30; ++i) negativos.Acrescentar({std::to_string(i), "D", "", "UN", "", {-10000}, {10000}, -100});
  try {
    negativos.Gerar(Data31122024);
    ADD_FAILURE() << "gerou";
  } catch (const efd::EBlocoH& e) {
    std::string m = e.what();
    EXPECT_EQ(m.rfind(W("bloco H não gravado: 22 produtos com quantidade ou valor negativo"), 0), 0u) << m;
    EXPECT_NE(m.find(W(": 1 (quantidade -0,001, valor unitário 1,000000, valor 0,00); 2 (quantidade 0,000, valor "
                       "unitário -1,234500, valor 0,00); 10 (")),
              std::string::npos)
        << m;
    EXPECT_NE(m.find("; 27 (quantidade -1,000, valor unit"), std::string::npos) << m;
    EXPECT_EQ(m.find("; 28 ("), std::string::npos) << m;
    EXPECT_EQ(m.substr(m.size() - 10), "; e mais 2") << m;
    EXPECT_EQ(m.find("; 9 ("), std::string::npos) << m;
  }

  efd::TBlocoH zero;
  zero.Acrescentar({"5", "E", "", "UN", "", {0}, {10000}, 0});
  EXPECT_THROW(zero.Gerar(Data31122024), efd::EBlocoH);
}

TEST(BlocoH, MotivoEContaContabil) {
  EXPECT_EQ(efd::ValidarMotivo("01"), "");
  for (const char* m : {"02", "05"})
    EXPECT_NE(efd::ValidarMotivo(m).find(" exige um registro H020 "), std::string::npos) << m;
  EXPECT_NE(efd::ValidarMotivo("06").find(" exige um registro H030 "), std::string::npos);
  EXPECT_NE(efd::ValidarMotivo("06").find(W("dados de ICMS que o banco de dados não tem")), std::string::npos);
  for (const char* m : {"", "1", "6", "00", "07", "10", "001", " 01", "01 ", "0a"})
    EXPECT_EQ(efd::ValidarMotivo(m), W("--motivo deve ser 01, não \"") + m + "\"") << m;
  efd::TBlocoH bloco;
  EXPECT_THROW(bloco.Gerar(Data31122024, "02"), efd::EBlocoH);

  EXPECT_EQ(efd::ValidarContaContabil("1.1.04.001"), "");
  EXPECT_EQ(efd::ValidarContaContabil(std::string(255, '9')), "");
  EXPECT_EQ(efd::ValidarContaContabil(" \t "), W("--conta-contabil não pode ser vazia"));
  EXPECT_EQ(efd::ValidarContaContabil(std::string(256, '9')), "--conta-contabil tem mais de 255 caracteres");
  EXPECT_THROW(bloco.Gerar(Data31122024, "01", std::string(256, '9')), efd::EBlocoH);

  // A grand total that is not the sum of the lines is a fault, never a file.
  bloco.Acrescentar({"1", "A", "", "UN", "", {10000}, {10000}, 100});
  bloco.Total(101);
  EXPECT_THROW(bloco.Gerar(Data31122024), efd::EBlocoH);
}
