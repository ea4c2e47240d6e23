// The inventory merged into complete EFD files, against the files worked out by hand in
// tests/fixtures/efd/mescla/ (and variations of them made here by plain text edits), the refusals,
// and the index of a folder by CNPJ.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

#include "efd/AberturaEfd.h"
#include "efd/BlocoH.h"
#include "efd/MesclaEfd.h"
#include "platform/Win1252.h"
#include "tests/support/SuporteTestes.h"

namespace {

const plataforma::TDataHora Data31122024{2024, 12, 31};

// The inventory of every fixture: 101 (in the originals' 0200, same description and unit), 205, 310.
efd::TPartesBlocoH Bloco(std::string_view conta = "", const plataforma::TDataHora& data = Data31122024) {
  efd::TBlocoH b;
  b.Acrescentar({"101", "CANETA AZUL", "", "UN", "", {100000}, {15000}, 1500});
  b.Acrescentar({"205", "AGUA MINERAL", "", "KG", "", {25000}, {40000}, 1000});
  b.Acrescentar({"310", "CAFE", "", "UN", "", {30000}, {123456}, 3704});
  return b.Montar(data, "01", conta);
}

std::string Fixture(const std::string& caso, const std::string& arquivo) {
  return suporte::LerArquivo(suporte::CaminhoFonte("tests/fixtures/efd/mescla/" + caso + "/" + arquivo));
}

// The text with its one occurrence of `de` replaced.
std::string Trocar(std::string texto, const std::string& de, const std::string& para) {
  size_t p = texto.find(de);
  EXPECT_NE(p, std::string::npos) << de;
  EXPECT_EQ(texto.find(de, p + 1), std::string::npos) << de;
  return p == std::string::npos ? texto : texto.replace(p, de.size(), para);
}

std::string PrimeiraDiferenca(const std::string& obtido, const std::string& esperado) {
  size_t i = 0;
  while (i < obtido.size() && i < esperado.size() && obtido[i] == esperado[i]) ++i;
  if (i == obtido.size() && i == esperado.size()) return "iguais";
  size_t linha = std::count(esperado.begin(), esperado.begin() + i, '\n') + 1;
  return "linha " + std::to_string(linha) + "\n obtido:   [" + obtido.substr(i, 60) + "]\n esperado: [" +
         esperado.substr(i, 60) + "]";
}

struct TMesclado {
  std::string Bytes;
  std::vector<std::string> Avisos;
};

class MesclaEfd : public ::testing::Test {
 protected:
  TMesclado Mesclar(const std::string& original, const efd::TPartesBlocoH& bloco = Bloco()) {
    pasta_.EscreverArquivo("original.txt", original);
    TMesclado r;
    r.Avisos = efd::MesclarEfd(pasta_.Caminho() / "original.txt", bloco, [&](std::string_view p) { r.Bytes += p; });
    return r;
  }
  std::string Recusa(const std::string& original, const efd::TPartesBlocoH& bloco = Bloco()) {
    try {
      Mesclar(original, bloco);
    } catch (const efd::EArquivoEfd& e) {
      return e.what();
    }
    return "<mesclado>";
  }
  suporte::TPastaTemporaria pasta_;
};

bool Contem(const std::string& texto, const std::string& parte) { return texto.find(parte) != std::string::npos; }

}  // namespace

TEST_F(MesclaEfd, ArquivosEsperados) {
  struct TCaso {
    std::string Nome, Conta;
    std::vector<std::string> Avisos;
  };
  const std::vector<TCaso> casos = {
      {"sem_dados", "", {}},  // H001|1: the block gets its data, the new 0190/0200 after the last ones
      {"inventario_anterior",
       "",
       {W("o arquivo tem o perfil A, que exige a conta contábil (COD_CTA) em cada H010: informe --conta-contabil")}},
      {"mesma_data", "1.1.04.001", {}},
      {"sem_bloco_h", "", {}},  // LF line ends; no 0190/0200 at all; block H before block 1
  };
  for (const TCaso& c : casos) {
    TMesclado r = Mesclar(Fixture(c.Nome, "original.txt"), Bloco(c.Conta));
    const std::string esperado = Fixture(c.Nome, "esperado.txt");
    EXPECT_TRUE(r.Bytes == esperado) << c.Nome << ": " << PrimeiraDiferenca(r.Bytes, esperado);
    EXPECT_EQ(r.Avisos, c.Avisos) << c.Nome;
  }
}

