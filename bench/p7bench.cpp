// The tool's path of one register without a window: ConsultarInventario, reading every row,
// composing, EmitirRelatorio to a file; then a raw write of the same bytes for comparison.
//   p7bench <database> <branch> <yyyy-mm-dd> <program folder>     (prints key=value lines)
//   p7bench --script <database> <branch> <yyyy-mm-dd> <program folder>   (prints the SQL the
//     server receives: rounding lookup, script, final query)
//   p7bench --script-lote ...       the same as the year-end command sends it
//   p7bench --movimentos ...        only the window's movement statements (8 and 9), and
//   p7bench --movimentos-lote ...   only the year-end command's (with its session's setting)
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "livro/ComposicaoP7.h"
#include "dbclient/DbClient.h"
#include "inventory/UInventarioP7Dao.h"
#include "platform/Programa.h"
#include "report/urelatorio.h"
#include "settings/UConfigSistemaKOT.h"
#include "settings/UDatabase.h"

namespace {

double Segundos(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

std::string Ambiente(const char* nome, const char* padrao) {
  const char* v = std::getenv(nome);
  return v && *v ? v : padrao;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string modo = argc > 1 && std::string(argv[1]).rfind("--", 0) == 0 ? argv[1] : "";
  const bool soScript = !modo.empty();
  const TLeituraMovimentos leitura =
      modo.find("lote") != std::string::npos ? TLeituraMovimentos::PorFilial : TLeituraMovimentos::Janela;
  int base = soScript ? 2 : 1;
  if (argc - base != 4 || (soScript && modo != "--script" && modo != "--script-lote" && modo != "--movimentos" &&
                           modo != "--movimentos-lote")) {
    std::fprintf(stderr,
                 "usage: p7bench [--script|--script-lote|--movimentos|--movimentos-lote] <database> <branch> "
                 "<yyyy-mm-dd> <program folder>\n");
    return 2;
  }
  std::string banco = argv[base], pasta = argv[base + 3];
  int filial = std::atoi(argv[base + 1]);
  TParamsRelatorio params;
  params.FilialId = filial;
  if (std::sscanf(argv[base + 2], "%d-%d-%d", &params.DataEstoque.Ano, &params.DataEstoque.Mes,
                  &params.DataEstoque.Dia) != 3) {
    std::fprintf(stderr, "bad date %s\n", argv[base + 2]);
    return 2;
  }
  try {
    std::filesystem::create_directories(std::filesystem::path(pasta) / "relatorio");
    plataforma::DefinirPastaPrograma(pasta);
    {
      std::ofstream ini(TConfigSistemaKOT::ConfigFileName(), std::ios::binary);
      ini << "[FilialMatriz]\r\nCodLogica=" << filial
          << "\r\n[IP]\r\nlocal=127.0.0.1:" << Ambiente("P7_DB_PORT", "33061") << "\r\ndatabase=" << banco
          << "\r\nusuario=" << Ambiente("P7_DB_USER", "p7")
          << "\r\nsenha=" << ScrambleText("E", Ambiente("P7_DB_PASSWORD", "p7senha"), "QEW") << "\r\n";
    }
    TDatabase sessao;

    if (soScript) {
      const std::string script =
          TInventarioP7Dao::MontarScript(params, TInventarioP7Dao::ObterProdutoArredondamento(sessao, filial), leitura);
      if (modo.rfind("--movimentos", 0) == 0) {
        // The statements of tmp_mov, and the command's setting and restoring of the session.
        for (const std::string& c : dbclient::TExecutorScript::Dividir(script))
          if (c.find("TABLE tmp_mov") != std::string::npos || c.find("EXISTS tmp_mov") != std::string::npos ||
              c.find("tx_isolation") != std::string::npos)
            std::cout << c << ";\n";
        return 0;
      }
      std::cout << TInventarioP7Dao::SqlProdutoArredondamento(filial) << ";\n"
                << script << "\n"
                << TInventarioP7Dao::SqlConsultaInventario() << ";\n";
      return 0;
    }

    auto t0 = std::chrono::steady_clock::now();
    TFilial dadosFilial;
    TInventarioP7Dao::ObterDadosFilial(sessao, filial, dadosFilial);
    auto linhas = TInventarioP7Dao::ConsultarInventario(sessao, params);
    auto t1 = std::chrono::steady_clock::now();
    size_t produtos = linhas->NumeroRegistros();
    TImpressao impressao(params, PrimeiraFolhaP7);
    {
      TFonteConsultaP7 fonte(*linhas);
      ComporRegistroP7(params, dadosFilial, fonte, impressao);
    }
    auto t2 = std::chrono::steady_clock::now();
    impressao.EmitirRelatorio(TConfigSistemaKOT::GetPermissao());
    auto t3 = std::chrono::steady_clock::now();
    linhas.reset();
    TInventarioP7Dao::ApagarTabelasTemporarias(sessao);

    // The same bytes written once in place of the report, as the simplest program would replace
    // it: one write over the truncated file and the same sync as the writer. Replacing a report
    // frees the earlier one's blocks, so both sides pay for that.
    std::string caminho = TImpressao::CaminhoRelatorio(plataforma::PastaPrograma());
    std::ifstream f(caminho, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    f.close();
    std::string bytes = ss.str();
    auto r0 = std::chrono::steady_clock::now();
    int fd = ::open(caminho.c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) || ::fsync(fd) != 0)
      throw std::runtime_error("raw write failed");
    ::close(fd);
    auto r1 = std::chrono::steady_clock::now();

    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    std::printf(
        "products=%zu\nquery_s=%.4f\ncompose_s=%.4f\nemit_s=%.4f\ntool_s=%.4f\nraw_write_s=%.4f\n"
        "report_bytes=%zu\npeak_rss_bytes=%ld\n",
        produtos, Segundos(t0, t1), Segundos(t1, t2), Segundos(t2, t3), Segundos(t0, t3), Segundos(r0, r1),
        bytes.size(), uso.ru_maxrss * 1024L);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "p7bench: %s\n", e.what());
    return 1;
  }
}
