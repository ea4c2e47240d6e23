// Each file of the command holds exactly the bytes the window's generation run writes to
// relatorio.txt for the same branch, date and options.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "app/GeracaoP7.h"
#include "settings/UDatabase.h"
#include "tests/lote/ComandoLote.h"
#include "tests/support/SuporteTestes.h"

namespace fs = std::filesystem;

namespace {

// The demo chain (three branches, groups, specifications, deleted and late products, a rounding
// product, cost history) in a database of the test's own.
class LoteIgualAJanela : public ::testing::Test {
 protected:
  void SetUp() override {
    banco_.Executar(suporte::LerArquivo(Demo()));
    lote::EscreverIni(pasta_.Caminho() / "lote.ini", banco_.Nome(), 1);
  }
  static fs::path Demo() {
    static suporte::TPastaTemporaria pasta;
    fs::path sql = pasta.Caminho() / "demo.sql";
    if (!fs::exists(sql)) {
      std::string comando = "python3 '" + suporte::CaminhoFonte("db/demo/gerar_demo.py") +
                            "' --produtos 120 --saida '" + sql.string() + "'";
      EXPECT_EQ(std::system(comando.c_str()), 0);
    }
    return sql;
  }

  // relatorio.txt of the window's run for a branch.
  std::string DaJanela(int filial, const TEscolhasGeracao& escolhas) {
    pasta_.EscreverIniBanco(banco_.Nome(), filial);
    TDatabase sessao;
    GerarRelatorio(sessao, escolhas, nullptr);
    EXPECT_TRUE(caixas_->Mostradas.empty());
    return suporte::LerArquivo(pasta_.Caminho() / "relatorio" / "relatorio.txt");
  }

  void Comparar(TEscolhasGeracao escolhas, std::vector<std::string> opcoes) {
    suporte::TPastaTemporaria saida;
    opcoes.insert(opcoes.end(), {"--data", "30/06/2025", "--filial", "2,3", "--saida", saida.Caminho().string(),
                                 "--ini", (pasta_.Caminho() / "lote.ini").string()});
    lote::TResultado r = lote::Executar(opcoes);
    ASSERT_EQ(r.Codigo, 0) << r.Erro;
    EXPECT_EQ(r.Saida, "");
    EXPECT_EQ(lote::Arquivos(saida.Caminho()),
              (std::vector<std::string>{"P7_2_20250630.txt", "P7_3_20250630.txt", "RESUMO_20250630.csv"}));
    escolhas.Data = {2025, 6, 30};
    for (int filial : {2, 3}) {
      std::string janela = DaJanela(filial, escolhas);
      // Several products, so that every option has rows to act on.
      ASSERT_GT(std::count(janela.begin(), janela.end(), '\n'), 24) << "poucas linhas";
      std::string nome = "P7_" + std::to_string(filial) + "_20250630.txt";
      EXPECT_TRUE(suporte::LerArquivo(saida.Caminho() / nome) == janela) << nome << " difere da janela";
      EXPECT_NE(r.Erro.find("Filial " + std::to_string(filial) + ": "), std::string::npos) << r.Erro;
    }
    EXPECT_NE(r.Erro.find("Resumo: 2 gravada(s), 0 sem registros, 0 com falha"), std::string::npos) << r.Erro;
  }

