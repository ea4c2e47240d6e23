// The filed inventory against the book, on hand-made files: what the command's cases do not show
// (codes in product order, a code twice on either side, another date's inventory and H010's
// children, LF line ends and a signature) and the refusals of numbers and inventories.
#include <gtest/gtest.h>

#include "efd/AberturaEfd.h"
#include "efd/ConferenciaBlocoH.h"
#include "platform/Win1252.h"
#include "tests/support/SuporteTestes.h"

namespace {

const plataforma::TDataHora Data31122024{2024, 12, 31};
const std::string Abertura = "|0000|018|0|01122024|31122024|EMPRESA|12345678000195||SP|1|3550308|||C|1|\n";

// The book's lines, in the order the book has them (by description).
const std::vector<efd::TItemLivro> Livro = {{"9", "ARRUELA", "UN", 30000, 300},
                                            {"9", "ARRUELA", "UN", 10000, 100},
                                            {"A1", "KIT", "CX", 10000, 5000},
                                            {"10", "PARAFUSO", "UN", 20000, 1000},
                                            {"7", "PORCA", "KG", 15000, 750}};

class ConferenciaBlocoH : public ::testing::Test {
 protected:
  efd::TConferenciaBlocoH Conferir(const std::string& registros) {
    pasta_.EscreverArquivo("efd.txt", Abertura + registros);
    return efd::ConferirBlocoH(pasta_.Caminho() / "efd.txt", Data31122024, Livro, 7150);
  }
  std::string Falha(const std::string& registros) {
    try {
      Conferir(registros);
    } catch (const efd::EArquivoEfd& e) {
      return plataforma::W1252ParaUtf8(e.what());
    }
    return "<conferido>";
  }
  suporte::TPastaTemporaria pasta_;
};

std::string Resumo(const efd::TDiferencaBlocoH& d) {
  return d.Codigo + " " + d.Descricao + " " + (d.NoLivro ? "L" : "-") + (d.NoBloco ? "B" : "-") +
         (d.UnidadeDifere ? "u" : "") + (d.QuantidadeDifere ? "q" : "") + (d.ValorDifere ? "v" : "") + " " +
         std::to_string(d.Diferenca);
}

}  // namespace

TEST_F(ConferenciaBlocoH, OrdemDosProdutosCodigosRepetidosEOutrosInventarios) {
  const efd::TConferenciaBlocoH c = Conferir(
      "|0200|77|OUTRO ITEM|||UN|00|||||||\n"
      "|H001|0|\n"
      "|H005|31122023|9,00|01|\n"
      "|H010|10|UN|9,000|1,000000|9,00|0|||||\n"
      "|H005|31122024|71,50|01|\n"
      "|H010|A1|CX|1,000|50,000000|50,00|0|||||\n"
      "|H020|000|50,00|9,00|\n"
      "|H010|9|UN|3,000|1,000000|3,00|0|||||\n"
      "|H010|9|UN|1,000|1,000000|1,00|0|||||\n"
      "|H010|9|UN|1,000|1,000000|1,00|0|||||\n"
      "|H010|7|UN|1,5|5,000000|7,50|0|||||\n"
      "|H010|77|UN|1,000|1,000000|1,00|0|||||\n"
      "|H010|10|UN|2,000|5,000000|10,00|0|||||\n"
      "|H990|1|\n"
      "|9999|1|\n"
      "\x30\x82\x01\x0a assinatura");
  std::vector<std::string> diferencas;
  for (const efd::TDiferencaBlocoH& d : c.Diferencas) diferencas.push_back(Resumo(d));
  EXPECT_EQ(diferencas, (std::vector<std::string>{"7 PORCA LBu 0", "9 ARRUELA -B -100", "77 OUTRO ITEM -B -100"}));
  EXPECT_EQ(c.Itens, 7u);
  EXPECT_EQ(c.SomaItens, 7350);
  EXPECT_EQ(c.ValorInventario, 7150);
  EXPECT_EQ(c.LivroMenosSoma, -200);
  EXPECT_EQ(c.LivroMenosInventario, 0);
  EXPECT_EQ(c.InventarioMenosSoma, -200);
  EXPECT_EQ(c.QuantasDiferencas(), 4u);
}

TEST_F(ConferenciaBlocoH, NumerosEInventariosQueNaoSeConferem) {
  const std::string h005 = "|H001|0|\n|H005|31122024|61,50|01|\n";
  EXPECT_NE(Falha(h005 + "|H010|7|KG|1.000,5|5,000000|7,50|0|||||\n|9999|1|\n")
                .find("recusado: a linha 4 (H010): QTD \"1.000,5\" não é um número do leiaute"),
            std::string::npos);
  EXPECT_NE(Falha(h005 + "|H010|7|KG|1,5|5,000000|-7,50|0|||||\n|9999|1|\n").find("(H010): VL_ITEM \"-7,50\""),
            std::string::npos);
  EXPECT_NE(Falha(h005 + "|H010|7|KG|1,5000|5,000000|7,50|0|||||\n|9999|1|\n").find("QTD \"1,5000\""),
            std::string::npos);
  EXPECT_NE(Falha(h005 + h005.substr(9) + "|9999|1|\n")
                .find("com 2 inventários (H005) de 31/12/2024: não se sabe qual deles conferir"),
            std::string::npos);
  EXPECT_NE(Falha("|H001|1|\n|H990|2|\n|9999|1|\n")
                .find("sem inventário (H005) de 31/12/2024; o arquivo não tem nenhum H005"),
            std::string::npos);
  EXPECT_NE(Falha(h005).find("não termina com o registro 9999"), std::string::npos);
}
