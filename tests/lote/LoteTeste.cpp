// The command as a user runs it: usage errors, every branch including one without rows, block H
// beside the registers, a lost connection in the middle, and a read-only server with a
// least-privileged user.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <regex>
#include <sstream>
#include <thread>

#include "dbclient/DbClient.h"
#include "lote/ExecucaoLote.h"
#include "tests/lote/ComandoLote.h"
#include "tests/support/LeituraPdf.h"
#include "tests/support/SuporteTestes.h"

namespace fs = std::filesystem;

namespace {

bool Contem(const std::string& texto, const std::string& parte) { return texto.find(parte) != std::string::npos; }

std::unique_ptr<dbclient::TConexao> Conexao(const std::string& banco, const std::string& usuario = "",
                                            const std::string& senha = "") {
  auto s = suporte::TServidorTeste::DoAmbiente();
  auto c = std::make_unique<dbclient::TConexao>();
  c->Servidor = s.Host;
  c->Porta = s.Porta;
  c->Usuario = usuario.empty() ? s.Usuario : usuario;
  c->Senha = senha.empty() ? s.Senha : senha;
  c->Banco = banco;
  c->Conectar();
  return c;
}

// Branches 1 (no stock rows), 2 and 3 with two products each.
void Lojas(const suporte::TBancoTeste& banco) {
  banco.Executar(
      "INSERT INTO filial (filial_id, psi_nomest, cgc, inscr) VALUES (1, 'MATRIZ', '1', '2'), (2, 'LOJA 2', '3', '4'), "
      "(3, 'LOJA 3', '5', '6');"
      "INSERT INTO produto (produto_id, descricao, ncm, unidade, preco_cmp_un, tipo, apagado) VALUES "
      "(1, 'CANETA', '84713012', 'UN', 1, 'P', 'N'), (2, 'BORRACHA', '84713012', 'UN', 1, 'P', 'N');"
      "INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc) VALUES "
      "(1, 2, 3, 12.5), (2, 2, 2, 0.75), (1, 3, 5, 12.5), (2, 3, 1, 0.75)");
}

class Lote : public ::testing::Test {
 protected:
  void SetUp() override { lote::EscreverIni(Ini(), banco_.Nome(), 2); }
  fs::path Ini() const { return pasta_.Caminho() / "lote.ini"; }
  std::vector<std::string> Args(std::vector<std::string> a) const {
    a.insert(a.end(), {"--saida", saida_.Caminho().string(), "--ini", Ini().string()});
    return a;
  }
  suporte::TBancoTeste banco_;
  suporte::TPastaTemporaria pasta_, saida_;
};

// Each bad command line: exit 2, the reason on one line, then the usage text; nothing on standard
// output, no file, no connection needed.
TEST_F(Lote, ErrosDeUso) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> casos = {
      {{"--data", "31/12/2023", "--xyz"}, "opção desconhecida \"--xyz\""},
      {{"--filial", "2"}, "falta --data"},
      {{"--data", "31/02/2023"}, "data inválida \"31/02/2023\""},
      {{"--data", "2023-12-31"}, "data inválida"},
      {{"--data", "31/12/2023", "--grupos", "1,2) OR (1=1"}, "lista inválida em --grupos"},
      {{"--data", "31/12/2023", "--especificacoes", "1,,2"}, "lista inválida em --especificacoes"},
      {{"--data", "31/12/2023", "--filial", "-1"}, "lista inválida em --filial"},
      {{"--data", "31/12/2023", "--filial", "2", "--todas"}, "--filial e --todas não podem ser usadas juntas"},
      {{"--data", "31/12/2023", "--preco", "venda"}, "--preco aceita medio ou compra"},
      {{"--data"}, "falta o valor de --data"},
      {{"--data", "31/12/2023", "--motivo", "01"}, "--motivo só pode ser usada com --bloco-h"},
      {{"--data", "31/12/2023", "--conta-contabil", "1.1"}, "--conta-contabil só pode ser usada com --bloco-h"},
      {{"--data", "31/12/2023", "--bloco-h", "--motivo", "07"}, "--motivo deve ser 01"},
      {{"--data", "31/12/2023", "--bloco-h", "--motivo", "02"}, "--motivo 02 exige um registro H020 sob cada H010"},
      {{"--data", "31/12/2023", "--bloco-h", "--motivo", "1"}, "--motivo deve ser 01"},
      {{"--data", "31/12/2023", "--paralelo", "0"}, "--paralelo aceita de 1 a 32, não \"0\""},
      {{"--data", "31/12/2023", "--paralelo", "33"}, "--paralelo aceita de 1 a 32"},
      {{"--data", "31/12/2023", "--paralelo", "-2"}, "--paralelo aceita de 1 a 32, não \"-2\""},
      {{"--data", "31/12/2023", "--paralelo", "dois"}, "--paralelo aceita de 1 a 32, não \"dois\""},
      {{"--data", "31/12/2023", "--paralelo", "2", "--paralelo", "3"}, "--paralelo repetida"},
      {{"--data", "31/12/2023", "--ini", "a.ini", "--ini", "a.ini"}, "--ini \"a.ini\" repetido"},
      {{"--data", "31/12/2023", "--filial", "2,3,2"}, "filial repetida em --filial"},
      {{"--data", "31/12/2023", "--termos", "t.ini"}, "--termos só pode ser usada com --pdf"},
      {{"--data", "31/12/2023", "--conferir", "/nao/existe"}, "a pasta de --conferir não existe: /nao/existe"},
      {{"--data", "31/12/2023", "--filial", "4294967298"}, "lista inválida em --filial"},
      {{"--data", "31/12/2023", "--grupos", "99999999999999999999"}, "lista inválida em --grupos"},
      {{"--data", "31/12/2023", "--saida", "/tmp", "--todas"}, "--saida repetida"},
      {{"--data", "31/12/2023", "--bloco-h", "--motivo", "7"}, "--motivo"},
      {{"--data", "31/12/1899"}, "data \"31/12/1899\" anterior a 1900"},
      {{"--data", "01/01/0001"}, "anterior a 1900"},
      {{"--data", "31/12/9999"}, "data \"31/12/9999\" posterior a hoje"},
  };
  for (const auto& [args, motivo] : casos) {
    lote::TResultado r = lote::Executar(Args(args));
    EXPECT_EQ(r.Codigo, 2) << motivo;
    EXPECT_EQ(r.Saida, "") << motivo;
    EXPECT_TRUE(r.Erro.rfind("inventario-p7-lote: ", 0) == 0 && Contem(r.Erro.substr(0, r.Erro.find('\n')), motivo))
        << r.Erro;
    EXPECT_TRUE(Contem(r.Erro, "\nUso: inventario-p7-lote --data DD/MM/AAAA")) << r.Erro;
  }
  // A named output folder or ini that does not exist.
  lote::TResultado r = lote::Executar({"--data", "31/12/2023", "--saida", (saida_.Caminho() / "nao").string()});
  EXPECT_EQ(r.Codigo, 2);
  EXPECT_TRUE(Contem(r.Erro, "A pasta de saída não existe")) << r.Erro;
  r = lote::Executar({"--data", "31/12/2023", "--saida", saida_.Caminho().string(), "--ini", "/nao/existe.ini"});
  EXPECT_EQ(r.Codigo, 2);
  EXPECT_TRUE(Contem(r.Erro, "Arquivo de configuração não encontrado")) << r.Erro;
  EXPECT_TRUE(lote::Arquivos(saida_.Caminho()).empty());
  // --ajuda: the usage text on standard output only.
  r = lote::Executar({"--ajuda"});
  EXPECT_EQ(r.Codigo, 0);
  EXPECT_TRUE(r.Saida.rfind("Uso: inventario-p7-lote", 0) == 0) << r.Saida;
  EXPECT_TRUE(Contem(r.Saida, "Não é um\n                          arquivo EFD completo")) << r.Saida;
  EXPECT_EQ(r.Erro, "");
}