  suporte::TRegionalBrasil regional_;
  suporte::TCaixasInstaladas caixas_;
  suporte::TBancoTeste banco_;
  suporte::TPastaProgramaTeste pasta_;
};

// The filter lists as the dialog hands them over (a blank after the last id) on the window's side.
TEST_F(LoteIgualAJanela, FiltroDeGruposEEspecificacoes) {
  const std::string grupos = banco_.Valor(
      "SELECT GROUP_CONCAT(grupo_id ORDER BY grupo_id) FROM (SELECT grupo_id FROM produto WHERE grupo_id IS NOT "
      "NULL GROUP BY grupo_id ORDER BY COUNT(*) DESC, grupo_id LIMIT 8) g");
  const std::string especificacoes = banco_.Valor(
      "SELECT GROUP_CONCAT(espec_id ORDER BY espec_id) FROM (SELECT espec_id FROM produto WHERE espec_id IS NOT "
      "NULL GROUP BY espec_id ORDER BY COUNT(*) DESC, espec_id LIMIT 4) e");
  ASSERT_NE(grupos.find(','), std::string::npos);
  TEscolhasGeracao e;
  e.FiltroGrupos = grupos + " ";
  e.FiltroEspecificacoes = especificacoes + " ";
  Comparar(e, {"--grupos", grupos, "--especificacoes", especificacoes});
}

// Every choice away from its default at once, with rows that each choice changes: a product
// registered after the date with stock, and a sale of each branch's rounding product after it.
TEST_F(LoteIgualAJanela, OpcoesForaDoPadrao) {
  banco_.Executar(
      "INSERT INTO produto (produto_id, descricao, ncm, unidade, preco_cmp_un, tipo, apagado, dtcadastro) VALUES "
      "(99001, 'CADASTRADO DEPOIS', '1', 'UN', 2, 'P', 'N', '2025-12-01 10:00:00');"
      "INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc) VALUES (99001, 2, 5, 3), (99001, 3, 5, 3);"
      "UPDATE filial SET produto_arredond = (SELECT MIN(produto_id) FROM estoque_minimo WHERE filial_id = 3 AND "
      "estoque > 0) WHERE filial_id IN (2, 3);"
      "INSERT INTO movment (filial_id, dafilial_id, produto_id, data_hora, oper, e_s, quanti_uni) "
      "SELECT filial_id, filial_id, produto_arredond, '2025-08-01 10:00:00', 1, 'S', 7 FROM filial WHERE filial_id IN (2, 3)");
  TEscolhasGeracao e;
  e.CustoMedio = false;
  e.ConsiderarArredondamento = false;
  e.ConsiderarProdutoApagado = true;
  e.ConsiderarCadastradosAntesData = true;
  Comparar(e, {"--preco", "compra", "--sem-arredondamento", "--apagados", "--cadastrados-antes"});
}

// Five branches (the demo's three and copies of two of them, with their transfers) over three
// sessions: every file holds the bytes of the run with one session, whichever session took it,
// and the closing summary lists the branches in id order.
TEST_F(LoteIgualAJanela, ParaleloComOsMesmosBytes) {
  banco_.Executar(
      "INSERT INTO filial (filial_id, psi_nomest, cgc, inscr, produto_arredond) SELECT filial_id + 2, psi_nomest, "
      "cgc, inscr, produto_arredond FROM filial WHERE filial_id IN (2, 3);"
      "INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc, precoee, dtcadastro) SELECT produto_id, "
      "filial_id + 2, estoque, pmc, precoee, dtcadastro FROM estoque_minimo WHERE filial_id IN (2, 3);"
      "INSERT INTO preco_medio_custo_historico (filial_id, produto_id, datahora, novo_pmc, valor_entrada) SELECT "
      "filial_id + 2, produto_id, datahora, novo_pmc, valor_entrada FROM preco_medio_custo_historico WHERE "
      "filial_id IN (2, 3);"
      "INSERT INTO movment (filial_id, dafilial_id, produto_id, data_hora, oper, e_s, quanti_uni, apagado) SELECT "
      "IF(filial_id = 1, 1, filial_id + 2), IF(filial_id = 1, dafilial_id + 2, dafilial_id), produto_id, data_hora, "
      "oper, e_s, quanti_uni, apagado FROM movment WHERE filial_id IN (2, 3) OR (filial_id = 1 AND dafilial_id IN (2, 3))");
  suporte::TPastaTemporaria umaSessao, tresSessoes;
  auto executar = [&](const suporte::TPastaTemporaria& saida, const char* paralelo) {
    lote::TResultado r = lote::Executar({"--data", "30/06/2025", "--todas", "--paralelo", paralelo, "--saida",
                                         saida.Caminho().string(), "--ini", (pasta_.Caminho() / "lote.ini").string()});
    EXPECT_EQ(r.Codigo, 0) << r.Erro;
    return r;
  };
  executar(umaSessao, "1");
  lote::TResultado r = executar(tresSessoes, "3");
  const std::vector<std::string> arquivos = lote::Arquivos(umaSessao.Caminho());
  ASSERT_EQ(arquivos.size(), 6u);  // five registers and the summary
  EXPECT_EQ(lote::Arquivos(tresSessoes.Caminho()), arquivos);
  for (const std::string& nome : arquivos) {
    if (nome.rfind("P7_", 0) != 0) continue;
    EXPECT_TRUE(suporte::LerArquivo(umaSessao.Caminho() / nome) == suporte::LerArquivo(tresSessoes.Caminho() / nome))
        << nome;
  }
  // The copies hold real books of their own (their rows are the originals' stock).
  const std::string copia = suporte::LerArquivo(umaSessao.Caminho() / "P7_4_20250630.txt");
  EXPECT_GT(std::count(copia.begin(), copia.end(), '\n'), 24) << copia;
  EXPECT_NE(r.Erro.find("Resumo: 5 gravada(s), 0 sem registros, 0 com falha"), std::string::npos) << r.Erro;
}

// A server's LANG is whatever its image came with: under US and German settings every file of the
// command (register, block H, PDF, summary) and its branch lines hold the Brazilian bytes, and the
// register is the window's under the Brazilian settings.
TEST_F(LoteIgualAJanela, LocaleDoServidorNaoMudaOLivro) {
  auto executar = [&](const suporte::TPastaTemporaria& saida, const std::vector<std::string>& ambiente) {
    lote::TResultado r = lote::Executar({"--data", "30/06/2025", "--filial", "2", "--bloco-h", "--pdf", "--saida",
                                         saida.Caminho().string(), "--ini", (pasta_.Caminho() / "lote.ini").string()},
                                        ambiente);
    EXPECT_EQ(r.Codigo, 0) << r.Erro;
    return r;
  };
  // The seconds of the summary differ from run to run; everything else must not.
  auto semSegundos = [](std::string csv) {
    std::istringstream linhas(csv);
    std::string r;
    for (std::string l; std::getline(linhas, l);) {
      std::vector<std::string> campos;
      for (size_t i = 0;;) {
        size_t f = l.find(';', i);
        campos.push_back(l.substr(i, f == std::string::npos ? std::string::npos : f - i));
        if (f == std::string::npos) break;
        i = f + 1;
      }
      if (campos.size() > 5) campos[5].clear();
      for (const std::string& c : campos) r += c + ";";
      r += "\n";
    }
    return r;
  };
  // A PDF's dates say when it was written (the seconds of each run), and its identifier is made
  // with them.
  auto semDatas = [](std::string pdf) {
    for (const std::string marca : {"(D:", "/ID ["})
      for (size_t p = pdf.find(marca); p != std::string::npos; p = pdf.find(marca, p + 1))
        for (size_t i = p + marca.size(); i < pdf.size() && pdf[i] != ')' && pdf[i] != ']'; ++i)
          if (pdf[i] != '<' && pdf[i] != '>' && pdf[i] != ' ') pdf[i] = '0';
    return pdf;
  };
  suporte::TPastaTemporaria brasil;
  const lote::TResultado rb = executar(brasil, {});
  const std::vector<std::string> arquivos = lote::Arquivos(brasil.Caminho());
  ASSERT_EQ(arquivos.size(), 4u);  // register, block H, PDF, summary
  const size_t total = rb.Erro.find("total ");
  ASSERT_NE(total, std::string::npos) << rb.Erro;
  const std::string textoTotal = rb.Erro.substr(total, rb.Erro.find(',', rb.Erro.find(',', total) + 1) - total);
  ASSERT_NE(textoTotal.find(','), std::string::npos) << textoTotal;  // a decimal comma

  TEscolhasGeracao escolhas;
  escolhas.Data = {2025, 6, 30};
  const std::string janela = DaJanela(2, escolhas);
  for (const char* lang : {"LANG=en_US.UTF-8", "LANG=de_DE.UTF-8"}) {
    suporte::TPastaTemporaria saida;
    const lote::TResultado r = executar(saida, {"LC_ALL", lang});
    ASSERT_EQ(lote::Arquivos(saida.Caminho()), arquivos) << lang;
    for (const std::string& nome : arquivos) {
      const std::string obtido = suporte::LerArquivo(saida.Caminho() / nome);
      const std::string esperado = suporte::LerArquivo(brasil.Caminho() / nome);
      if (nome.rfind("RESUMO_", 0) == 0)
        EXPECT_EQ(semSegundos(obtido), semSegundos(esperado)) << lang;
      else if (nome.ends_with(".pdf"))
        EXPECT_TRUE(semDatas(obtido) == semDatas(esperado)) << nome << " difere com " << lang;
      else
        EXPECT_TRUE(obtido == esperado) << nome << " difere com " << lang;
    }
    EXPECT_TRUE(suporte::LerArquivo(saida.Caminho() / "P7_2_20250630.txt") == janela) << lang;
    EXPECT_NE(r.Erro.find(textoTotal), std::string::npos) << lang << ": " << r.Erro;
  }
}

}  // namespace