// Whatever the original's counters say and whatever follows its 9999, the merge is the same file.
TEST_F(MesclaEfd, AssinaturaEContadoresErrados) {
  const std::string original = Fixture("sem_dados", "original.txt"), esperado = Fixture("sem_dados", "esperado.txt");

  TMesclado r = Mesclar(original + std::string("\x30\x82\x05\x1e\x06\x09*\x86H\x86\xf7\r\n\x00\x01\xff", 16));
  EXPECT_TRUE(r.Bytes == esperado) << PrimeiraDiferenca(r.Bytes, esperado);
  ASSERT_EQ(r.Avisos.size(), 1u);
  EXPECT_EQ(r.Avisos[0], W("o arquivo original estava assinado: a assinatura (16 bytes depois do registro 9999) foi "
                           "removida; assine o arquivo de novo depois de validá-lo no programa validador (PVA)"));
  r = Mesclar(original + "\r\n\r\n");
  EXPECT_TRUE(r.Bytes == esperado) << PrimeiraDiferenca(r.Bytes, esperado);
  EXPECT_EQ(r.Avisos, std::vector<std::string>{W("as linhas em branco depois do registro 9999 foram removidas")});

  r = Mesclar(Trocar(Trocar(original, "|C990|5|", "|C990|7|"), "|9900|K990|1|\r\n", ""));
  EXPECT_TRUE(r.Bytes == esperado) << PrimeiraDiferenca(r.Bytes, esperado);
  EXPECT_EQ(r.Avisos, std::vector<std::string>{W("o arquivo original tinha contadores errados, recalculados: C990 "
                                                 "(informado 7, contado 5); 9900 de K990 (ausente, contado 1); 9900 de "
                                                 "9900 (informado 31, contado 30); 9990 (informado 34, contado 33); "
                                                 "9999 (informado 64, contado 63)")});
}

// Two inventories of the stock date (a file the validator would refuse): the new one replaces both.
TEST_F(MesclaEfd, DoisInventariosDaDataDoEstoque) {
  std::string original = Trocar(Fixture("mesma_data", "original.txt"), "|H990|7|",
                                "|H005|31122024|1,00|01|\r\n|H010|900|PC|1,000|1,000000|1,00|0|||||\r\n|H990|9|");
  original = Trocar(Trocar(original, "|9900|H005|2|", "|9900|H005|3|"), "|9900|H010|2|", "|9900|H010|3|");
  TMesclado r = Mesclar(Trocar(original, "|9999|72|", "|9999|74|"), Bloco("1.1.04.001"));
  const std::string esperado = Fixture("mesma_data", "esperado.txt");
  EXPECT_TRUE(r.Bytes == esperado) << PrimeiraDiferenca(r.Bytes, esperado);
  EXPECT_EQ(r.Avisos, std::vector<std::string>{W("o arquivo original tinha mais de um inventário (H005) de 31/12/2024: "
                                                 "todos substituídos pelo novo")});
}

// A code the original has keeps the original's 0200: a description of its own is told, a unit of
// its own refused (H010's unit must be its UNID_INV).
TEST_F(MesclaEfd, CodigosQueOOriginalTem) {
  const std::string original = Fixture("sem_dados", "original.txt");
  const std::string outra = "|0200|101|CANETA AZUL ESFERA|||UN|";
  TMesclado r = Mesclar(Trocar(original, "|0200|101|CANETA AZUL|||UN|", outra));
  const std::string esperado = Trocar(Fixture("sem_dados", "esperado.txt"), "|0200|101|CANETA AZUL|||UN|", outra);
  EXPECT_TRUE(r.Bytes == esperado) << PrimeiraDiferenca(r.Bytes, esperado);
  EXPECT_EQ(r.Avisos,
            std::vector<std::string>{W("produto 101: o 0200 do arquivo original tem outra descrição (\"CANETA "
                                       "AZUL ESFERA\"; no sistema \"CANETA AZUL\"): mantido o do arquivo")});

  EXPECT_TRUE(Contem(Recusa(Trocar(original, "|0200|101|CANETA AZUL|||UN|", "|0200|101|CANETA AZUL|||PC|")),
                     W("recusado: 1 produto(s) do 0200 do arquivo com unidade (UNID_INV) diferente da do inventário; "
                       "acerte os cadastros antes: 101 (arquivo PC, inventário UN)")));
}