// Every branch in id order; the one without rows writes no file and says so; the default is the
// average cost; an earlier file of the same name is replaced.
TEST_F(Lote, TodasComFilialSemRegistros) {
  Lojas(banco_);
  std::ofstream(saida_.Caminho() / "P7_2_20231231.txt") << "ANTERIOR";
  lote::TResultado r = lote::Executar(Args({"--data", "31/12/2023", "--todas"}));
  EXPECT_EQ(r.Codigo, 0) << r.Erro;
  EXPECT_EQ(r.Saida, "");
  EXPECT_EQ(lote::Arquivos(saida_.Caminho()),
            (std::vector<std::string>{"P7_2_20231231.txt", "P7_3_20231231.txt", "RESUMO_20231231.csv"}));
  // The summary for head office, in id order, as the accounts read it.
  const std::string resumo = suporte::LerArquivo(saida_.Caminho() / "RESUMO_20231231.csv");
  EXPECT_TRUE(Contem(resumo,
                     "filial;situação;produtos;folhas;total geral;segundos;arquivo;motivo\r\n"
                     "1;sem registros;;;;"))
      << resumo;
  EXPECT_TRUE(std::regex_search(resumo, std::regex("\r\n2;gravada;2;1;39,00;[0-9]+,[0-9];P7_2_20231231.txt;\r\n"
                                                   "3;gravada;2;1;63,25;[0-9]+,[0-9];P7_3_20231231.txt;\r\n$")))
      << resumo;
  size_t f1 = r.Erro.find("Filial 1: não existem registros para esta seleção\n");
  size_t f2 = r.Erro.find("Filial 2: 2 produtos, 1 folhas, total 39,00, ");
  size_t f3 = r.Erro.find("Filial 3: 2 produtos, 1 folhas, total 63,25, ");
  ASSERT_NE(f1, std::string::npos) << r.Erro;
  ASSERT_NE(f2, std::string::npos) << r.Erro;
  ASSERT_NE(f3, std::string::npos) << r.Erro;
  EXPECT_TRUE(f1 < f2 && f2 < f3) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, " s, P7_3_20231231.txt\nResumo: 2 gravada(s), 1 sem registros, 0 com falha\n")) << r.Erro;
  std::string arquivo = suporte::LerArquivo(saida_.Caminho() / "P7_2_20231231.txt");
  EXPECT_TRUE(Contem(arquivo, "Total Geral: 39,00\r\n"));
  EXPECT_TRUE(Contem(arquivo, "LOJA 2"));
  EXPECT_TRUE(Contem(suporte::LerArquivo(saida_.Caminho() / "P7_3_20231231.txt"), "LOJA 3"));
}

// An id the table lacks is a failure of its own (a typo in a scheduled job must not pass for an
// empty stock), and so is a value no amount can hold, whose reason of two lines is one on
// standard error and in the summary file; the other branches are written, exit 1.
TEST_F(Lote, FilialNaoCadastradaOuValorQueNaoCabeFalha) {
  Lojas(banco_);
  banco_.Executar(
      "UPDATE estoque_minimo SET estoque = 99999999999.9999, pmc = 99999999999.9999 WHERE filial_id = 3 AND "
      "produto_id = 1");
  lote::TResultado r = lote::Executar(Args({"--data", "31/12/2023", "--filial", "77,2,3"}));
  EXPECT_EQ(r.Codigo, 1) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Filial 77: não cadastrada na tabela filial\n")) << r.Erro;
  const std::string motivo = "Valor fora do intervalo permitido. Produto: 1 - CANETA.";
  EXPECT_TRUE(Contem(r.Erro, "\nFilial 3: falhou: " + motivo + "\n")) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Resumo: 1 gravada(s), 0 sem registros, 2 com falha\n")) << r.Erro;
  EXPECT_TRUE(Contem(suporte::LerArquivo(saida_.Caminho() / "RESUMO_20231231.csv"), ";" + motivo + "\r\n"));
  EXPECT_EQ(lote::Arquivos(saida_.Caminho()), (std::vector<std::string>{"P7_2_20231231.txt", "RESUMO_20231231.csv"}));
}

// An earlier output without any write bit is refused, not replaced, for root as for anyone: the
// branch fails naming it, the file stays as it was, the others go on.
TEST_F(Lote, SaidaSemPermissaoDeEscritaRecusada) {
  Lojas(banco_);
  const fs::path anterior = saida_.Caminho() / "P7_2_20231231.txt";
  std::ofstream(anterior) << "ANTERIOR";
  const auto leitura = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(anterior, leitura);
  lote::TResultado r = lote::Executar(Args({"--data", "31/12/2023", "--filial", "2,3"}));
  EXPECT_EQ(r.Codigo, 1) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Filial 2: falhou: Não foi possível gravar o relatório \"" + anterior.string() + "\": "))
      << r.Erro;
  EXPECT_EQ(suporte::LerArquivo(anterior), "ANTERIOR");
  EXPECT_EQ(fs::status(anterior).permissions(), leitura);
  EXPECT_TRUE(fs::exists(saida_.Caminho() / "P7_3_20231231.txt")) << r.Erro;
}

// An extra output that throws, at a branch's first line, what no branch's work expects.
class TSaidaQueLanca : public ISaidaExtraLote {
 public:
  explicit TSaidaQueLanca(std::function<void()> lancar) : lancar_(std::move(lancar)) {}
  void Linha(const TLinhaP7&, plataforma::TMoeda, plataforma::TMoeda, int64_t) override { lancar_(); }
  void Total(int64_t) override {}
  std::vector<std::string> Gravar(const std::string&, int32_t, const plataforma::TDataHora&, const TFilial&) override {
    return {};
  }
  std::vector<std::string> Avisos() const override { return {}; }
  std::string NotaSemLinhas() const override { return ""; }

