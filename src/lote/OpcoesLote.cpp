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
      "                        [--bloco-h [--motivo 01] [--conta-contabil CODIGO] [--efd PASTA]]\n"
      "                        [--conferir PASTA] [--ajuda]\n"
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
      "  --conferir PASTA        confere com o livro o inventário transmitido: o H005 da data do estoque e\n"
      "                          seus H010 no arquivo EFD ICMS/IPI da PASTA cujo 0000 tem o CNPJ da filial,\n"
      "                          item a item (COD_ITEM = código do produto) e nos totais; grava\n"
      "                          CONFERENCIA_<filial>_<AAAAMMDD>.csv, uma linha por diferença\n"
      "  --pdf                   grava também P7_<filial>_<AAAAMMDD>.pdf: as folhas do livro como o\n"
      "                          visualizador as imprime (paisagem, uma folha por página), sem tela\n"
      "  --termos ARQUIVO        abre e fecha o PDF com os termos de abertura e de encerramento, com os\n"
      "                          dados do ARQUIVO (exemplo: termos.ini.exemplo ao lado do programa)\n"
      "  --ajuda                 mostra este texto\n"
      "\n"
      "Saída: 0 tudo gravado ou sem registros; 1 alguma filial falhou (ou, com --conferir, difere do\n"
      "bloco H); 2 erro de uso; 128+N interrompido pelo sinal N (130 Ctrl+C, 143 SIGTERM, 129 SIGHUP, ...).\n";
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

