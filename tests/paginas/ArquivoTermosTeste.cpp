// The terms file of --termos: encodings, the default section under the branch's, missing keys
// warned once, and every kind of file that is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "paginas/ArquivoTermos.h"
#include "platform/Win1252.h"
#include "tests/support/SuporteTestes.h"

using namespace paginas;

namespace {

const std::string kTermos =
    "; termos do livro\r\n"
    "[Padrao]\r\n"
    "Livro = 7\r\n"
    "Endereco=\"Rua das Acácias, 120\"\r\n"
    "Municipio=São José\r\n"
    "uf=SC\r\n"
    "CEP=88101-000\r\n"
    "NIRE=42200012345\r\n"
    "Responsavel=Maria Conceição\r\n"
    "Cargo=Sócia-administradora\r\n"
    "Contador=João Lima\r\n"
    "\r\n"
    "# a loja 3 tem livro, endereço e registro próprios\r\n"
    "[ filial 3 ]\r\n"
    "Livro=12\r\n"
    "Endereco=Av. Beira-Mar, 5\r\n"
    "DataRegistro=12/03/1998\r\n"
    "Cargo=\r\n";

}  // namespace

TEST(ArquivoTermos, FilialSobrePadraoChaveAChaveEmUtf8OuWindows1252) {
  suporte::TPastaTemporaria pasta;
  pasta.EscreverArquivo("utf8.ini", "\xEF\xBB\xBF" + kTermos);  // as a text editor saves it
  pasta.EscreverArquivo("w1252.ini", plataforma::Utf8ParaW1252(kTermos));
  for (const char* nome : {"utf8.ini", "w1252.ini"}) {
    auto termos = TArquivoTermos::Ler((pasta.Caminho() / nome).string());
    TValoresTermos loja3 = termos.DaFilial(3), loja2 = termos.DaFilial(2);
    EXPECT_EQ(loja3[TChaveTermos::Livro], "12") << nome;
    EXPECT_EQ(loja3[TChaveTermos::Endereco], "Av. Beira-Mar, 5") << nome;
    EXPECT_EQ(loja3[TChaveTermos::Municipio], W("São José")) << nome;  // from the default
    EXPECT_EQ(loja3[TChaveTermos::Responsavel], W("Maria Conceição")) << nome;
    EXPECT_EQ(loja3[TChaveTermos::Cargo], "") << nome;  // written empty: replaces the default's
    EXPECT_EQ(loja2[TChaveTermos::Livro], "7") << nome;
    EXPECT_EQ(loja2[TChaveTermos::Endereco], W("Rua das Acácias, 120")) << nome;
    EXPECT_EQ(loja2[TChaveTermos::UF], "SC") << nome;
    EXPECT_EQ(loja2[TChaveTermos::Cargo], W("Sócia-administradora")) << nome;

    // Each missing key named once, in the file's order; none missing, no warning.
    EXPECT_EQ(loja3.Aviso, "Termos da filial 3: faltam Cargo e CRC; as linhas ficam em branco.") << nome;
    EXPECT_EQ(loja2.Aviso, "Termos da filial 2: faltam DataRegistro e CRC; as linhas ficam em branco.") << nome;
  }
  // The example installed beside the program is a complete terms file.
  const auto exemplo = TArquivoTermos::Ler(suporte::CaminhoFonte("dist/termos.ini.exemplo"));
  EXPECT_EQ(exemplo.DaFilial(2).Aviso + exemplo.DaFilial(5).Aviso, "");
  EXPECT_EQ(exemplo.DaFilial(2)[TChaveTermos::Livro], "7");
  auto completo = TArquivoTermos::Analisar(
      "[Padrão]\nLivro=1\nEndereco=a\nMunicipio=b\nUF=c\nCEP=d\nNIRE=e\nDataRegistro=f\nResponsavel=g\nCargo=h\n"
      "Contador=i\nCRC=j\n[Filial 9]\nCRC=k\n",
      "t.ini");
  EXPECT_EQ(completo.DaFilial(9).Aviso, "");
  EXPECT_EQ(completo.DaFilial(9)[TChaveTermos::CRC], "k");
  EXPECT_TRUE(completo.Avisos().empty());
  // A value with characters Windows-1252 lacks is printed with "?" and named once; a "?" of its own
  // is no such character.
  const auto fora = TArquivoTermos::Analisar("[Padrao]\nLivro=1?\nResponsavel=Łucja Nowak\n", "t.ini");
  EXPECT_EQ(fora.DaFilial(1)[TChaveTermos::Responsavel], "?ucja Nowak");
  EXPECT_EQ(fora.Avisos(),
            std::vector<std::string>{"Arquivo de termos \"t.ini\", linha 3: o valor de \"Responsavel\" tem "
                                     "caracteres que o Windows-1252 não tem; saem como \"?\"."});
  EXPECT_EQ(TArquivoTermos::Analisar("[Filial 1]\nCRC=x\n", "t.ini").DaFilial(1).Aviso,
            "Termos da filial 1: faltam Livro, Endereco, Municipio, UF, CEP, NIRE, DataRegistro, Responsavel, Cargo e "
            "Contador; as linhas ficam em branco.");
}