 private:
  std::function<void()> lancar_;
};

// Out of memory in one session's branch, anything at all in the other's: each fails with its
// reason, the run ends with its summary and exit 1, and no file is left half-written.
TEST_F(Lote, ExcecaoInesperadaNaSessaoFalhaSoASuaFilial) {
  Lojas(banco_);
  const TOpcoesLote opcoes = LerOpcoesLote(Args({"--data", "31/12/2023", "--todas", "--paralelo", "2"}));
  std::FILE* erro = std::tmpfile();
  ASSERT_NE(erro, nullptr);
  const int codigo = ExecutarLote(opcoes, erro, false, [](int32_t filial) {
    std::vector<std::unique_ptr<ISaidaExtraLote>> r;
    if (filial == 2) r.push_back(std::make_unique<TSaidaQueLanca>([] { throw std::bad_alloc(); }));
    if (filial == 3) r.push_back(std::make_unique<TSaidaQueLanca>([] { throw 42; }));
    return r;
  });
  std::string texto(size_t(std::ftell(erro)), '\0');
  std::rewind(erro);
  texto.resize(std::fread(texto.data(), 1, texto.size(), erro));
  std::fclose(erro);
  EXPECT_EQ(codigo, 1) << texto;
  EXPECT_TRUE(Contem(texto, "Filial 2: falhou: memória insuficiente\n")) << texto;
  EXPECT_TRUE(Contem(texto, "Filial 3: falhou: erro inesperado\n")) << texto;
  EXPECT_TRUE(Contem(texto, "Resumo: 0 gravada(s), 1 sem registros, 2 com falha\n")) << texto;
  EXPECT_EQ(lote::Arquivos(saida_.Caminho()), std::vector<std::string>{"RESUMO_20231231.csv"});
}

