// Splitting a script into statements: only a ";" outside quotes and comments ends one.
#include <gtest/gtest.h>

#include "dbclient/DbClient.h"

using dbclient::TExecutorScript;
using V = std::vector<std::string>;

TEST(DividirScript, PedacosGuardamBrancosEVaziosSaoPulados) {
  EXPECT_EQ(TExecutorScript::Dividir(" select 1 ;\r\n\tselect 2;"), (V{" select 1 ", "\r\n\tselect 2"}));
  EXPECT_EQ(TExecutorScript::Dividir("a;;  ;\r\n;\t"), (V{"a"}));
  EXPECT_EQ(TExecutorScript::Dividir("no semicolon"), (V{"no semicolon"}));
  EXPECT_TRUE(TExecutorScript::Dividir("").empty());
  EXPECT_TRUE(TExecutorScript::Dividir(" \x01\x1f ; \n").empty());
  // A Latin-1 byte above 127 is content, not a blank.
  EXPECT_EQ(TExecutorScript::Dividir(";\xE9;"), (V{"\xE9"}));
}

TEST(DividirScript, PontoEVirgulaEntreAspasNaoDivide) {
  EXPECT_EQ(TExecutorScript::Dividir("select 'a;b'; select \"c;d\"; select `e;f`"),
            (V{"select 'a;b'", " select \"c;d\"", " select `e;f`"}));
  // Backslash escapes and doubled quotes keep the string open.
  EXPECT_EQ(TExecutorScript::Dividir(R"(select 'it\'s;x';select 'a''b;c';select "q\";r")"),
            (V{R"(select 'it\'s;x')", "select 'a''b;c'", R"(select "q\";r")"}));
  // Another quote kind inside a string is plain text.
  EXPECT_EQ(TExecutorScript::Dividir(R"(select "it's; ok"; select 2)"), (V{R"(select "it's; ok")", " select 2"}));
  // An unterminated string runs to the end.
  EXPECT_EQ(TExecutorScript::Dividir("select 'open; x"), (V{"select 'open; x"}));
}

TEST(DividirScript, ComentariosNaoDividemNemAbremAspas) {
  EXPECT_EQ(TExecutorScript::Dividir("select 1 -- don't; stop\n; select 2"),
            (V{"select 1 -- don't; stop\n", " select 2"}));
  EXPECT_EQ(TExecutorScript::Dividir("select /* a;'b */ 1; # it's;\nselect 2"),
            (V{"select /* a;'b */ 1", " # it's;\nselect 2"}));
  // A piece of nothing but comments is not a statement.
  EXPECT_EQ(TExecutorScript::Dividir("select 1;\n-- the end\n"), (V{"select 1"}));
  // "--" without a blank after it is two minus signs.
  EXPECT_EQ(TExecutorScript::Dividir("select 1--1;select 2"), (V{"select 1--1", "select 2"}));
}