namespace {

const std::set<std::string> SemValor = {
    "--todas", "--sem-arredondamento", "--apagados", "--cadastrados-antes", "--ajuda", "--bloco-h", "--pdf"};
const std::set<std::string> ComValor = {"--data",  "--filial", "--preco",   "--grupos",         "--especificacoes",
                                        "--saida", "--ini",    "--motivo",  "--conta-contabil", "--paralelo",
                                        "--efd",   "--termos", "--conferir"};
// The one option that may come again: one server each time.
const std::set<std::string> Repetiveis = {"--ini"};

struct TArgumento {
  std::string Nome, Valor;
};

// The options in order, each with its value ("--x v" or "--x=v"); EErroUso for an unknown one, a
// missing or unexpected value, or one given twice.
std::vector<TArgumento> SepararArgumentos(const std::vector<std::string>& argumentos) {
  std::vector<TArgumento> r;
  std::set<std::string> vistas;
  for (size_t i = 0; i < argumentos.size(); ++i) {
    TArgumento a{argumentos[i], ""};
    bool valorJunto = false;
    if (auto igual = a.Nome.find('='); a.Nome.rfind("--", 0) == 0 && igual != std::string::npos) {
      a.Valor = a.Nome.substr(igual + 1);
      a.Nome = a.Nome.substr(0, igual);
      valorJunto = true;
    }
    if (!SemValor.count(a.Nome) && !ComValor.count(a.Nome))
      throw EErroUso("opção desconhecida \"" + argumentos[i] + "\"");
    if (SemValor.count(a.Nome) && valorJunto) throw EErroUso(a.Nome + " não leva valor");
    if (!vistas.insert(a.Nome).second && !Repetiveis.count(a.Nome)) throw EErroUso(a.Nome + " repetida");
    if (ComValor.count(a.Nome) && !valorJunto) {
      // "--data --todas" lacks the date rather than naming a date "--todas".
      if (i + 1 >= argumentos.size() || argumentos[i + 1].rfind("--", 0) == 0)
        throw EErroUso("falta o valor de " + a.Nome);
      a.Valor = argumentos[++i];
    }
    r.push_back(std::move(a));
  }
  return r;
}

// The register's choices, as the window has them; false for another option.
bool AplicarEscolha(TEscolhasGeracao& e, const TArgumento& a) {
  if (a.Nome == "--sem-arredondamento") {
    e.ConsiderarArredondamento = false;
  } else if (a.Nome == "--apagados") {
    e.ConsiderarProdutoApagado = true;
  } else if (a.Nome == "--cadastrados-antes") {
    e.ConsiderarCadastradosAntesData = true;
  } else if (a.Nome == "--data") {
    e.Data = LerDataLote(a.Valor);
  } else if (a.Nome == "--preco") {
    if (a.Valor != "medio" && a.Valor != "compra")
      throw EErroUso("--preco aceita medio ou compra, não \"" + a.Valor + "\"");
    e.CustoMedio = a.Valor == "medio";
  } else if (a.Nome == "--grupos") {
    e.FiltroGrupos = TextoListaIds(LerListaIds(a.Valor, "--grupos"));
  } else if (a.Nome == "--especificacoes") {
    e.FiltroEspecificacoes = TextoListaIds(LerListaIds(a.Valor, "--especificacoes"));
  } else {
    return false;
  }
  return true;
}

// Which branches, on which servers and sessions, into which folder; false for another option.
bool AplicarExecucao(TOpcoesLote& o, const TArgumento& a) {
  if (a.Nome == "--todas") {
    o.Todas = true;
  } else if (a.Nome == "--filial") {
    o.Filiais = LerListaIds(a.Valor, "--filial");
    if (std::set<int32_t>(o.Filiais.begin(), o.Filiais.end()).size() != o.Filiais.size())
      throw EErroUso("filial repetida em --filial");
  } else if (a.Nome == "--saida") {
    if (a.Valor.empty()) throw EErroUso("--saida vazia");
    o.Saida = a.Valor;
  } else if (a.Nome == "--ini") {
    if (a.Valor.empty()) throw EErroUso("--ini vazio");
    if (std::find(o.Inis.begin(), o.Inis.end(), a.Valor) != o.Inis.end())
      throw EErroUso("--ini \"" + a.Valor + "\" repetido");
    o.Inis.push_back(a.Valor);
  } else if (a.Nome == "--paralelo") {
    const std::optional<int64_t> n = plataforma::LerInteiro(a.Valor);
    if (!SoDigitos(a.Valor) || !n || *n < 1 || *n > MaximoParalelo)
      throw EErroUso("--paralelo aceita de 1 a " + std::to_string(MaximoParalelo) + ", não \"" + a.Valor + "\"");
    o.Paralelo = static_cast<int>(*n);
  } else {
    return false;
  }
  return true;
}

// The files beside each register: block H, the merged EFD file, the PDF and its terms.
void AplicarArquivosExtras(TOpcoesLote& o, const TArgumento& a) {
  if (a.Nome == "--bloco-h") {
    o.BlocoH = true;
  } else if (a.Nome == "--efd") {
    if (a.Valor.empty()) throw EErroUso("--efd vazia");
    o.Efd = a.Valor;
    o.BlocoH = true;
  } else if (a.Nome == "--conferir") {
    if (a.Valor.empty()) throw EErroUso("--conferir vazia");
    o.Conferir = a.Valor;
  } else if (a.Nome == "--motivo") {
    if (std::string erro = efd::ValidarMotivo(a.Valor); !erro.empty()) throw EErroUso(plataforma::W1252ParaUtf8(erro));
    o.Motivo = a.Valor;
  } else if (a.Nome == "--conta-contabil") {
    // The command line is UTF-8; the file's texts are Windows-1252 until they are written.
    o.ContaContabil = plataforma::Utf8ParaW1252(a.Valor);
    if (std::string erro = efd::ValidarContaContabil(o.ContaContabil); !erro.empty())
      throw EErroUso(plataforma::W1252ParaUtf8(erro));
  } else if (a.Nome == "--pdf") {
    o.Pdf = true;
  } else if (a.Nome == "--termos") {
    if (a.Valor.empty()) throw EErroUso("--termos vazio");
    o.Termos = a.Valor;
  }
}

bool Visto(const std::vector<TArgumento>& argumentos, const char* nome) {
  return std::any_of(argumentos.begin(), argumentos.end(), [&](const TArgumento& a) { return a.Nome == nome; });
}

// Options that only go with others.
void ConferirCombinacoes(const TOpcoesLote& o, const std::vector<TArgumento>& argumentos) {
  if (!o.BlocoH && Visto(argumentos, "--motivo")) throw EErroUso("--motivo só pode ser usada com --bloco-h");
  if (!o.BlocoH && Visto(argumentos, "--conta-contabil"))
    throw EErroUso("--conta-contabil só pode ser usada com --bloco-h");
  if (!o.Pdf && Visto(argumentos, "--termos")) throw EErroUso("--termos só pode ser usada com --pdf");
  if (o.Todas && !o.Filiais.empty()) throw EErroUso("--filial e --todas não podem ser usadas juntas");
  if (!Visto(argumentos, "--data")) throw EErroUso("falta --data DD/MM/AAAA");
}

}  // namespace

TOpcoesLote LerOpcoesLote(const std::vector<std::string>& argumentos) {
  TOpcoesLote o;
  const std::vector<TArgumento> lidos = SepararArgumentos(argumentos);
  for (const TArgumento& a : lidos) {
    if (a.Nome == "--ajuda")
      o.Ajuda = true;
    else if (!AplicarEscolha(o.Escolhas, a) && !AplicarExecucao(o, a))
      AplicarArquivosExtras(o, a);
  }
  if (!o.Ajuda) ConferirCombinacoes(o, lidos);
  return o;
}
