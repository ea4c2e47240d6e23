// The demo generator is deterministic and writes Windows-1252; the demo's ini password
// descrambles to the server's password.
#include <gtest/gtest.h>

#include "platform/Win1252.h"
#include "settings/UConfigSistemaKOT.h"
#include "tests/support/SuporteTestes.h"
#include "tests/viewer/GeradorDemo.h"

using demo::Executar;
using demo::Gerar;
using demo::TemPython;

TEST(DemoGerador, MesmaSementeMesmosDadosOutraSementeOutros) {
  if (!TemPython()) GTEST_SKIP() << "python3 not found: the demo generator cannot run";
  std::string a = Gerar("--semente 11 --produtos 300");
  std::string b = Gerar("--semente 11 --produtos 300");
  std::string c = Gerar("--semente 12 --produtos 300");
  ASSERT_GT(a.size(), 10000u);
  EXPECT_TRUE(a == b) << "same seed gave different data";
  EXPECT_FALSE(a == c) << "another seed gave the same data";
  // Windows-1252 bytes, one per accented letter, not UTF-8.
  EXPECT_NE(a.find("S\xC3O JOS\xC9"), std::string::npos);
  EXPECT_EQ(a.find("\xC3\x83"), std::string::npos);
  EXPECT_EQ(a.rfind("SET NAMES latin1;", 200), a.find("SET NAMES latin1;"));

  int status = 0;
  Executar("python3 '" + suporte::CaminhoFonte("db/demo/gerar_demo.py") + "' --produtos 10 2>/dev/null", &status);
  EXPECT_NE(status, 0) << "too few products to hold every case must be refused";
}

TEST(DemoGerador, SenhaDoIniDesembaralhaNaSenhaDoServidor) {
  if (!TemPython()) GTEST_SKIP() << "python3 not found: the demo scrambler cannot run";
  for (const char* senha : {"p7senha", "x", "uma senha longa com ç"}) {
    std::string utf8 = senha;
    std::string forma =
        Executar("python3 '" + suporte::CaminhoFonte("db/demo/embaralhar_senha.py") + "' '" + utf8 + "'");
    while (!forma.empty() && (forma.back() == '\n' || forma.back() == '\r')) forma.pop_back();
    EXPECT_EQ(forma.size(), 2 + 2 * plataforma::Utf8ParaW1252(utf8).size()) << forma;
    EXPECT_EQ(DescramblePassword(forma, "QEW"), plataforma::Utf8ParaW1252(utf8)) << forma;
  }
}