// Runs the command with a standard error whose reader is gone, or (`fechados`) with descriptors 0,
// 1 and 2 closed, as some schedulers start jobs; the exit status.
int ExecutarSemLeitorDoErro(const std::vector<std::string>& a, bool fechados = false) {
  int tubo[2];
  if (::pipe(tubo) != 0) return -1;
  ::close(tubo[0]);
  pid_t pid = ::fork();
  if (pid == 0) {
    if (fechados) {
      for (int fd : {0, 1, 2, tubo[1]}) ::close(fd);
    } else {
      ::dup2(tubo[1], 2);
    }
    ::signal(SIGPIPE, SIG_DFL);  // as a shell starts it (the client library here ignores it)
    std::vector<char*> argv{const_cast<char*>(P7_LOTE)};
    for (const auto& x : a) argv.push_back(const_cast<char*>(x.c_str()));
    argv.push_back(nullptr);
    ::execv(P7_LOTE, argv.data());
    ::_exit(127);
  }
  ::close(tubo[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

// An output name that is a symbolic link to another file: the link is replaced by the register,
// the file it pointed to stays as it was. A standard error whose reader is gone stops nothing,
// whether the first line goes out before the connection or after it: the files are written and
// the exit code is the run's. Standard descriptors closed at start: no connection takes one of
// them for standard error to write into; the same registers.
TEST_F(Lote, LinkNaSaidaEErroPadraoFechado) {
  Lojas(banco_);
  suporte::TPastaTemporaria outra;
  std::ofstream(outra.Caminho() / "alheio.txt") << "ALHEIO";
  fs::create_symlink(outra.Caminho() / "alheio.txt", saida_.Caminho() / "P7_2_20231231.txt");
  int status = ExecutarSemLeitorDoErro(Args({"--data", "31/12/2023", "--filial", "2"}));
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(fs::is_symlink(saida_.Caminho() / "P7_2_20231231.txt"));
  EXPECT_TRUE(Contem(suporte::LerArquivo(saida_.Caminho() / "P7_2_20231231.txt"), "LOJA 2"));
  EXPECT_EQ(suporte::LerArquivo(outra.Caminho() / "alheio.txt"), "ALHEIO");

  status = ExecutarSemLeitorDoErro({"--data", "31/12/2023", "--saida", (saida_.Caminho() / "nao").string()});
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 2);

  suporte::TPastaTemporaria fechados;
  status = ExecutarSemLeitorDoErro({"--data", "31/12/2023", "--todas", "--paralelo", "3", "--saida",
                                    fechados.Caminho().string(), "--ini", Ini().string()},
                                   true);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(lote::Arquivos(fechados.Caminho()),
            (std::vector<std::string>{"P7_2_20231231.txt", "P7_3_20231231.txt", "RESUMO_20231231.csv"}));
  EXPECT_EQ(suporte::LerArquivo(fechados.Caminho() / "P7_2_20231231.txt"),
            suporte::LerArquivo(saida_.Caminho() / "P7_2_20231231.txt"));
}

// Fields of the records of one type in a block H file, in order.
std::vector<std::vector<std::string>> Registros(const std::string& arquivo, const std::string& tipo) {
  std::vector<std::vector<std::string>> r;
  std::istringstream linhas(arquivo);
  for (std::string l; std::getline(linhas, l);) {
    if (l.rfind("|" + tipo + "|", 0) != 0) continue;
    std::vector<std::string> campos;
    std::istringstream c(l.substr(1, l.size() - 3));  // without the first "|" and the last "|\r"
    for (std::string campo; std::getline(c, campo, '|');) campos.push_back(campo);
    if (l.size() > 3 && l[l.size() - 3] == '|') campos.push_back("");  // an empty last field
    r.push_back(campos);
  }
  return r;
}

// A money text of the register ("1.234,56") as the EFD writes it ("1234,56").
std::string SemMilhar(std::string t) {
  std::erase(t, '.');
  return t;
}

// --bloco-h for a branch without rows and one with rows (one of them fractional and without a
// unit): the zero inventory replaces an earlier file, and the other block H agrees with its
// register line by line and in the grand total.
TEST_F(Lote, BlocoHAoLadoDoRegistro) {
  Lojas(banco_);
  banco_.Executar(
      "INSERT INTO produto (produto_id, descricao, ncm, unidade, preco_cmp_un, tipo, apagado) VALUES "
      "(3, 'LAPIS', '84713012', '', 1, 'P', 'N');"
      "INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc) VALUES (3, 2, 2.5, 1.3333)");
  std::ofstream(saida_.Caminho() / "BLOCOH_1_20231231.txt") << "ANTERIOR";
  lote::TResultado r =
      lote::Executar(Args({"--data", "31/12/2023", "--filial", "1,2", "--bloco-h", "--conta-contabil", "1.1|x\r\ny"}));
  ASSERT_EQ(r.Codigo, 0) << r.Erro;
  EXPECT_EQ(lote::Arquivos(saida_.Caminho()),
            (std::vector<std::string>{"BLOCOH_1_20231231.txt", "BLOCOH_2_20231231.txt", "P7_2_20231231.txt",
                                      "RESUMO_20231231.csv"}));
  EXPECT_EQ(suporte::LerArquivo(saida_.Caminho() / "BLOCOH_1_20231231.txt"),
            "|H001|0|\r\n|H005|31122023|0,00|01|\r\n|H990|3|\r\n");
  EXPECT_TRUE(Contem(r.Erro,
                     "Filial 1: não existem registros para esta seleção; bloco H com inventário zerado: "
                     "BLOCOH_1_20231231.txt\n"))
      << r.Erro;
  EXPECT_TRUE(Contem(r.Erro,
                     " s, P7_2_20231231.txt, BLOCOH_2_20231231.txt\n"
                     "filial 2: produto 3 sem unidade: escrito como UN\n"))
      << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Resumo: 1 gravada(s), 1 sem registros, 0 com falha\n")) << r.Erro;

  const std::string livro = suporte::LerArquivo(saida_.Caminho() / "P7_2_20231231.txt");
  const std::string bloco = suporte::LerArquivo(saida_.Caminho() / "BLOCOH_2_20231231.txt");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(livro, m, std::regex("Total Geral: ([0-9.,]+)\r\n"))) << livro;
  auto h005 = Registros(bloco, "H005");
  ASSERT_EQ(h005.size(), 1u) << bloco;
  EXPECT_EQ(h005[0], (std::vector<std::string>{"H005", "31122023", SemMilhar(m[1]), "01"}));
  // The TOTAL column of each detail line against VL_ITEM of each H010, in order.
  std::vector<std::string> totaisLivro, totaisBloco;
  std::regex detalhe(" \\|[^|]*\\|[^|]*\\|[^|]*\\|[^|]*\\|[^|]*\\| *([0-9.]+,[0-9]{2}) *\\|\r");
  for (std::sregex_iterator i(livro.begin(), livro.end(), detalhe), fim; i != fim; ++i)
    totaisLivro.push_back(SemMilhar((*i)[1]));
  for (const auto& h010 : Registros(bloco, "H010")) {
    ASSERT_EQ(h010.size(), 11u);
    totaisBloco.push_back(h010[5]);
    EXPECT_EQ(h010[9], "1.1/x  y") << "the account's | and line breaks cannot split the record";
  }
  EXPECT_EQ(totaisLivro.size(), 3u) << livro;
  EXPECT_EQ(totaisBloco, totaisLivro);
  EXPECT_EQ(Registros(bloco, "0200").size(), 3u);
  EXPECT_EQ(Registros(bloco, "0190").size(), 1u);  // UN only, which product 3 gets for want of one
  EXPECT_TRUE(Contem(bloco, "|H010|3|UN|2,500|1,333300|")) << bloco;
  EXPECT_TRUE(Contem(bloco, "|H990|6|\r\n")) << bloco;
}

// --efd: the branch whose CNPJ has a file in the folder gets that file with its inventory put in
// (the original untouched, the fragment beside it); one without a file fails naming its CNPJ and
// the folder; a file that is no EFD is skipped with a warning. Then a negative value: the book is
// written, block H is not, and the branch fails.
TEST_F(Lote, EfdDaPastaComOInventario) {
  Lojas(banco_);
  banco_.Executar("UPDATE filial SET cgc = '12345678000195' WHERE filial_id = 2");
  suporte::TPastaTemporaria efd;
  const std::string original =
      suporte::LerArquivo(suporte::CaminhoFonte("tests/fixtures/efd/mescla/sem_dados/original.txt"));
  std::ofstream(efd.Caminho() / "sped_loja2.txt", std::ios::binary) << original;
  std::ofstream(efd.Caminho() / "leia-me.txt") << "não é EFD\n";
  lote::TResultado r =
      lote::Executar(Args({"--data", "31/12/2024", "--filial", "2,3", "--efd", efd.Caminho().string()}));
  EXPECT_EQ(r.Codigo, 1) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "leia-me.txt")) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Filial 3: falhou: nenhum arquivo EFD com o CNPJ 5 em " + efd.Caminho().string()))
      << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "BLOCOH_2_20241231.txt, EFD_2_20241231.txt\n")) << r.Erro;
  EXPECT_EQ(suporte::LerArquivo(efd.Caminho() / "sped_loja2.txt"), original);
  const std::string mesclado = suporte::LerArquivo(saida_.Caminho() / "EFD_2_20241231.txt");
  const std::string bloco = suporte::LerArquivo(saida_.Caminho() / "BLOCOH_2_20241231.txt");
  EXPECT_EQ(mesclado.rfind(original.substr(0, original.find('\n') + 1), 0), 0u) << "the original's 0000 leads";
  for (const auto& h010 : Registros(bloco, "H010")) {
    std::string linha = "|H010|" + h010[1] + "|";
    EXPECT_TRUE(Contem(mesclado, linha)) << linha;
  }
  EXPECT_TRUE(Contem(mesclado, "|H005|31122024|39,00|01|\r\n")) << mesclado;

  // Profile A requires COD_CTA: without --conta-contabil the fragment is written, the merged file is
  // not, and the branch fails.
  std::string perfilA = original;
  perfilA.replace(perfilA.find("|||C|1|"), 7, "|||A|1|");
  suporte::TPastaTemporaria efdA, saidaA;
  std::ofstream(efdA.Caminho() / "sped.txt", std::ios::binary) << perfilA;
  r = lote::Executar({"--data", "31/12/2024", "--filial", "2", "--efd", efdA.Caminho().string(), "--saida",
                      saidaA.Caminho().string(), "--ini", Ini().string()});
  EXPECT_EQ(r.Codigo, 1) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Filial 2: falhou: arquivo EFD \"" + (efdA.Caminho() / "sped.txt").string() +
                                 "\" recusado: o arquivo tem o perfil A, que exige a conta contábil (COD_CTA) em cada "
                                 "H010: informe --conta-contabil.\n"))
      << r.Erro;
  EXPECT_EQ(lote::Arquivos(saidaA.Caminho()),
            (std::vector<std::string>{"BLOCOH_2_20241231.txt", "P7_2_20241231.txt", "RESUMO_20241231.csv"}));
  EXPECT_TRUE(Contem(suporte::LerArquivo(saidaA.Caminho() / "RESUMO_20241231.csv"), "\r\n2;falhou;"));

  // A negative cost: no block H can carry it.
  banco_.Executar("UPDATE estoque_minimo SET pmc = -1 WHERE filial_id = 2 AND produto_id = 2");
  suporte::TPastaTemporaria outra;
  r = lote::Executar({"--data", "31/12/2024", "--filial", "2", "--bloco-h", "--saida", outra.Caminho().string(),
                      "--ini", Ini().string()});
  EXPECT_EQ(r.Codigo, 1) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Filial 2: falhou: ")) << r.Erro;
  EXPECT_EQ(lote::Arquivos(outra.Caminho()), (std::vector<std::string>{"P7_2_20241231.txt", "RESUMO_20241231.csv"}));
}