TEST(ArquivoTermos, RecusaOQueNaoELegivelOuNaoETextoIniComMotivoNumaLinha) {
  suporte::TPastaTemporaria pasta;
  const std::string ausente = (pasta.Caminho() / "nao_ha.ini").string();
  const std::string fifo = (pasta.Caminho() / "fifo.ini").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Caso {
    std::string bytes;  // "" : read `caminho`
    std::string caminho, trecho;
  } casos[] = {
      {"", ausente, "\"" + ausente + "\": o arquivo não existe"},
      {"", pasta.Caminho().string(), "é uma pasta"},
      // Neither an endless device nor a FIFO without a writer is read (nor waited for).
      {"", "/dev/zero", "\"/dev/zero\": não é um arquivo comum"},
      {"", fifo, "\"" + fifo + "\": não é um arquivo comum"},
      {"[Padrao]\n" + std::string((1 << 20) - 8, ';'), "", "tem mais de 1 MB"},
      {std::string("[Padrao]\nLivro=1\n\x89PNG\0\0", 23), "", "não é um texto: tem bytes de controle na linha 3"},
      {"[Padrao]\nLivro=1\x1B[0m\n", "", "de controle na linha 2"},
      {"[Padrao]\rLivro=1\r", "", "de controle na linha 1"},                      // CR alone is no line end
      {"[Padrao]\nLivro=1\nCargo=S\xC2\x81cia\n", "", "de controle na linha 3"},  // a C1 control in UTF-8
      {"[Padrao]\nCargo=S\x81\xF3\x63io\n", "", "que o Windows-1252 não define na linha 2"},
      {"[Padrao]\nLivro 1\n", "", "linha 2: \"Livro 1\" não é seção, chave=valor nem comentário"},
      {"[Padrao]\n=1\n", "", "linha 2: \"=1\" não é seção"},
      {"[Padrao\nLivro=1\n", "", "linha 1: \"[Padrao\" não é seção"},
      {"Livro=1\n[Padrao]\n", "", "linha 1: \"Livro=1\" fora de seção"},
      {"[Padrao]\n[Loja 2]\n", "", "linha 2: seção desconhecida [Loja 2]; use [Padrao] ou [Filial N]"},
      {"[Filial 0]\n", "", "seção desconhecida [Filial 0]"},
      {"[Filial 2x]\n", "", "seção desconhecida [Filial 2x]"},
      {"[Filial 2]\nLivro=1\n[Padrao]\n[filial 2]\n", "", "linha 4: seção [filial 2] repetida"},
      {"[Padrao]\nLivor=1\n", "", "linha 2: chave desconhecida \"Livor\"; use Livro, Endereco,"},
      {"[Padrao]\nNIRE=1\nnire=2\n", "", "linha 3: chave \"nire\" repetida na seção [Padrao]"},
      {"[Padrao]\nEndereco=" + std::string(151, 'x') + "\n", "", "linha 2: o valor de \"Endereco\" tem mais de 150"},
  };
  ::alarm(60);  // a read that never ends fails the test instead of stalling it
  for (const auto& c : casos) {
    std::string caminho = c.caminho;
    if (caminho.empty()) {
      pasta.EscreverArquivo("t.ini", c.bytes);
      caminho = (pasta.Caminho() / "t.ini").string();
    }
    try {
      TArquivoTermos::Ler(caminho);
      ADD_FAILURE() << "accepted: " << c.trecho;
    } catch (const ETermosInvalidos& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find(c.trecho), std::string::npos) << m;
      EXPECT_NE(m.find(caminho), std::string::npos) << m;
      EXPECT_EQ(m.find('\n'), std::string::npos) << m;
    }
  }
  ::alarm(0);
}