TEST_F(MesclaEfd, Recusas) {
  const std::string original = Fixture("sem_dados", "original.txt");
  EXPECT_EQ(Recusa(Trocar(original, "|9999|64|\r\n", "")),
            W("arquivo EFD \"") + (pasta_.Caminho() / "original.txt").string() +
                W("\" recusado: não termina com o registro 9999 (arquivo incompleto)"));
  const std::vector<std::pair<std::string, std::string>> casos = {
      {Trocar(original, "|C001|0|\r\n", "|C001|0|\r\nC170|1|\r\n"), W("a linha 13 não começa e termina com \"|\"")},
      {Trocar(original, "|C001|0|\r\n", "|C001|0|\r\n\r\n"), W("a linha 13 não começa e termina com \"|\"")},
      {Trocar(original, "|C990|5|\r\n", "|C990|5\r|\r\n"), W("a linha 16 tem o byte 0x0D na posição 8")},
      {Trocar(original, "|1|900|ITEM DO", "|1|900|ITEM\tDO"),
       W("a linha 14 tem o byte 0x09 na posição 17, que não é texto ISO-8859-1")},
      {Trocar(original, "|1|900|ITEM DO",
              "|1|900|ITEM\x7f"
              "DO"),
       W("a linha 14 tem o byte 0x7F")},
      {Trocar(original,
              "|0190|PC|PE\xc7"
              "A|",
              "|0190|PC|PE\xc3\x87"
              "A|"),
       W("a linha 7 tem o byte 0x87 na posição 13, que não é texto ISO-8859-1 (o arquivo parece estar em UTF-8)")},
      {Trocar(original, "|C170|1|", "|C17|1|"), W("a linha 14 não começa por um tipo de registro de 4 caracteres")},
      {original.substr(original.find('\n') + 1), W("a primeira linha não é um registro 0000 da EFD ICMS/IPI")},
      {Trocar(Trocar(original, "|H001|1|\r\n|H990|2|\r\n", ""), "|K990|2|\r\n", "|K990|2|\r\n|H001|1|\r\n|H990|2|\r\n"),
       W("a linha 26 (H001) é do bloco H, que deveria vir antes dos blocos K, 1 e 9")},
      // A block that goes on after its X990, or resumes after another: the X990 would count wrong.
      {Trocar(original, "|0990|11|\r\n", "|0990|11|\r\n|0450|1|TEXTO|\r\n"),
       W("a linha 12 (0450) é do bloco 0, mas vem depois do 0990")},
      {Trocar(original, "|K990|2|\r\n", "|K990|2|\r\n|C001|0|\r\n|C990|2|\r\n"),
       W("a linha 28 (C001) é do bloco C, mas vem depois do C990")},
      {Trocar(Trocar(original, "|0190|UN|UNIDADE|\r\n", ""), "|0220|CX|12||\r\n",
              "|0220|CX|12||\r\n|0190|UN|UNIDADE|\r\n"),
       W("a linha 10 (0190) está fora da ordem dos registros do bloco 0")},
  };
  for (const auto& [arquivo, motivo] : casos)
    EXPECT_TRUE(Contem(Recusa(arquivo), "recusado: " + motivo)) << Recusa(arquivo);

  // The period ends on the stock date at the latest (H005's DT_INV <= 0000's DT_FIN).
  EXPECT_TRUE(Contem(
      Recusa(original, Bloco("", {2025, 1, 1})),
      W("recusado: o período do arquivo (01/12/2024 a 31/12/2024) termina antes da data do estoque, 01/01/2025")));

  try {
    efd::MesclarEfd(pasta_.Caminho() / "nenhum.txt", Bloco(), [](std::string_view) {});
    ADD_FAILURE() << "leu um arquivo que não existe";
  } catch (const efd::EArquivoEfd& e) {
    EXPECT_TRUE(Contem(e.what(), W("Não foi possível ler \""))) << e.what();
  }
}

// Only a file that can be filed is merged: its COD_VER the layout of its period, COD_FIN 0 or 1.
TEST_F(MesclaEfd, VersaoDoLeiauteEFinalidadeDaAbertura) {
  const std::string original = Fixture("sem_dados", "original.txt"), abertura = "|0000|018|0|01122024|31122024|";
  const std::string recusado = W("arquivo EFD \"") + (pasta_.Caminho() / "original.txt").string() + "\" recusado: ";
  const std::pair<const char*, const char*> casos[] = {
      {"|0000|999|0|01122024|31122024|",
       "o campo COD_VER do registro 0000 é \"999\", que não é a versão do leiaute "
       "do período de 01/12/2024 a 31/12/2024 (018)"},
      {"|0000|017|0|01122024|31122024|",
       "o campo COD_VER do registro 0000 é \"017\", que não é a versão do leiaute "
       "do período de 01/12/2024 a 31/12/2024 (018)"},
      {"|0000|018|2|01122024|31122024|",
       "o campo COD_FIN do registro 0000 é \"2\"; só 0 (remessa do arquivo "
       "original) e 1 (remessa do arquivo substituto) são válidos"},
  };
  for (const auto& [linha, motivo] : casos) EXPECT_EQ(Recusa(Trocar(original, abertura, linha)), recusado + W(motivo));
  // A substitute file of the next period, under that year's layout.
  EXPECT_TRUE(Contem(Mesclar(Trocar(original, abertura, "|0000|019|1|01012025|31012025|")).Bytes, "|H005|31122024|"));
  EXPECT_EQ(efd::VersaoLeiaute({2012, 6, 1}, {2012, 6, 30}), "005");
  EXPECT_EQ(efd::VersaoLeiaute({2012, 7, 1}, {2012, 7, 31}), "006");
  EXPECT_EQ(efd::VersaoLeiaute({2007, 12, 1}, {2007, 12, 31}), "");
}