// Branch 2 of Lojas under the fixtures' CNPJ with a third product, fractional and with a unit
// longer than UNID takes (the book prints GARRAFA, block H writes GARRAF); its complete EFD file
// with the inventory merged in by --efd.
std::string ArquivoMesclado(const suporte::TBancoTeste& banco, const std::vector<std::string>& conexao) {
  banco.Executar(
      "UPDATE filial SET cgc = '12.345.678/0001-95' WHERE filial_id = 2;"
      "INSERT INTO produto (produto_id, descricao, ncm, unidade, preco_cmp_un, tipo, apagado) VALUES "
      "(3, 'LAPIS', '84713012', 'GARRAFA', 1, 'P', 'N');"
      "INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc) VALUES (3, 2, 2.5, 1.3333)");
  suporte::TPastaTemporaria efd, saida;
  efd.EscreverArquivo("sped.txt",
                      suporte::LerArquivo(suporte::CaminhoFonte("tests/fixtures/efd/mescla/sem_dados/original.txt")));
  std::vector<std::string> a = {"--data", "31/12/2024",           "--filial", "2",
                                "--efd",  efd.Caminho().string(), "--saida",  saida.Caminho().string()};
  a.insert(a.end(), conexao.begin(), conexao.end());
  lote::TResultado r = lote::Executar(a);
  EXPECT_EQ(r.Codigo, 0) << r.Erro;
  return suporte::LerArquivo(saida.Caminho() / "EFD_2_20241231.txt");
}

const std::string CabecalhoConferencia =
    "produto;descrição;situação;unidade livro;unidade bloco H;quantidade livro;quantidade bloco H;valor livro;"
    "valor bloco H;diferença de valor\r\n";

// --conferir on the branch's own merged file: every item and total agrees, exit 0; the register
// is the one the run without --conferir wrote, and the summary gains its column.
TEST_F(Lote, ConferirArquivoProprioSemDiferencas) {
  Lojas(banco_);
  suporte::TPastaTemporaria conferir;
  conferir.EscreverArquivo("transmitido.txt", ArquivoMesclado(banco_, {"--ini", Ini().string()}));
  lote::TResultado r =
      lote::Executar(Args({"--data", "31/12/2024", "--filial", "2", "--conferir", conferir.Caminho().string()}));
  EXPECT_EQ(r.Codigo, 0) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro,
                     " s, P7_2_20241231.txt, CONFERENCIA_2_20241231.csv\n"
                     "Filial 2: 3 itens conferidos, 0 diferenças, livro 42,33, bloco H 42,33\n"))
      << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Resumo: 1 gravada(s), 0 sem registros, 0 com falha, 0 com diferenças no bloco H\n"))
      << r.Erro;
  EXPECT_EQ(suporte::LerArquivo(saida_.Caminho() / "CONFERENCIA_2_20241231.csv"),
            CabecalhoConferencia +
                ";total do livro x soma dos VL_ITEM (H010);confere;;;;;42,33;42,33;0,00\r\n"
                ";total do livro x VL_INV (H005);confere;;;;;42,33;42,33;0,00\r\n"
                ";VL_INV (H005) x soma dos VL_ITEM (H010);confere;;;;;42,33;42,33;0,00\r\n");
  const std::string resumo = suporte::LerArquivo(saida_.Caminho() / "RESUMO_20241231.csv");
  EXPECT_TRUE(Contem(resumo, ";arquivo;motivo;diferenças\r\n2;gravada;3;1;42,33;")) << resumo;
  EXPECT_TRUE(Contem(resumo, ";P7_2_20241231.txt;;0\r\n")) << resumo;

  suporte::TPastaTemporaria sem;
  r = lote::Executar(
      {"--data", "31/12/2024", "--filial", "2", "--saida", sem.Caminho().string(), "--ini", Ini().string()});
  EXPECT_EQ(suporte::LerArquivo(sem.Caminho() / "P7_2_20241231.txt"),
            suporte::LerArquivo(saida_.Caminho() / "P7_2_20241231.txt"));
}

// The same file with one H010 removed, one quantity and one value changed, an H010 of a code the
// book lacks (its description from the file's 0200) and VL_INV off by a cent, the counters left
// as they were: those four lines in product order, the totals' differences, exit 1.
TEST_F(Lote, ConferirArquivoAlterado) {
  Lojas(banco_);
  std::string efd = ArquivoMesclado(banco_, {"--ini", Ini().string()});
  auto trocar = [&](const std::string& de, const std::string& para) {
    const size_t p = efd.find(de);
    ASSERT_NE(p, std::string::npos) << de;
    efd.replace(p, de.size(), para);
  };
  trocar("|H010|1|UN|3,000|12,500000|37,50|0|||||\r\n", "");
  trocar("|H010|2|UN|2,000|", "|H010|2|UN|3,000|");
  trocar("|H010|3|GARRAF|2,500|1,333300|3,33|", "|H010|3|GARRAF|2,500|1,333300|3,43|");
  trocar("|H990|", "|H010|900|PC|1,000|5,000000|5,00|0|||||\r\n|H990|");
  trocar("|H005|31122024|42,33|01|", "|H005|31122024|42,32|01|");
  suporte::TPastaTemporaria conferir;
  conferir.EscreverArquivo("transmitido.txt", efd);
  lote::TResultado r =
      lote::Executar(Args({"--data", "31/12/2024", "--filial", "2", "--conferir", conferir.Caminho().string()}));
  EXPECT_EQ(r.Codigo, 1) << r.Erro;
  EXPECT_TRUE(
      Contem(r.Erro, "\nFilial 2: 4 itens conferidos, 5 diferenças, livro 42,33, bloco H 9,93, VL_INV do H005 42,32\n"))
      << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "0 com falha, 1 com diferenças no bloco H\n")) << r.Erro;
  EXPECT_EQ(suporte::LerArquivo(saida_.Caminho() / "CONFERENCIA_2_20241231.csv"),
            CabecalhoConferencia +
                "1;CANETA;só no livro;UN;;3;;37,50;;37,50\r\n"
                "2;BORRACHA;quantidade difere;UN;UN;2;3;1,50;1,50;0,00\r\n"
                "3;LAPIS;valor difere;GARRAF;GARRAF;2,5;2,5;3,33;3,43;-0,10\r\n"
                "900;ITEM DO ARQUIVO;só no bloco H;;PC;;1;;5,00;-5,00\r\n"
                ";total do livro x soma dos VL_ITEM (H010);difere;;;;;42,33;9,93;32,40\r\n"
                ";total do livro x VL_INV (H005);difere;;;;;42,33;42,32;0,01\r\n"
                ";VL_INV (H005) x soma dos VL_ITEM (H010);difere;;;;;42,32;9,93;32,39\r\n");
  EXPECT_TRUE(Contem(suporte::LerArquivo(saida_.Caminho() / "RESUMO_20241231.csv"), ";P7_2_20241231.txt;;5\r\n"));
}

