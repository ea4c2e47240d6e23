#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/Processo.h"
#include "platform/Programa.h"
#include "platform/Win1252.h"
#include "report/urelatorio.h"
#include "tests/support/ModeloColocacao.h"
#include "tests/support/SuporteTestes.h"

namespace fs = std::filesystem;
using suporte::LerArquivo;

namespace {

TParamsRelatorio Params() {
  TParamsRelatorio p;
  p.DataEstoque = {2023, 12, 31, 15, 30, 0};
  return p;
}

std::vector<std::string> Linhas(const std::string& arquivo) {
  std::vector<std::string> r;
  size_t i = 0;
  while (i < arquivo.size()) {
    size_t f = arquivo.find("\r\n", i);
    if (f == std::string::npos) {
      r.push_back(arquivo.substr(i) + "<sem fim de linha>");
      break;
    }
    r.push_back(arquivo.substr(i, f - i));
    i = f + 2;
  }
  return r;
}

// A writer with the register's shape: 18 header lines, the page line at 12, 70 lines per page,
// and body lines 2 .. corpo + 1 reading "corpo <n>".
TImpressao Escritor(int corpo) {
  TImpressao imp(Params(), 2);
  imp.DefinirLinhasPorPagina(70);
  imp.EscreverCabecalho("cab 3", 3, 1);
  imp.EscreverCabecalho(TImpressao::LinhaFolha(2, "31/12/2023"), 12, 1);
  imp.EscreverCabecalho("cab 18", 18, 1);
  for (int i = 2; i <= corpo + 1; ++i) imp.EscreverCorpo("corpo " + std::to_string(i), i, 1);
  return imp;
}

std::vector<fs::path> Conteudo(const fs::path& pasta) {
  std::vector<fs::path> r;
  for (auto& e : fs::directory_iterator(pasta)) r.push_back(e.path().filename());
  std::sort(r.begin(), r.end());
  return r;
}

}  // namespace

TEST(Impressao, ColocacaoNosBlocos) {
  TImpressao imp(Params(), 2);
  imp.EscreverCorpo("abc", 5, 1);
  EXPECT_EQ(imp.LinhasCorpo(), (std::vector<std::string>{"", "", "", "", " abc"}));

  imp.EscreverCabecalho("abcdefgh", 2, 0);
  imp.EscreverCabecalho("xy", 2, 3);
  EXPECT_EQ(imp.LinhasCabecalho()[1], "abcxyfgh");
  imp.EscreverCabecalho("abcdefgh", 2, 0);
  imp.EscreverCabecalho("xyz", 2, 6);
  EXPECT_EQ(imp.LinhasCabecalho()[1], "abcdefxyz ");  // one blank more than the text needs
  imp.EscreverCabecalho("Q", 2, 12);
  EXPECT_EQ(imp.LinhasCabecalho()[1], "abcdefxyz   Q ");
  EXPECT_EQ(imp.LinhasCabecalho()[0], "");
  // The blocks are separate.
  EXPECT_EQ(imp.LinhasCorpo().size(), 5u);
}

// The lines live in shared pieces of memory: a line written again after later ones, a line larger
// than a piece and a block spread over many pieces must read back exactly as placed.
TEST(Impressao, BlocoDeLinhasEmPedacos) {
  TBlocoLinhas bloco;
  std::vector<std::string> modelo;
  auto escrever = [&](const std::string& t, size_t linha, size_t coluna) {
    bloco.Escrever(t, linha, coluna);
    suporte::ColocarNoModelo(modelo, t, linha, coluna);
  };
  for (size_t i = 1; i <= 40000; ++i) escrever("linha " + std::to_string(i) + std::string(120, '.'), i, 1);
  escrever("cresce no fim", 40000, 130);          // the last line grows where it is
  escrever("cresce no meio", 7, 200);             // an earlier line moves to fresh room
  escrever("X", 7, 0);                            // and is written again where it went
  escrever("Y", 8, 3);                            // its neighbour is untouched by the move
  escrever(std::string(3 << 20, 'g'), 40002, 2);  // larger than a piece, after an empty line
  escrever("depois", 40003, 0);
  ASSERT_EQ(bloco.Copia(), modelo);
  for (size_t i = 0; i < modelo.size(); ++i) ASSERT_EQ(bloco.ComFimDeLinha(i), modelo[i] + "\r\n") << i;

  TBlocoLinhas outro;
  outro.swap(bloco);
  EXPECT_TRUE(bloco.empty());
  EXPECT_EQ(outro.size(), 40003u);
  EXPECT_EQ(outro[40001].size(), 2u + (3 << 20));
  EXPECT_EQ(outro[6].substr(0, 9), "Xlinha 7.");
}

