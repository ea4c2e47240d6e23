// The configuration reader, the scrambled password and the server address rule.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>

#include "platform/Win1252.h"
#include "settings/UConfigSistemaKOT.h"
#include "settings/UDatabase.h"
#include "tests/support/SuporteTestes.h"

namespace {

std::string ErroDe(const std::string& texto, const std::string& chave = "QEW") {
  try {
    ScrambleText("D", texto, chave);
  } catch (const EConvertError& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace

TEST(Embaralhamento, CadaCodigoDe1A254VaiEVolta) {
  std::string todos;
  for (int c = 1; c <= 254; ++c) todos += static_cast<char>(c);
  const std::string forma = ScrambleText("E", todos, "QEW");
  ASSERT_EQ(forma.size(), 2 + 2 * todos.size());
  EXPECT_EQ(forma.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_EQ(ScrambleText("D", forma, "QEW"), todos);
  EXPECT_EQ(DescramblePassword(forma, "QEW"), todos);
  // Each code alone too, where the seed meets every character on the first key letter.
  for (int c = 1; c <= 254; ++c) {
    std::string um(1, static_cast<char>(c));
    EXPECT_EQ(ScrambleText("D", ScrambleText("E", um, "K"), "K"), um) << c;
  }
}

TEST(Embaralhamento, FormaESementeDepoisCadeiaComChave) {
  // Worked by hand: seed 0x10, text "AB" with key "QE": (0x41+0x10)%255=0x51 ^ 'Q'(0x51)=0x00;
  // (0x42+0x00)%255=0x42 ^ 'E'(0x45)=0x07.
  EXPECT_EQ(ScrambleText("D", "100007", "QE"), "AB");
  // A key shorter than the text starts again at its first letter: third char with 'Q' again.
  // (0x43+0x07)%255=0x4A ^ 0x51 = 0x1B.
  EXPECT_EQ(ScrambleText("D", "1000071B", "QE"), "ABC");
  const std::string longa = "a password much longer than the key";
  EXPECT_EQ(DescramblePassword(ScrambleText("E", longa, "QEW"), "QEW"), longa);
  // The seed is drawn anew: twenty forms of one text are not all the same.
  std::set<std::string> formas;
  for (int i = 0; i < 20; ++i) formas.insert(ScrambleText("E", "p7senha", "QEW"));
  EXPECT_GT(formas.size(), 1u);
  for (const auto& f : formas) EXPECT_EQ(ScrambleText("D", f, "QEW"), "p7senha");
  EXPECT_EQ(ScrambleText("E", "", "QEW").size(), 2u);
}

TEST(Embaralhamento, DesembaralharCasosEstranhos) {
  // The seed alone: the first pair is read although there is none.
  EXPECT_EQ(ErroDe("1A"), "'$' is not a valid integer value");
  EXPECT_EQ(ErroDe(""), "'$' is not a valid integer value");
  EXPECT_EQ(ErroDe("1A0G"), "'$0G' is not a valid integer value");
  EXPECT_EQ(ErroDe("Z1A0"), "'$Z1' is not a valid integer value");
  EXPECT_EQ(ErroDe("10 7"), "'$ 7' is not a valid integer value");
  // Three digits: one character from the lone third digit. 0x0 ^ 'Q'=0x51; 0x51-0x10=0x41.
  EXPECT_EQ(ScrambleText("D", "100", "QEW"), "A");
  // Odd length of five or more: the last lone digit is ignored.
  EXPECT_EQ(ScrambleText("D", "100007F", "QE"), "AB");
  EXPECT_EQ(ScrambleText("D", "10000", "QE"), ScrambleText("D", "1000", "QE"));
  // Either case of digits.
  const std::string forma = ScrambleText("E", "Senha!", "QEW");
  std::string minusc = forma;
  for (char& c : minusc) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(ScrambleText("D", minusc, "QEW"), "Senha!");
  // Prev equal to Sum gives code 255 (the wrap of the mod-255 chain): 0x51^'Q'=0 -> 0+255-0.
  EXPECT_EQ(ScrambleText("D", "0051", "Q"), std::string(1, '\xFF'));
}

TEST(Embaralhamento, ModosETextosEmBranco) {
  for (const char* modo : {"e", "d", "", "X", "EE", "E "}) {
    EXPECT_EQ(ScrambleText(modo, "100007", "QE"), "") << modo;
    EXPECT_EQ(ScrambleText(modo, "abc", "QE"), "") << modo;
  }
  // Blank texts are not descrambled at all (they would fail the conversion).
  EXPECT_EQ(DescramblePassword("", "QEW"), "");
  EXPECT_EQ(DescramblePassword(" \t\r\n", "QEW"), "");
  // Not trimmed before descrambling: a leading blank is part of the first pair.
  EXPECT_THROW(DescramblePassword(" 100007", "QE"), EConvertError);
  EXPECT_THROW(DescramblePassword(" 100007", "QE"), std::runtime_error);
}

TEST(ConfigSistemaKOT, ArquivoAoLadoDoProgramaLidoACadaVez) {
  suporte::TPastaProgramaTeste pasta;
  EXPECT_EQ(TConfigSistemaKOT::ConfigFileName(), (pasta.Caminho() / "sistema_kot.ini").string());
  // No file at all.
  std::filesystem::remove(pasta.Caminho() / "sistema_kot.ini");
  EXPECT_EQ(TConfigSistemaKOT::GetCodLogica(), 0);
  EXPECT_EQ(TConfigSistemaKOT::ReadSetting("IP", "usuario", "root"), "root");

  struct Caso {
    const char* ini;
    int esperado;
  } casos[] = {
      {"[FilialMatriz]\nCodLogica=7\n", 7},
      {"[filialmatriz]\ncodlogica=12\n", 12},
      {"[FilialMatriz]\r\nCodLogica = -3 \r\n", -3},
      {"[FilialMatriz]\nCodLogica=+4\n", 4},
      {"[FilialMatriz]\nCodLogica=abc\n", 0},
      {"[FilialMatriz]\nCodLogica=12abc\n", 0},
      {"[FilialMatriz]\nCodLogica=\n", 0},
      {"[FilialMatriz]\nCodLogica=-\n", 0},
      {"[FilialMatriz]\nCodLogica=2147483647\n", 2147483647},
      {"[FilialMatriz]\nCodLogica=-2147483648\n", -2147483647 - 1},
      {"[FilialMatriz]\nCodLogica=2147483648\n", 0},
      {"[FilialMatriz]\nCodLogica=99999999999999999999\n", 0},
      {"[FilialMatriz]\nCodLogica=$1F\n", 0},
      {"[FilialMatriz]\nCodLogica='8'\n", 8},
      {"[IP]\nCodLogica=5\n", 0},  // another section
  };
  for (const auto& c : casos) {
    pasta.EscreverIni(c.ini);
    EXPECT_EQ(TConfigSistemaKOT::GetCodLogica(), c.esperado) << c.ini;
  }
  pasta.EscreverIni("[IP]\nusuario =  'admin' \n");
  EXPECT_EQ(TConfigSistemaKOT::ReadSetting("ip", "USUARIO", "root"), "admin");
  EXPECT_EQ(TConfigSistemaKOT::ReadSetting("IP", "database", "x"), "x");
  EXPECT_EQ(TConfigSistemaKOT::GetPermissao(), "");
}

TEST(SetServerAddress, RegraDeServidorEPorta) {
  struct Caso {
    const char* local;
    const char* servidor;
    int porta;
  } casos[] = {
      {"db1", "db1", 3306},
      {"db1:3307", "db1", 3307},
      {"db1:", "db1", 3306},
      {"db1:abc", "db1abc", 3306},
      {"", "", 3306},
      {"db1:0", "db1", 0},  // the client library's default port
      {"db1:65535", "db1", 65535},
      {"10.0.0.5:3310", "10.0.0.5", 3310},
      {"db1:33x07", "db1x07", 33},  // the walk ends at "x"; ":33" is removed
      {"a:1:2", "a:1:2", 12},       // the flag stays set: port text "12", no ":12" to remove
  };
  for (const auto& c : casos) {
    std::string servidor = "old";
    int porta = -1;
    TDatabase::SetServerAddress(c.local, servidor, porta);
    EXPECT_EQ(servidor, c.servidor) << c.local;
    EXPECT_EQ(porta, c.porta) << c.local;
  }
  // Beyond 65535 the client library would wrap the port round to another server: refused.
  for (const char* local : {"db1:65536", "127.0.0.1:99247", "db1:99999999999"}) {
    std::string servidor;
    int porta = 0;
    try {
      TDatabase::SetServerAddress(local, servidor, porta);
      ADD_FAILURE() << local;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), W("Porta inválida no arquivo de configuração: ") + (std::strchr(local, ':') + 1));
    }
  }
}