// Each branch fails by name, the others go on: no inventory of the stock date (the dates the file
// has listed), two files with its CNPJ, a line that is no record (its number; branch 1 has no rows
// and is compared all the same).
TEST_F(Lote, ConferirFalhasPorFilial) {
  Lojas(banco_);
  banco_.Executar(
      "UPDATE filial SET cgc = '11222333000181' WHERE filial_id = 1;"
      "UPDATE filial SET cgc = '12345678000195' WHERE filial_id = 2;"
      "UPDATE filial SET cgc = '98765432000198' WHERE filial_id = 3");
  const std::string original =
      suporte::LerArquivo(suporte::CaminhoFonte("tests/fixtures/efd/mescla/mesma_data/original.txt"));
  auto comCnpj = [&](const std::string& cnpj) {
    std::string t = original;
    return t.replace(t.find("12345678000195"), 14, cnpj);
  };
  suporte::TPastaTemporaria conferir;
  conferir.EscreverArquivo("loja2.txt", original);
  conferir.EscreverArquivo("loja3.txt", comCnpj("98765432000198"));
  conferir.EscreverArquivo("loja3-copia.txt", comCnpj("98765432000198"));
  std::string matriz = comCnpj("11222333000181");
  matriz.insert(matriz.find("|C100|"), "C170|1|\r\n");
  conferir.EscreverArquivo("matriz.txt", matriz);
  const std::string pasta = conferir.Caminho().string();
  lote::TResultado r = lote::Executar(Args({"--data", "31/12/2023", "--todas", "--conferir", pasta}));
  EXPECT_EQ(r.Codigo, 1) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Filial 1: falhou: arquivo EFD \"" + pasta +
                                 "/matriz.txt\" recusado: a linha 13 não começa e termina com \"|\"\n"))
      << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Filial 2: falhou: arquivo EFD \"" + pasta +
                                 "/loja2.txt\" sem inventário (H005) de 31/12/2023; o arquivo tem os de 31/12/2024, "
                                 "30/06/2024.\n"))
      << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Filial 3: falhou: mais de um arquivo EFD com o CNPJ 98765432000198 em " + pasta +
                                 ": loja3-copia.txt, loja3.txt.\n"))
      << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Resumo: 0 gravada(s), 0 sem registros, 3 com falha, 0 com diferenças no bloco H\n"))
      << r.Erro;
  EXPECT_FALSE(fs::exists(saida_.Caminho() / "CONFERENCIA_2_20231231.csv"));
}

// An output that would replace a file the run reads fails its branch by name, the same folder
// for both being no fault in itself: the branch's EFD original in the output folder under the
// merged file's name, the terms file under a book's name. Both stay byte for byte.
TEST_F(Lote, SaidaQueSubstituiriaUmaEntradaFalha) {
  Lojas(banco_);
  banco_.Executar("UPDATE filial SET cgc = '12345678000195' WHERE filial_id = 2");
  const std::string original =
      suporte::LerArquivo(suporte::CaminhoFonte("tests/fixtures/efd/mescla/sem_dados/original.txt"));
  const fs::path efd = saida_.Caminho() / "EFD_2_20241231.txt", termos = saida_.Caminho() / "P7_3_20241231.pdf";
  std::ofstream(efd, std::ios::binary) << original;
  std::ofstream(termos) << "[Padrao]\nLivro=7\n";
  lote::TResultado r = lote::Executar(Args({"--data", "31/12/2024", "--filial", "2,3", "--pdf", "--termos",
                                            termos.string(), "--efd", saida_.Caminho().string()}));
  EXPECT_EQ(r.Codigo, 1) << r.Erro;
  EXPECT_TRUE(std::regex_search(r.Erro, std::regex("Filial 2: falhou: [^\n]*EFD_2_20241231\\.txt"))) << r.Erro;
  EXPECT_TRUE(std::regex_search(r.Erro, std::regex("Filial 3: falhou: [^\n]*P7_3_20241231\\.pdf"))) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Resumo: 0 gravada(s), 0 sem registros, 2 com falha\n")) << r.Erro;
  EXPECT_EQ(suporte::LerArquivo(efd), original);
  EXPECT_EQ(suporte::LerArquivo(termos), "[Padrao]\nLivro=7\n");
}

// A machine without the PDF's font: the run stops before the first branch's script, naming the
// package, with nothing written. The font is hidden in a mount namespace of the command's own
// (root only, as CI runs).
TEST_F(Lote, PdfSemFonteFalhaAntesDaPrimeiraFilial) {
  if (std::system("unshare -m true >/dev/null 2>&1") != 0) GTEST_SKIP() << "unshare -m needs root";
  Lojas(banco_);
  suporte::TPastaTemporaria erros;
  std::string comando = "unshare -m sh -c 'mount -t tmpfs none /usr/share/fonts && exec \"$0\" \"$@\"' " P7_LOTE;
  for (const std::string& a : Args({"--data", "31/12/2023", "--todas", "--pdf"})) comando += " '" + a + "'";
  comando += " 2>'" + (erros.Caminho() / "erro").string() + "'";
  const int status = std::system(comando.c_str());
  const std::string erro = suporte::LerArquivo(erros.Caminho() / "erro");
  EXPECT_EQ(WEXITSTATUS(status), 1) << erro;
  EXPECT_TRUE(Contem(erro, "fonts-liberation")) << erro;
  EXPECT_FALSE(Contem(erro, "Filial ")) << erro;
  EXPECT_TRUE(lote::Arquivos(saida_.Caminho()).empty());
}

