// Windows command lines, starting a program without a shell, and the file version record.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "platform/Mensagens.h"
#include "platform/Processo.h"
#include "platform/VersaoArquivo.h"
#include "tests/support/SuporteTestes.h"

using plataforma::DividirLinhaComando;
using V = std::vector<std::string>;

TEST(LinhaComando, RegrasDeAspasDoWindows) {
  EXPECT_EQ(DividirLinhaComando(""), V{});
  EXPECT_EQ(DividirLinhaComando("  \t "), V{});
  EXPECT_EQ(DividirLinhaComando("prog a  b\tc"), (V{"prog", "a", "b", "c"}));
  // The program name ends at its closing quote; backslashes are plain there.
  EXPECT_EQ(DividirLinhaComando(R"("C:\Program Files\x\" arg)"), (V{R"(C:\Program Files\x\)", "arg"}));
  EXPECT_EQ(DividirLinhaComando(R"(p "a b" c"d e"f)"), (V{"p", "a b", "cd ef"}));
  // 2n backslashes + quote: n backslashes and the quote toggles; 2n+1: n and a literal quote.
  EXPECT_EQ(DividirLinhaComando(R"(p a\\"b c" d\"e f\\\"g)"), (V{"p", R"(a\b c)", R"(d"e)", R"(f\"g)"}));
  // Backslashes not before a quote are literal.
  EXPECT_EQ(DividirLinhaComando(R"(p a\b\\c \\)"), (V{"p", R"(a\b\\c)", R"(\\)"}));
  // "" inside quotes is one quote.
  EXPECT_EQ(DividirLinhaComando(R"(p "a""b" "")"), (V{"p", R"(a"b)", ""}));
  // An unterminated quote runs to the end.
  EXPECT_EQ(DividirLinhaComando(R"(p "a b)"), (V{"p", "a b"}));
}

namespace {

bool SemFilhos() {
  errno = 0;
  return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

}  // namespace

TEST(IniciarPrograma, IniciaSemShellENaoDeixaFilho) {
  suporte::TPastaTemporaria pasta;
  const auto script = pasta.Caminho() / "mostra args.sh";
  const auto saida = pasta.Caminho() / "args.txt";
  pasta.EscreverArquivo(
      "mostra args.sh",
      "#!/bin/sh\nout=\"$1\"; shift\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$out.tmp\"\n"
      "mv \"$out.tmp\" \"$out\"\n");
  ::chmod(script.c_str(), 0755);

  const std::string linha =
      "\"" + script.string() + "\" \"" + saida.string() + "\" um \"dois tres\" $HOME ';' \"*\" a\\\"b `x` |";
  ASSERT_TRUE(plataforma::IniciarPrograma(linha));
  EXPECT_TRUE(SemFilhos());  // nothing to reap, now or later

  for (int i = 0; i < 100 && !std::filesystem::exists(saida); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(suporte::LerArquivo(saida), "[um]\n[dois tres]\n[$HOME]\n[';']\n[*]\n[a\"b]\n[`x`]\n[|]\n");
  EXPECT_TRUE(SemFilhos());
}

TEST(IniciarPrograma, AusenteOuNaoExecutavelEFalso) {
  suporte::TPastaTemporaria pasta;
  EXPECT_FALSE(plataforma::IniciarPrograma((pasta.Caminho() / "nao_existe").string() + " x"));
  pasta.EscreverArquivo("texto.sh", "#!/bin/sh\n");
  EXPECT_FALSE(plataforma::IniciarPrograma((pasta.Caminho() / "texto.sh").string()));
  EXPECT_FALSE(plataforma::IniciarPrograma(""));
  EXPECT_TRUE(SemFilhos());
}

TEST(VersaoArquivo, AchaORegistroEmQualquerLugarDoArquivo) {
  suporte::TPastaTemporaria pasta;
  const plataforma::TVersaoFixa registro{0xFEEF04BDu, 0x00010000u, (2u << 16) | 3u, (4u << 16) | 5u};
  std::string bytes(reinterpret_cast<const char*>(&registro), sizeof registro);
  // Straddling the reader's 64 KiB block boundary, after a look-alike with a wrong structure word.
  std::string conteudo(65536 - 7, 'z');
  conteudo.insert(100, std::string("\xBD\x04\xEF\xFE\x00\x00\x02\x00", 8));
  conteudo += bytes + "tail";
  pasta.EscreverArquivo("prog", conteudo);
  plataforma::TVersaoFixa lido{};
  ASSERT_TRUE(plataforma::LerVersaoFixa((pasta.Caminho() / "prog").string(), lido));
  EXPECT_EQ(lido.dwFileVersionMS, (2u << 16) | 3u);
  EXPECT_EQ(lido.dwFileVersionLS, (4u << 16) | 5u);

  pasta.EscreverArquivo("sem", std::string(200000, 'q'));
  EXPECT_FALSE(plataforma::LerVersaoFixa((pasta.Caminho() / "sem").string(), lido));
  EXPECT_FALSE(plataforma::LerVersaoFixa((pasta.Caminho() / "nada").string(), lido));
}

// The one guard of the windows' handlers: an error becomes the standard error box and goes no
// further, whatever it is, and a box that fails itself does not escape either.
TEST(Protegido, ErroViraACaixaPadraoENaoSai) {
  suporte::TCaixasInstaladas caixas;
  bool depois = false;
  plataforma::Protegido([] { throw std::runtime_error("Falha no clique"); });
  plataforma::Protegido([] { throw 42; });
  plataforma::Protegido([&] { depois = true; });
  ASSERT_EQ(caixas->Mostradas.size(), 2u);
  EXPECT_EQ(caixas->Mostradas[0].Texto, "Falha no clique.");
  EXPECT_EQ(caixas->Mostradas[0].Titulo, plataforma::TituloAplicacao());
  EXPECT_EQ(caixas->Mostradas[0].Icone, plataforma::TIconeMensagem::Erro);
  EXPECT_EQ(caixas->Mostradas[1].Texto, "Erro desconhecido.");
  EXPECT_TRUE(depois);
  caixas->AoMostrar = [](const suporte::TCaixasGravadas::TCaixa&) { throw std::runtime_error("a caixa falhou"); };
  plataforma::Protegido([] { throw std::runtime_error("x"); });
}