TEST(Impressao, PreencherECentralizar) {
  EXPECT_EQ(TImpressao::CompletarDireita("abc", '-', 2), "abc");
  EXPECT_EQ(TImpressao::CompletarDireita("abc", '-', 5), "abc--");
  EXPECT_EQ(TImpressao::CompletarEsquerda("7", ' ', 4), "   7");
  EXPECT_EQ(TImpressao::CompletarEsquerda("12345", ' ', 4), "12345");
  EXPECT_EQ(TImpressao::Centralizar("abcdef", '*', 4), "abcd");
  EXPECT_EQ(TImpressao::Centralizar("", '*', 3), "***");
  EXPECT_EQ(TImpressao::Centralizar("QUANTIDADE", ' ', 15), "  QUANTIDADE   ");
  EXPECT_EQ(TImpressao::Centralizar("TOTAL", ' ', 18), "       TOTAL      ");
  EXPECT_EQ(TImpressao::Centralizar("ab", '.', 5), ".ab..");
  EXPECT_EQ(TImpressao::Centralizar("abc", '.', 6), "..abc.");
}

TEST(Impressao, DuasPaginasCheiasComUmaQuebra) {
  suporte::TRegionalBrasil br;
  suporte::TPastaProgramaTeste pasta;
  TImpressao imp = Escritor(102);
  imp.EscreverCorpo("linha 1 nunca vai ao arquivo", 1, 1);
  imp.EmitirRelatorio("");
  std::string arquivo = LerArquivo(pasta.Caminho() / "relatorio" / "relatorio.txt");

  // Every line, the last one included, ends with CR LF; there is no lone LF.
  ASSERT_GE(arquivo.size(), 2u);
  EXPECT_EQ(arquivo.substr(arquivo.size() - 2), "\r\n");
  size_t lf = 0;
  for (size_t i = 0; i < arquivo.size(); ++i)
    if (arquivo[i] == '\n') {
      ++lf;
      ASSERT_TRUE(i > 0 && arquivo[i - 1] == '\r') << "LF sem CR em " << i;
    }
  EXPECT_EQ(std::count(arquivo.begin(), arquivo.end(), '\f'), 1);
  EXPECT_EQ(arquivo.find("linha 1 nunca"), std::string::npos);

  auto l = Linhas(arquivo);
  ASSERT_EQ(l.size(), 70u + 69);  // the first page counts the file's empty first line
  EXPECT_EQ(l[0], "");
  EXPECT_EQ(l[1], "");
  EXPECT_EQ(l[3], " cab 3");
  EXPECT_EQ(l[12],
            " | FOLHA: 2                             ESTOQUES EXISTENTES EM: 31/12/2023" + std::string(62, ' ') + "|");
  EXPECT_EQ(l[18], " cab 18");
  EXPECT_EQ(l[19], " corpo 2");
  EXPECT_EQ(l[69], " corpo 52");
  EXPECT_EQ(l[70], "\f");  // the form feed, then header line 1 (empty)
  EXPECT_EQ(l[70 + 11],
            " | FOLHA: 3                             ESTOQUES EXISTENTES EM: 31/12/2023" + std::string(62, ' ') + "|");
  EXPECT_EQ(l[70 + 17], " cab 18");
  EXPECT_EQ(l[70 + 18], " corpo 53");
  EXPECT_EQ(l.back(), " corpo 103");
}