// --pdf with no display at all: the book of the branch with rows, one page per sheet and the
// same text, between its terms when --termos is given (a key it lacks named in a warning); none
// for the branch without rows. A terms file that is no such file stops the run before anything.
TEST_F(Lote, PdfDoLivroSemTelaComTermos) {
  if (!suporte::PopplerInstalado()) GTEST_SKIP() << "poppler-utils";
  Lojas(banco_);
  suporte::TPastaTemporaria termos;
  std::ofstream(termos.Caminho() / "termos.ini") << "[Padrao]\nLivro=7\nResponsavel=ANA LIMA\n[Filial 2]\nEndereco=RUA "
                                                    "DAS FLORES, 10\n";
  std::ofstream(termos.Caminho() / "ruim.ini") << "isto nao e ini\n";
  const char* display = std::getenv("DISPLAY");
  const std::string antes = display ? display : "";
  ::unsetenv("DISPLAY");
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);  // what a desktop session would ask for, with no X server
  lote::TResultado r = lote::Executar(
      Args({"--data", "31/12/2023", "--todas", "--pdf", "--termos", (termos.Caminho() / "termos.ini").string()}));
  lote::TResultado ruim =
      lote::Executar(Args({"--data", "31/12/2023", "--pdf", "--termos", (termos.Caminho() / "ruim.ini").string()}));
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (!antes.empty()) ::setenv("DISPLAY", antes.c_str(), 1);

  ASSERT_EQ(r.Codigo, 0) << r.Erro;
  EXPECT_EQ(lote::Arquivos(saida_.Caminho()),
            (std::vector<std::string>{"P7_2_20231231.pdf", "P7_2_20231231.txt", "P7_3_20231231.pdf",
                                      "P7_3_20231231.txt", "RESUMO_20231231.csv"}));
  EXPECT_TRUE(Contem(r.Erro, " s, P7_2_20231231.txt, P7_2_20231231.pdf\n")) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "filial 3: ")) << "the keys branch 3 lacks: " << r.Erro;
  const std::string pdf = (saida_.Caminho() / "P7_2_20231231.pdf").string();
  const std::vector<std::string> paginas = suporte::TextoDasPaginas(pdf);
  ASSERT_EQ(suporte::PaginasDoPdf(pdf), 3);  // the one sheet between its terms
  ASSERT_EQ(paginas.size(), 3u);
  EXPECT_TRUE(Contem(paginas[0], "TERMO DE ABERTURA")) << paginas[0];
  EXPECT_TRUE(Contem(paginas[0], "RUA DAS FLORES, 10")) << paginas[0];
  EXPECT_TRUE(Contem(paginas[0], "ANA LIMA")) << paginas[0];
  EXPECT_TRUE(Contem(paginas[1], "LIVRO REGISTRO DE INVENTÁRIO - RI - MODELO P7")) << paginas[1];
  EXPECT_TRUE(Contem(paginas[1], "Total Geral: 39,00")) << paginas[1];
  EXPECT_TRUE(Contem(paginas[2], "TERMO DE ENCERRAMENTO")) << paginas[2];

  EXPECT_EQ(ruim.Codigo, 2) << ruim.Erro;
  EXPECT_TRUE(Contem(ruim.Erro, "ruim.ini")) << ruim.Erro;
}

// The id of the first of `sessoes` connections of the command (newer than `depoisDe`) once they
// all wait in the register's statement of their scripts; "" when they never got there.
std::string EsperarNoRoteiro(dbclient::TConexao& admin, const std::string& banco, size_t sessoes,
                             const std::string& depoisDe = "0") {
  dbclient::TConsulta q(admin);
  q.DefinirSql("SELECT ID FROM information_schema.PROCESSLIST WHERE DB = '" + banco +
               "' AND INFO LIKE '%registro74%' AND ID <> CONNECTION_ID() AND ID > " + depoisDe + " ORDER BY ID");
  for (int i = 0; i < 1000; ++i) {
    q.Abrir();
    if (q.NumeroRegistros() == sessoes) return q.Campo(0).AsString();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "";
}

// The server ends the first of them; false when they never got there.
bool DerrubarNoRoteiro(const std::string& banco, size_t sessoes) {
  auto admin = Conexao(banco);
  const std::string id = EsperarNoRoteiro(*admin, banco, sessoes);
  if (!id.empty()) admin->Executar("KILL CONNECTION " + id);
  return !id.empty();
}

// Every signal that ends a process and can be caught, while sessions wait in their scripts (one
// each for a closed ssh session, Ctrl+\ and a stray kill, two for SIGTERM): the command's own
// clean-up and message, exit 128 + N, nothing left in the output folder.
TEST_F(Lote, SinaisDeFimParaTodasAsSessoes) {
  Lojas(banco_);
  auto bloqueio = Conexao(banco_.Nome());
  bloqueio->Executar("LOCK TABLES produto WRITE");
  auto admin = Conexao(banco_.Nome());
  std::string anterior = "0";  // the killed runs' statements wait on in the server
  for (int sinal : {SIGHUP, SIGQUIT, SIGUSR1, SIGTERM}) {
    const size_t sessoes = sinal == SIGTERM ? 2 : 1;
    lote::TProcesso processo(Args({"--data", "31/12/2023", "--todas", "--paralelo", std::to_string(sessoes)}),
                             pasta_.Caminho());
    const std::string id = EsperarNoRoteiro(*admin, banco_.Nome(), sessoes, anterior);
    ::kill(processo.Pid(), sinal);
    lote::TResultado r = processo.Esperar();
    ASSERT_FALSE(id.empty()) << sinal << ": " << r.Erro;
    anterior = id;
    EXPECT_EQ(r.Codigo, 128 + sinal) << r.Erro;
    EXPECT_TRUE(Contem(r.Erro, "interrompido")) << sinal << ": " << r.Erro;
    EXPECT_TRUE(lote::Arquivos(saida_.Caminho()).empty()) << sinal;
  }
  bloqueio->Executar("UNLOCK TABLES");
}

// The server ends the connection while the script of branch 2 waits on a lock: branch 2 fails
// with the server's reason, branch 3 with one line of its own, no file is touched, exit 1.
TEST_F(Lote, ConexaoPerdidaNoMeio) {
  Lojas(banco_);
  std::ofstream(saida_.Caminho() / "P7_2_20231231.txt") << "ANTERIOR";
  auto bloqueio = Conexao(banco_.Nome());
  bloqueio->Executar("LOCK TABLES produto WRITE");
  // With --bloco-h: no block H without its book.
  lote::TProcesso processo(Args({"--data", "31/12/2023", "--filial", "2,3", "--bloco-h"}), pasta_.Caminho());
  const bool derrubada = DerrubarNoRoteiro(banco_.Nome(), 1);
  lote::TResultado r = processo.Esperar();
  bloqueio->Executar("UNLOCK TABLES");
  ASSERT_TRUE(derrubada) << "o comando não chegou ao roteiro: " << r.Erro;
  EXPECT_EQ(r.Codigo, 1) << r.Erro;
  size_t l2 = r.Erro.find("Filial 2: falhou: ");
  ASSERT_NE(l2, std::string::npos) << r.Erro;
  std::string linha2 = r.Erro.substr(l2, r.Erro.find('\n', l2) - l2);
  EXPECT_TRUE(Contem(linha2, "Lost connection") || Contem(linha2, "gone away") || Contem(linha2, "killed")) << linha2;
  EXPECT_TRUE(Contem(r.Erro, "\nFilial 3: não gerada: a conexão com o banco de dados foi perdida\n")) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Resumo: 0 gravada(s), 0 sem registros, 2 com falha\n  Filial 2: ")) << r.Erro;
  EXPECT_EQ(lote::Arquivos(saida_.Caminho()), (std::vector<std::string>{"P7_2_20231231.txt", "RESUMO_20231231.csv"}));
  EXPECT_EQ(suporte::LerArquivo(saida_.Caminho() / "P7_2_20231231.txt"), "ANTERIOR");
}

// Two sessions wait on a lock in their branches' scripts and the server ends one of them: its
// branch fails, the other session finishes its own and takes the branch left, exit 1.
TEST_F(Lote, SessaoPerdidaNoParalelo) {
  Lojas(banco_);
  auto bloqueio = Conexao(banco_.Nome());
  bloqueio->Executar("LOCK TABLES produto WRITE");
  lote::TProcesso processo(Args({"--data", "31/12/2023", "--todas", "--paralelo", "2"}), pasta_.Caminho());
  const bool derrubada = DerrubarNoRoteiro(banco_.Nome(), 2);
  bloqueio->Executar("UNLOCK TABLES");
  lote::TResultado r = processo.Esperar();
  ASSERT_TRUE(derrubada) << "as duas sessões não chegaram ao roteiro: " << r.Erro;
  EXPECT_EQ(r.Codigo, 1) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, "Resumo: ")) << r.Erro;
  // Branch 1 has no rows: whichever of 1 and 2 lost its session failed, the other and 3 are done.
  const bool caiu1 = Contem(r.Erro, "Filial 1: falhou: ");
  EXPECT_NE(caiu1, Contem(r.Erro, "Filial 2: falhou: ")) << r.Erro;
  EXPECT_TRUE(Contem(r.Erro, caiu1 ? "Resumo: 2 gravada(s), 0 sem registros, 1 com falha"
                                   : "Resumo: 1 gravada(s), 1 sem registros, 1 com falha"))
      << r.Erro;
  EXPECT_TRUE(fs::exists(saida_.Caminho() / "P7_3_20231231.txt")) << r.Erro;
  EXPECT_EQ(fs::exists(saida_.Caminho() / "P7_2_20231231.txt"), caiu1);
}

