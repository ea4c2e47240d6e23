#include "lote/OpcoesLote.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <set>
#include <tuple>

#include "efd/BlocoH.h"
#include "platform/Texto.h"
#include "platform/Win1252.h"

namespace {

// The earliest stock date the command takes.
constexpr int AnoMinimoLote = 1900;

bool Bissexto(int a) { return (a % 4 == 0 && a % 100 != 0) || a % 400 == 0; }

bool SoDigitos(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

const std::string& TextoUsoLote() {
  static const std::string t =
      "Uso: inventario-p7-lote --data DD/MM/AAAA [--filial N[,N...] | --todas]\n"
      "                        [--preco medio|compra] [--sem-arredondamento] [--apagados] [--cadastrados-antes]\n"
      "                        [--grupos IDS] [--especificacoes IDS] [--saida PASTA] [--ini ARQUIVO...]\n"
      "                        [--paralelo N] [--pdf [--termos ARQUIVO]]\n"
      "                        [--bloco-h [--motivo 01] [--conta-contabil CODIGO] [--efd PASTA]] [--ajuda]\n"
      "\n"
      "Gera o Livro Registro de Inventário (Modelo P7) de uma, várias ou todas as filiais, um arquivo\n"
      "P7_<filial>_<AAAAMMDD>.txt por filial, com os mesmos bytes que a janela grava em relatorio.txt.\n"
      "\n"
      "  --data DD/MM/AAAA       data do estoque (obrigatória)\n"
      "  --filial N[,N...]       filiais (padrão: CodLogica do sistema_kot.ini)\n"
      "  --todas                 todas as filiais da tabela filial, em ordem de código\n"
      "  --preco medio|compra    custo médio (padrão) ou preço de compra\n"
      "  --sem-arredondamento    desconsidera o produto de arredondamento da filial\n"
      "  --apagados              inclui os produtos apagados\n"
      "  --cadastrados-antes     só produtos cadastrados antes da data\n"
      "  --grupos IDS            códigos de grupo separados por vírgula (ex.: 3,7,12)\n"
      "  --especificacoes IDS    códigos de especificação separados por vírgula\n"
      "  --saida PASTA           pasta existente dos arquivos (padrão: relatorio ao lado do programa)\n"
      "  --ini ARQUIVO           outro arquivo de configuração (padrão: sistema_kot.ini ao lado do programa);\n"
      "                          repetida, distribui as filiais entre os servidores (réplicas somente leitura)\n"
      "  --paralelo N            sessões por servidor, de 1 a 32 (padrão: 1), cada uma com a próxima filial\n"
      "  --bloco-h               grava também BLOCOH_<filial>_<AAAAMMDD>.txt: o inventário no bloco H da\n"
      "                          EFD ICMS/IPI (0190, 0200, H001, H005, H010, H990), das mesmas linhas do\n"
      "                          livro; uma filial sem registros recebe o inventário zerado. Não é um\n"
      "                          arquivo EFD completo e o validador (PVA) não o importa sozinho: serve\n"
      "                          para importar o inventário num sistema fiscal. O arquivo a transmitir\n"
      "                          é o de --efd\n"
      "  --motivo 01             motivo do inventário no H005: só 01 (final do período); 02 a 06 exigem\n"
      "                          H020/H030 com dados de ICMS que o banco de dados não tem\n"
      "  --conta-contabil CODIGO conta contábil (COD_CTA) de cada H010 (padrão: vazia; obrigatória nos\n"
      "                          perfis A e B)\n"
      "  --efd PASTA             grava também EFD_<filial>_<AAAAMMDD>.txt: o arquivo EFD ICMS/IPI completo\n"
      "                          da filial (o da PASTA cujo 0000 tem o CNPJ dela) com o inventário posto:\n"
      "                          0190/0200 que faltam, bloco H e contadores refeitos; o original não muda.\n"
      "                          Este é o arquivo a validar e transmitir. Implica --bloco-h\n"
      "  --pdf                   grava também P7_<filial>_<AAAAMMDD>.pdf: as folhas do livro como o\n"
      "                          visualizador as imprime (paisagem, uma folha por página), sem tela\n"
      "  --termos ARQUIVO        abre e fecha o PDF com os termos de abertura e de encerramento, com os\n"
      "                          dados do ARQUIVO (exemplo: termos.ini.exemplo ao lado do programa)\n"
      "  --ajuda                 mostra este texto\n"
      "\n"
      "Saída: 0 tudo gravado ou sem registros; 1 alguma filial falhou; 2 erro de uso;\n"
      "130/143 interrompido por Ctrl+C / SIGTERM.\n";
  return t;
}

plataforma::TDataHora LerDataLote(const std::string& texto) {
  const std::string erro = "data inválida \"" + texto + "\" (use DD/MM/AAAA)";
  if (texto.size() != 10 || texto[2] != '/' || texto[5] != '/') throw EErroUso(erro);
  const std::string d = texto.substr(0, 2), m = texto.substr(3, 2), a = texto.substr(6, 4);
  if (!SoDigitos(d) || !SoDigitos(m) || !SoDigitos(a)) throw EErroUso(erro);
  plataforma::TDataHora data;
  data.Dia = static_cast<int>(*plataforma::LerInteiro(d));
  data.Mes = static_cast<int>(*plataforma::LerInteiro(m));
  data.Ano = static_cast<int>(*plataforma::LerInteiro(a));
  static const int dias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (data.Ano < 1 || data.Mes < 1 || data.Mes > 12 || data.Dia < 1) throw EErroUso(erro);
  int ultimo = dias[data.Mes - 1] + (data.Mes == 2 && Bissexto(data.Ano) ? 1 : 0);
  if (data.Dia > ultimo) throw EErroUso(erro);
  // A stock not yet known, or one from before the suite's records could exist, is a typo.
  if (data.Ano < AnoMinimoLote) throw EErroUso("data \"" + texto + "\" anterior a " + std::to_string(AnoMinimoLote));
  const plataforma::TDataHora hoje = plataforma::Agora();
  if (std::tie(data.Ano, data.Mes, data.Dia) > std::tie(hoje.Ano, hoje.Mes, hoje.Dia))
    throw EErroUso("data \"" + texto + "\" posterior a hoje: o estoque desse dia ainda não existe");
  return data;
}

std::vector<int32_t> LerListaIds(const std::string& texto, const std::string& nome) {
  // The blanks around the whole list go, as the window trims the dialog's list.
  const std::string lista = AparaListaIds(texto);
  const std::string erro = "lista inválida em " + nome + " \"" + texto + "\" (números inteiros separados por vírgula)";
  std::vector<int32_t> ids;
  size_t i = 0;
  while (true) {
    size_t fim = lista.find(',', i);
    std::string peca = lista.substr(i, fim == std::string::npos ? std::string::npos : fim - i);
    // Ids carry no sign: digits only, within 32 bits.
    const std::optional<int64_t> v = plataforma::LerInteiro(peca);
    if (!SoDigitos(peca) || !v || *v > INT32_MAX) throw EErroUso(erro);
    ids.push_back(static_cast<int32_t>(*v));
    if (fim == std::string::npos) break;
    i = fim + 1;
  }
  return ids;
}

std::string TextoListaIds(const std::vector<int32_t>& ids) {
  std::string r;
  for (int32_t id : ids) {
    if (!r.empty()) r += ',';
    r += std::to_string(id);
  }
  return r;
}

TOpcoesLote LerOpcoesLote(const std::vector<std::string>& argumentos) {
  TOpcoesLote o;
  bool temData = false;
  std::set<std::string> vistas;
  for (size_t i = 0; i < argumentos.size(); ++i) {
    std::string nome = argumentos[i], valor;
    bool valorJunto = false;
    if (auto igual = nome.find('='); nome.rfind("--", 0) == 0 && igual != std::string::npos) {
      valor = nome.substr(igual + 1);
      nome = nome.substr(0, igual);
      valorJunto = true;
    }
    auto lerValor = [&]() -> std::string {
      if (valorJunto) return valor;
      // "--data --todas" lacks the date rather than naming a date "--todas".
      if (i + 1 >= argumentos.size() || argumentos[i + 1].rfind("--", 0) == 0)
        throw EErroUso("falta o valor de " + nome);
      return argumentos[++i];
    };
    static const std::set<std::string> semValor = {"--todas", "--sem-arredondamento", "--apagados",
                                                   "--cadastrados-antes", "--ajuda", "--bloco-h", "--pdf"};
    static const std::set<std::string> comValor = {"--data",   "--filial", "--preco", "--grupos",
                                                   "--especificacoes", "--saida", "--ini",
                                                   "--motivo", "--conta-contabil", "--paralelo", "--efd",
                                                   "--termos"};
    // The one option that may come again: one server each time.
    static const std::set<std::string> repetiveis = {"--ini"};
    if (!semValor.count(nome) && !comValor.count(nome)) throw EErroUso("opção desconhecida \"" + argumentos[i] + "\"");
    if (semValor.count(nome) && valorJunto) throw EErroUso(nome + " não leva valor");
    if (!vistas.insert(nome).second && !repetiveis.count(nome)) throw EErroUso(nome + " repetida");

    if (nome == "--ajuda") {
      o.Ajuda = true;
    } else if (nome == "--todas") {
      o.Todas = true;
    } else if (nome == "--sem-arredondamento") {
      o.Escolhas.ConsiderarArredondamento = false;
    } else if (nome == "--apagados") {
      o.Escolhas.ConsiderarProdutoApagado = true;
    } else if (nome == "--cadastrados-antes") {
      o.Escolhas.ConsiderarCadastradosAntesData = true;
    } else if (nome == "--data") {
      o.Escolhas.Data = LerDataLote(lerValor());
      temData = true;
    } else if (nome == "--filial") {
      o.Filiais = LerListaIds(lerValor(), "--filial");
      std::set<int32_t> unicas(o.Filiais.begin(), o.Filiais.end());
      if (unicas.size() != o.Filiais.size()) throw EErroUso("filial repetida em --filial");
    } else if (nome == "--preco") {
      std::string v = lerValor();
      if (v != "medio" && v != "compra") throw EErroUso("--preco aceita medio ou compra, não \"" + v + "\"");
      o.Escolhas.CustoMedio = v == "medio";
    } else if (nome == "--grupos") {
      o.Escolhas.FiltroGrupos = TextoListaIds(LerListaIds(lerValor(), "--grupos"));
    } else if (nome == "--especificacoes") {
      o.Escolhas.FiltroEspecificacoes = TextoListaIds(LerListaIds(lerValor(), "--especificacoes"));
    } else if (nome == "--saida") {
      o.Saida = lerValor();
      if (o.Saida.empty()) throw EErroUso("--saida vazia");
    } else if (nome == "--ini") {
      std::string ini = lerValor();
      if (ini.empty()) throw EErroUso("--ini vazio");
      if (std::find(o.Inis.begin(), o.Inis.end(), ini) != o.Inis.end())
        throw EErroUso("--ini \"" + ini + "\" repetido");
      o.Inis.push_back(ini);
    } else if (nome == "--paralelo") {
      const std::string v = lerValor();
      const std::optional<int64_t> n = plataforma::LerInteiro(v);
      if (!SoDigitos(v) || !n || *n < 1 || *n > MaximoParalelo)
        throw EErroUso("--paralelo aceita de 1 a " + std::to_string(MaximoParalelo) + ", não \"" + v + "\"");
      o.Paralelo = static_cast<int>(*n);
    } else if (nome == "--bloco-h") {
      o.BlocoH = true;
    } else if (nome == "--pdf") {
      o.Pdf = true;
    } else if (nome == "--termos") {
      o.Termos = lerValor();
      if (o.Termos.empty()) throw EErroUso("--termos vazio");
    } else if (nome == "--efd") {
      o.Efd = lerValor();
      if (o.Efd.empty()) throw EErroUso("--efd vazia");
      o.BlocoH = true;
    } else if (nome == "--motivo") {
      o.Motivo = lerValor();
      if (std::string erro = efd::ValidarMotivo(o.Motivo); !erro.empty())
        throw EErroUso(plataforma::W1252ParaUtf8(erro));
    } else if (nome == "--conta-contabil") {
      // The command line is UTF-8; the file's texts are Windows-1252 until they are written.
      o.ContaContabil = plataforma::Utf8ParaW1252(lerValor());
      if (std::string erro = efd::ValidarContaContabil(o.ContaContabil); !erro.empty())
        throw EErroUso(plataforma::W1252ParaUtf8(erro));
    }
  }
  if (o.Ajuda) return o;
  if (!o.BlocoH && vistas.count("--motivo")) throw EErroUso("--motivo só pode ser usada com --bloco-h");
  if (!o.BlocoH && vistas.count("--conta-contabil")) throw EErroUso("--conta-contabil só pode ser usada com --bloco-h");
  if (!o.Pdf && vistas.count("--termos")) throw EErroUso("--termos só pode ser usada com --pdf");
  if (o.Todas && !o.Filiais.empty()) throw EErroUso("--filial e --todas não podem ser usadas juntas");
  if (!temData) throw EErroUso("falta --data DD/MM/AAAA");
  return o;
}