// Many pages go out in several writes of many pieces each; empty lines and a line moved by a later
// write break the runs. The file must still be exactly the pages of the blocks as they stood.
TEST(Impressao, ArquivoDeMuitasPaginasIgualAosBlocos) {
  suporte::TRegionalBrasil br;
  suporte::TPastaProgramaTeste pasta;
  TImpressao imp = Escritor(3000);
  imp.EscreverCorpo("", 500, 0);                       // stays as it was
  imp.EscreverCorpo("bem mais larga agora", 700, 30);  // grows after later lines: moves
  imp.EscreverCorpo("depois de um buraco", 3010, 2);   // lines 3002 .. 3009 are empty
  std::vector<std::string> cabecalho = imp.LinhasCabecalho(), corpo = imp.LinhasCorpo();

  std::string esperado = "\r\n";
  const size_t porPagina = 70 - 19;
  size_t paginas = (corpo.size() - 1 + porPagina - 1) / porPagina;
  for (size_t p = 0; p < paginas; ++p) {
    if (p > 0) {
      esperado += '\f';
      cabecalho[11] = " " + TImpressao::LinhaFolha(static_cast<int32_t>(2 + p), "31/12/2023");
    }
    for (const std::string& l : cabecalho) esperado += l + "\r\n";
    for (size_t i = 1 + p * porPagina; i < std::min(corpo.size(), 1 + (p + 1) * porPagina); ++i)
      esperado += corpo[i] + "\r\n";
  }
  imp.EmitirRelatorio("");
  std::string arquivo = LerArquivo(pasta.Caminho() / "relatorio" / "relatorio.txt");
  ASSERT_EQ(arquivo.size(), esperado.size());
  EXPECT_TRUE(arquivo == esperado) << "first difference at byte "
                                   << std::mismatch(arquivo.begin(), arquivo.end(), esperado.begin()).first -
                                          arquivo.begin();
  EXPECT_NE(arquivo.find(" corpo 700" + std::string(20, ' ') + "bem mais larga agora \r\n"), std::string::npos);
}

TEST(Impressao, UmaLinhaAMaisAbreOutraPagina) {
  suporte::TRegionalBrasil br;
  suporte::TPastaProgramaTeste pasta;
  TImpressao imp = Escritor(52);
  imp.EmitirRelatorio("");
  auto l = Linhas(LerArquivo(pasta.Caminho() / "relatorio" / "relatorio.txt"));
  ASSERT_EQ(l.size(), 70u + 18 + 1);
  EXPECT_EQ(l[70], "\f");
  EXPECT_EQ(l.back(), " corpo 53");
}

// The locale's short format (year first here) does not reach the sheets: each carries the first
// sheet's day/month/year, with the locale's separator.
TEST(Impressao, PaginasSeguintesRenumeramALinhaDaFolhaComADataDaPrimeira) {
  plataforma::TFormatSettings f = plataforma::FormatSettingsBrasil();
  f.DateSeparator = '-';
  f.ShortDateFormat = "yyyy/mm/dd";
  auto anterior = plataforma::FormatSettings();
  plataforma::DefinirFormatSettings(f);
  suporte::TPastaProgramaTeste pasta;
  TImpressao imp(Params(), 9);
  imp.DefinirLinhasPorPagina(20);  // 12 header lines: 7 body lines a page
  // A page line longer than the page line text keeps its tail.
  imp.EscreverCabecalho(TImpressao::LinhaFolha(9, "primeira") + "cauda", 12, 1);
  for (int i = 2; i <= 16; ++i) imp.EscreverCorpo("c", i, 0);
  imp.EmitirRelatorio("");
  plataforma::DefinirFormatSettings(anterior);
  std::string arquivo = LerArquivo(pasta.Caminho() / "relatorio" / "relatorio.txt");
  auto l = Linhas(arquivo);
  ASSERT_EQ(l.size(), 1u + 3 * 12 + 15);
  EXPECT_EQ(std::count(arquivo.begin(), arquivo.end(), '\f'), 2);
  std::string resto = std::string(62, ' ') + "|cauda";
  EXPECT_EQ(l[12], " | FOLHA: 9" + std::string(29, ' ') + "ESTOQUES EXISTENTES EM: primeira" + std::string(64, ' ') +
                       "|cauda");
  EXPECT_EQ(l[12 + 19], " | FOLHA: 10" + std::string(28, ' ') + "ESTOQUES EXISTENTES EM: 31-12-2023" + resto);
  EXPECT_EQ(l[12 + 38], " | FOLHA: 11" + std::string(28, ' ') + "ESTOQUES EXISTENTES EM: 31-12-2023" + resto);
  // The writer emits once: its blocks are gone.
  EXPECT_TRUE(imp.LinhasCabecalho().empty());
  EXPECT_TRUE(imp.LinhasCorpo().empty());
}