// A server of the test's own with read_only=ON (the shared server's global settings stay as they
// are) and a user that may only SELECT and CREATE TEMPORARY TABLES: the same bytes as the
// administrator gets before the server turned read-only; and the same again with the branches
// spread over that server and the shared one holding the same chain.
TEST(LoteSomenteLeitura, MesmosBytesQueComAdministrador) {
  suporte::TPastaTemporaria ini, comAdmin, comLeitor, doisServidores;
  suporte::TBancoTeste compartilhado;  // on the shared server, before the environment names the other
  Lojas(compartilhado);
  lote::EscreverIni(ini.Caminho() / "compartilhado.ini", compartilhado.Nome(), 2);
  const std::string portaCompartilhada = std::getenv("P7_DB_PORT") ? std::getenv("P7_DB_PORT") : "";

  const int porta = 34000 + ::getpid() % 1000;
  const std::string pasta = "/tmp/p7-lote-ro-" + std::to_string(::getpid());
  ::setenv("P7_DB_PORT", std::to_string(porta).c_str(), 1);
  ::setenv("P7_DB_DIR", pasta.c_str(), 1);
  const std::string servidor = "'" + suporte::CaminhoFonte("scripts/db-server") + "'";
  ASSERT_EQ(std::system((servidor + " start >/dev/null").c_str()), 0);
  struct TParar {
    std::string s, p, portaCompartilhada;
    ~TParar() {
      (void)std::system((s + " stop >/dev/null").c_str());
      fs::remove_all(p);
      ::unsetenv("P7_DB_DIR");
      // The shared server's database goes on the shared server.
      if (portaCompartilhada.empty())
        ::unsetenv("P7_DB_PORT");
      else
        ::setenv("P7_DB_PORT", portaCompartilhada.c_str(), 1);
    }
  } parar{servidor, pasta, portaCompartilhada};

  {
    suporte::TBancoTeste banco;
    Lojas(banco);
    banco.Executar(
        "CREATE USER 'p7leitor'@'127.0.0.1' IDENTIFIED BY 'so-leitura'; GRANT SELECT, CREATE TEMPORARY "
        "TABLES ON `" +
        banco.Nome() + "`.* TO 'p7leitor'@'127.0.0.1'");
    lote::EscreverIni(ini.Caminho() / "admin.ini", banco.Nome(), 2);
    lote::EscreverIni(ini.Caminho() / "leitor.ini", banco.Nome(), 2, "p7leitor", "so-leitura");
    auto args = [&](const suporte::TPastaTemporaria& saida, const char* arquivoIni) {
      return std::vector<std::string>{"--data",   "31/12/2023",
                                      "--filial", "2,3",
                                      "--saida",  saida.Caminho().string(),
                                      "--ini",    (ini.Caminho() / arquivoIni).string()};
    };
    lote::TResultado r = lote::Executar(args(comAdmin, "admin.ini"));
    ASSERT_EQ(r.Codigo, 0) << r.Erro;

    banco.Executar("SET GLOBAL read_only = ON");
    // The user really cannot write.
    auto leitor = Conexao(banco.Nome(), "p7leitor", "so-leitura");
    EXPECT_ANY_THROW(leitor->Executar("CREATE TABLE t (i INT)"));
    EXPECT_ANY_THROW(leitor->Executar("DELETE FROM produto"));

    r = lote::Executar(args(comLeitor, "leitor.ini"));
    ASSERT_EQ(r.Codigo, 0) << r.Erro;
    for (const char* nome : {"P7_2_20231231.txt", "P7_3_20231231.txt"})
      EXPECT_EQ(suporte::LerArquivo(comLeitor.Caminho() / nome), suporte::LerArquivo(comAdmin.Caminho() / nome))
          << nome;
    EXPECT_EQ(lote::Arquivos(comLeitor.Caminho()).size(), 3u);  // two registers and the summary

    std::vector<std::string> dois = args(doisServidores, "leitor.ini");
    dois.insert(dois.end(), {"--ini", (ini.Caminho() / "compartilhado.ini").string()});
    r = lote::Executar(dois);
    ASSERT_EQ(r.Codigo, 0) << r.Erro;
    for (const char* nome : {"P7_2_20231231.txt", "P7_3_20231231.txt"})
      EXPECT_EQ(suporte::LerArquivo(doisServidores.Caminho() / nome), suporte::LerArquivo(comAdmin.Caminho() / nome))
          << nome;
    banco.Executar("SET GLOBAL read_only = OFF");  // so the database can be dropped by its owner
  }
}

}  // namespace
