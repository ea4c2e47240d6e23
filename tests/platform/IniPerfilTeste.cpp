// Reading ini values by the private-profile rules.
#include <gtest/gtest.h>

#include "platform/IniPerfil.h"
#include "tests/support/SuporteTestes.h"

using plataforma::LerPerfilPrivado;

namespace {

class Ini : public ::testing::Test {
 protected:
  std::string Ler(const std::string& conteudo, const std::string& secao, const std::string& chave,
                  const std::string& padrao = "DEF") {
    pasta.EscreverArquivo("t.ini", conteudo);
    return LerPerfilPrivado(secao, chave, padrao, (pasta.Caminho() / "t.ini").string());
  }
  suporte::TPastaTemporaria pasta;
};

}  // namespace

TEST_F(Ini, NomesSemCaixaEValoresSemBrancosOuUmParDeAspas) {
  const std::string ini =
      "[FilialMatriz]\nCodLogica=7\n[IP]\n  Usuario \t=  'admin' \t\nsenha=\"ab c\"\n"
      "dupla=''x''\nmista='x\"\nsozinha='\nvazio=\ninterno=a = b\n";
  EXPECT_EQ(Ler(ini, "filialmatriz", "CODLOGICA"), "7");
  EXPECT_EQ(Ler(ini, "ip", "usuario"), "admin");
  EXPECT_EQ(Ler(ini, "IP", "senha"), "ab c");
  EXPECT_EQ(Ler(ini, "IP", "dupla"), "'x'");  // only one pair goes
  EXPECT_EQ(Ler(ini, "IP", "mista"), "'x\"");
  EXPECT_EQ(Ler(ini, "IP", "sozinha"), "'");
  EXPECT_EQ(Ler(ini, "IP", "vazio"), "");  // present but empty is not the default
  EXPECT_EQ(Ler(ini, "IP", "interno"), "a = b");
}

TEST_F(Ini, PadraoParaArquivoSecaoOuChaveAusente) {
  EXPECT_EQ(LerPerfilPrivado("IP", "local", "d", (pasta.Caminho() / "nao_existe.ini").string()), "d");
  const std::string ini = "[IP]\nlocal=db1\n[Outra]\ndatabase=loja\n";
  EXPECT_EQ(Ler(ini, "IP", "database"), "DEF");  // stands in another section
  EXPECT_EQ(Ler(ini, "Nada", "local"), "DEF");
  EXPECT_EQ(Ler("local=solto\n[IP]\n", "IP", "local"), "DEF");  // before any section
  EXPECT_EQ(Ler("", "IP", "local"), "DEF");
}

TEST_F(Ini, DuplicadosCrlfEComentarios) {
  const std::string ini =
      "[IP]\r\nlocal=primeiro\r\nlocal=segundo\r\n;database=comentado\r\n[Outra]\r\nx=1\r\n"
      "[ip]\r\nlocal=terceiro\r\ndatabase=depois\r\n";
  EXPECT_EQ(Ler(ini, "IP", "local"), "primeiro");  // first key and first section win
  EXPECT_EQ(Ler(ini, "IP", "database"), "DEF");
  EXPECT_EQ(Ler("[IP]\r\nlocal=db1\r", "IP", "local"), "db1");  // no stray CR in the value
}

TEST_F(Ini, LinhasLongasELixo) {
  const std::string grande(1 << 20, 'x');
  const std::string v = Ler("[IP]\nlocal=" + grande + "\ndatabase=ok\n", "IP", "local");
  EXPECT_EQ(v, std::string(2047, 'x'));
  EXPECT_EQ(Ler("[IP]\nlocal=" + grande + "\ndatabase=ok\n", "IP", "database"), "ok");
  EXPECT_EQ(Ler("[IP]\nlocal=" + std::string(2047, 'y') + "\n", "IP", "local").size(), 2047u);

  std::string lixo;
  for (int i = 0; i < 5000; ++i) lixo += static_cast<char>((i * 131 + 7) % 256);
  EXPECT_EQ(Ler(lixo, "IP", "local"), "DEF");
  EXPECT_EQ(Ler(lixo + "\n[IP]\nlocal=depois\n", "IP", "local"), "depois");
  // Windows-1252 bytes pass untouched.
  EXPECT_EQ(Ler("[IP]\nlocal=S\xC3O PAULO\xE7\n", "IP", "local"), "S\xC3O PAULO\xE7");
}