TEST(Impressao, SemCorpoSaiUmaPaginaSoComCabecalho) {
  suporte::TPastaProgramaTeste pasta;
  TImpressao imp = Escritor(0);
  imp.EmitirRelatorio("");
  auto l = Linhas(LerArquivo(pasta.Caminho() / "relatorio" / "relatorio.txt"));
  ASSERT_EQ(l.size(), 19u);
  EXPECT_EQ(l.back(), " cab 18");
}

TEST(Impressao, LinhaDeComandoDoVisualizador) {
  std::string pasta = "/opt/meu programa/p7/";
  std::string linha = TImpressao::LinhaComandoVisualizador(pasta, "ABC");
  EXPECT_EQ(
      linha,
      "\"/opt/meu programa/p7//visualizador\" \"/opt/meu programa/p7//relatorio/relatorio.txt\" 132 permissao_ABC");
  EXPECT_EQ(plataforma::DividirLinhaComando(linha),
            (std::vector<std::string>{"/opt/meu programa/p7//visualizador",
                                      "/opt/meu programa/p7//relatorio/relatorio.txt", "132", "permissao_ABC"}));
  EXPECT_EQ(plataforma::DividirLinhaComando(TImpressao::LinhaComandoVisualizador(pasta, "")).back(), "permissao_");
  // The viewer is started with the split form directly: the same for every folder a command line can carry.
  EXPECT_EQ(TImpressao::ArgumentosVisualizador(pasta, "ABC"), plataforma::DividirLinhaComando(linha));
}

TEST(Impressao, IniciaOVisualizadorDaPastaDoPrograma) {
  suporte::TPastaProgramaTeste pasta;
  fs::path marca = pasta.Caminho() / "argumentos.txt";
  fs::path script = pasta.Caminho() / "visualizador";
  {
    std::ofstream s(script);
    s << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << marca.string() << ".tmp'\n"
      << "mv '" << marca.string() << ".tmp' '" << marca.string() << "'\n";
  }
  fs::permissions(script, fs::perms::owner_all);
  Escritor(3).EmitirRelatorio("X");
  for (int i = 0; i < 200 && !fs::exists(marca); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ASSERT_TRUE(fs::exists(marca)) << "o visualizador não foi iniciado";
  std::string d = plataforma::PastaPrograma();
  EXPECT_EQ(LerArquivo(marca), d + "/relatorio/relatorio.txt\n132\npermissao_X\n");
}

// A failed write raises the system's error and leaves the folder as it was: the earlier report
// stays whole and no temporary file remains.
TEST(Impressao, FalhaDeGravacaoPreservaORelatorioAnterior) {
  suporte::TPastaProgramaTeste pasta;
  fs::path rel = pasta.Caminho() / "relatorio";
  { std::ofstream(rel / "relatorio.txt", std::ios::binary) << "ANTERIOR"; }
  // The file may grow only so far: the write fails midway, as on a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit antes{};
  getrlimit(RLIMIT_FSIZE, &antes);
  rlimit limite = antes;
  limite.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limite), 0);
  int codigo = 0;
  try {
    Escritor(40000).EmitirRelatorio("");
  } catch (const EErroRelatorio& e) {
    codigo = e.Codigo;
  }
  setrlimit(RLIMIT_FSIZE, &antes);
  EXPECT_EQ(codigo, EFBIG);
  EXPECT_EQ(LerArquivo(rel / "relatorio.txt"), "ANTERIOR");
  EXPECT_EQ(Conteudo(rel), std::vector<fs::path>{"relatorio.txt"});
}