// An original several times the read buffer, with a line longer than it: the same file as when it
// is small, with the lines in between kept and counted.
TEST_F(MesclaEfd, OriginalGrande) {
  std::string linhas;
  size_t n = 0;
  for (size_t tamanho = 0; tamanho < (size_t(10) << 20); ++n) {
    std::string l = "|C170|" + std::to_string(n + 3) + "|900|" + std::string(n * 7919 % 331, 'X') + "|\r\n";
    if (n == 1000) l = "|C170|1003|900|" + std::string(size_t(5) << 20, 'L') + "|\r\n";
    tamanho += l.size();
    linhas += l;
  }
  const std::string c170 = "|0,00||0,00|\r\n|C990|5|\r\n";  // the end of the last C170
  auto ampliar = [&](std::string f, size_t linhas9999) {
    f = Trocar(f, c170, "|0,00||0,00|\r\n" + linhas + "|C990|" + std::to_string(5 + n) + "|\r\n");
    f = Trocar(f, "|9900|C170|2|", "|9900|C170|" + std::to_string(2 + n) + "|");
    return Trocar(f, "|9999|" + std::to_string(linhas9999) + "|", "|9999|" + std::to_string(linhas9999 + n) + "|");
  };
  const std::string original = ampliar(Fixture("sem_dados", "original.txt"), 64);
  const std::string esperado = ampliar(Fixture("sem_dados", "esperado.txt"), 73);
  TMesclado r = Mesclar(original);
  EXPECT_TRUE(r.Bytes == esperado) << PrimeiraDiferenca(r.Bytes, esperado);
  EXPECT_EQ(r.Avisos, std::vector<std::string>{});
}

TEST_F(MesclaEfd, AberturaEIndiceDaPasta) {
  const std::string sem = Fixture("sem_dados", "original.txt");
  std::optional<efd::TAberturaEfd> a = efd::LerRegistro0000(sem.substr(0, sem.find('\n') + 1));
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Cnpj, "12345678000195");
  EXPECT_EQ(a->DataInicial, (plataforma::TDataHora{2024, 12, 1}));
  EXPECT_EQ(a->DataFinal, Data31122024);
  EXPECT_EQ(a->Perfil, "C");
  EXPECT_FALSE(efd::LerRegistro0000(Trocar(sem.substr(0, sem.find('\n')), "|31122024|", "|31022024|")));
  EXPECT_FALSE(efd::LerRegistro0000("|0000|018|0|01122024|31122024|EMPRESA|"));

  suporte::TPastaTemporaria pasta;
  pasta.EscreverArquivo("b.txt", sem);
  pasta.EscreverArquivo("a.txt", Fixture("sem_bloco_h", "original.txt"));
  pasta.EscreverArquivo("outra.txt", Trocar(sem, "|12345678000195|", "|98765432000198|"));
  pasta.EscreverArquivo("notas.txt", "resumo do mês\r\n");
  pasta.EscreverArquivo("cpf.txt", Trocar(sem, "|12345678000195||", "||12345678909|"));
  std::filesystem::create_directory(pasta.Caminho() / "sub");
  pasta.EscreverArquivo("sub/c.txt", sem);
  efd::TIndiceEfd indice = efd::IndexarPasta(pasta.Caminho());
  EXPECT_EQ(indice.PorCnpj, (std::map<std::string, std::vector<std::filesystem::path>>{
                                {"12345678000195", {pasta.Caminho() / "a.txt", pasta.Caminho() / "b.txt"}},
                                {"98765432000198", {pasta.Caminho() / "outra.txt"}}}));
  const std::string p = pasta.Caminho().string() + "/";
  EXPECT_EQ(
      indice.Avisos,
      (std::vector<std::string>{
          "arquivo \"" + p + W("cpf.txt\" ignorado: o registro 0000 não tem CNPJ"),
          "arquivo \"" + p + W("notas.txt\" ignorado: a primeira linha não é um registro 0000 da EFD ICMS/IPI")}));
  EXPECT_THROW(efd::IndexarPasta(pasta.Caminho() / "nenhuma"), efd::EArquivoEfd);
}