TEST(Impressao, PastaRelatorioAusente) {
  suporte::TPastaProgramaTeste pasta;
  fs::remove(pasta.Caminho() / "relatorio");
  try {
    Escritor(3).EmitirRelatorio("");
    FAIL() << "deveria falhar";
  } catch (const EErroRelatorio& e) {
    EXPECT_EQ(e.Codigo, ENOENT);
    std::string msg = e.what();
    EXPECT_NE(msg.find(std::generic_category().message(ENOENT)), std::string::npos) << msg;
    EXPECT_NE(msg.find("(erro " + std::to_string(ENOENT) + ")"), std::string::npos) << msg;
    // The file the user knows, with one separator, and the missing folder named; never the
    // temporary file of the safe write.
    const std::string pastaRelatorio = (pasta.Caminho() / "relatorio").string();
    EXPECT_NE(msg.find("\"" + pastaRelatorio + "/relatorio.txt\""), std::string::npos) << msg;
    EXPECT_NE(msg.find(W("a pasta \"") + pastaRelatorio + W("\" não existe")), std::string::npos) << msg;
    EXPECT_EQ(msg.find(".tmp"), std::string::npos) << msg;
    EXPECT_EQ(msg.find("//"), std::string::npos) << msg;
  }
  EXPECT_FALSE(fs::exists(pasta.Caminho() / "relatorio"));
}

TEST(Impressao, RelatorioQueEhPasta) {
  suporte::TPastaProgramaTeste pasta;
  fs::path rel = pasta.Caminho() / "relatorio";
  fs::create_directory(rel / "relatorio.txt");
  std::ofstream(rel / "relatorio.txt" / "dentro") << "x";
  EXPECT_THROW(Escritor(3).EmitirRelatorio(""), EErroRelatorio);
  EXPECT_TRUE(fs::is_directory(rel / "relatorio.txt"));
  EXPECT_EQ(LerArquivo(rel / "relatorio.txt" / "dentro"), "x");
  EXPECT_EQ(Conteudo(rel), std::vector<fs::path>{"relatorio.txt"});
}

// As root, checked by a run as nobody.
TEST(Impressao, PastaSomenteLeitura) {
  if (suporte::RepetirSemPrivilegios()) return;
  suporte::TPastaProgramaTeste pasta;
  fs::path rel = pasta.Caminho() / "relatorio";
  std::ofstream(rel / "relatorio.txt", std::ios::binary) << "ANTERIOR";
  fs::permissions(rel, fs::perms::owner_read | fs::perms::owner_exec);
  int codigo = 0;
  try {
    Escritor(3).EmitirRelatorio("");
  } catch (const EErroRelatorio& e) {
    codigo = e.Codigo;
  }
  fs::permissions(rel, fs::perms::owner_all);
  EXPECT_EQ(codigo, EACCES);
  EXPECT_EQ(LerArquivo(rel / "relatorio.txt"), "ANTERIOR");
  EXPECT_EQ(Conteudo(rel), std::vector<fs::path>{"relatorio.txt"});
}

// Ctrl+C or SIGTERM while files are being written on several threads (the year-end command's
// sessions): the handler removes every temporary file, whichever thread writes it.
TEST(Impressao, SinalApagaOsTemporariosDeTodasAsThreads) {
  suporte::TPastaTemporaria pasta;
  const std::string base = pasta.Caminho().string() + "/arquivo";
  pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGTERM, [](int) {
      ApagarRelatorioTemporarioEmCurso();
      ::_exit(143);
    });
    std::atomic<int> abertos{0};
    for (int i = 0; i < 3; ++i)
      std::thread([&, i] {
        TGravacaoSegura g(base + std::to_string(i));
        g.Acrescentar("meio arquivo");
        ++abertos;
        for (;;) ::pause();
      }).detach();
    while (abertos < 3) ::usleep(1000);
    ::raise(SIGTERM);
    ::_exit(1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 143);
  EXPECT_TRUE(fs::is_empty(pasta.Caminho()));
}
