// The merge of a branch's block H into a large EFD file, without a database:
//   p7efdbench gerar <file> <MB> <products>     writes an original of about MB megabytes (mostly
//     C170 lines) whose block 0 names half of the products the way the inventory does, and
//     others, with an earlier inventory in block H and correct counters;
//   p7efdbench mesclar <original> <output> <products>   builds the block H of that many products and
//     merges the original into the output file (one write per piece, no fsync, as cp writes);
//     prints key=value lines.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "efd/BlocoH.h"
#include "efd/MesclaEfd.h"

namespace {

const char* const Unidades[] = {"UN", "KG", "CX"};

std::string Descricao(long produto) { return "PRODUTO " + std::to_string(produto) + " DESCRICAO DO ITEM"; }

// Writes the records and counts them by type for block 9.
class TGerador {
 public:
  explicit TGerador(const char* caminho) : f_(std::fopen(caminho, "wb")) {
    if (!f_) throw std::runtime_error(std::string("cannot write ") + caminho);
  }
  ~TGerador() { std::fclose(f_); }
  void Registro(const std::string& r) {
    buffer_ += r;
    buffer_ += "\r\n";
    const std::string tipo = r.substr(1, 4);
    if (!contagem_.count(tipo)) ordem_.push_back(tipo);
    ++contagem_[tipo];
    ++linhas_;
    ++bloco_[tipo[0]];
    if (buffer_.size() >= (1 << 20)) Descarregar();
  }
  void Encerrar(char bloco) { Registro(std::string("|") + bloco + "990|" + std::to_string(bloco_[bloco] + 1) + "|"); }
  size_t Bytes() const { return escritos_ + buffer_.size(); }
  void Bloco9() {
    Registro("|9001|0|");
    std::vector<std::string> tipos = ordem_;
    tipos.insert(tipos.end(), {"9900", "9990", "9999"});
    for (const std::string& t : tipos)
      Registro("|9900|" + t + "|" +
               std::to_string(t == "9900"                  ? tipos.size()
                              : t == "9990" || t == "9999" ? 1
                                                           : contagem_[t]) +
               "|");
    Registro("|9990|" + std::to_string(bloco_['9'] + 2) + "|");
    Registro("|9999|" + std::to_string(linhas_ + 1) + "|");
    Descarregar();
  }

 private:
  void Descarregar() {
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), f_) != buffer_.size()) throw std::runtime_error("write failed");
    escritos_ += buffer_.size();
    buffer_.clear();
  }
  std::FILE* f_;
  std::string buffer_;
  std::map<std::string, size_t> contagem_;
  std::map<char, size_t> bloco_;
  std::vector<std::string> ordem_;
  size_t linhas_ = 0, escritos_ = 0;
};

void GerarOriginal(const char* caminho, size_t megabytes, long produtos) {
  TGerador g(caminho);
  g.Registro("|0000|018|0|01122024|31122024|EMPRESA MODELO LTDA|12345678000195||SP|110042490114|3550308|||C|1|");
  g.Registro("|0001|0|");
  g.Registro("|0005|EMPRESA MODELO|01310100|AV PAULISTA|1000||BELA VISTA|1133334444|||");
  g.Registro("|0100|JOSE CONTADOR|12345678909||1SP123456|||||||||contador@exemplo.com|3550308|");
  g.Registro("|0150|F1|FORNECEDOR UM|01058|12345678000276||||3550308||RUA A|10|||");
  for (const char* u : Unidades) g.Registro(std::string("|0190|") + u + "|" + u + "|");
  // Half of the inventory's products, as the suite writes them, and as many of the file's own.
  for (long p = 1; p <= produtos / 2; ++p)
    g.Registro("|0200|" + std::to_string(p) + "|" + Descricao(p) + "|||" + Unidades[p % 3] + "|00|||||||");
  for (long p = produtos + 1; p <= produtos + produtos / 2; ++p)
    g.Registro("|0200|" + std::to_string(p) + "|" + Descricao(p) + "|||" + Unidades[p % 3] + "|00|||||||");
  g.Encerrar('0');

  g.Registro("|C001|0|");
  const size_t alvo = megabytes * 1000000;
  for (long nota = 1; g.Bytes() < alvo; ++nota) {
    g.Registro("|C100|0|1|F1|55|00|001|" + std::to_string(nota) +
               "|35241212345678000276550010000001231000001234|05122024|05122024|1500,00|0|0,00|0,00|1500,00|9|0,00|"
               "0,00|0,00|1500,00|270,00|0,00|0,00|0,00|0,00|0,00|0,00|0,00|");
    for (int item = 1; item <= 10; ++item) {
      const long p = 1 + (nota * 10 + item) % (produtos + produtos / 2);
      g.Registro("|C170|" + std::to_string(item) + "|" + std::to_string(p) + "|" + Descricao(p) + "|10,00000|" +
                 Unidades[p % 3] +
                 "|150,00|0,00|0|000|1102|001|150,00|18,00|27,00|0,00|0,00|0,00|0|||0,00|0,00|0,00|50|0,00|0,00|"
                 "0,00|0,00|0,00|50|0,00|0,00|0,00|0,00|0,00||0,00|");
    }
    g.Registro("|C190|000|1102|18,00|1500,00|1500,00|270,00|0,00|0,00|0,00|0,00||");
  }
  g.Encerrar('C');
  g.Registro("|D001|1|");
  g.Encerrar('D');
  g.Registro("|E001|0|");
  g.Registro("|E100|01122024|31122024|");
  g.Encerrar('E');
  g.Registro("|G001|1|");
  g.Encerrar('G');
  // An earlier inventory, which the merge keeps before the new one.
  g.Registro("|H001|0|");
  g.Registro("|H005|31122023|1000,00|01|");
  for (long p = 1; p <= 1000; ++p)
    g.Registro("|H010|" + std::to_string(p) + "|" + Unidades[p % 3] + "|1,000|1,000000|1,00|0|||||");
  g.Encerrar('H');
  g.Registro("|K001|1|");
  g.Encerrar('K');
  g.Registro("|1001|0|");
  g.Registro("|1010|N|N|N|N|N|N|N|N|N|N|N|N|N|");
  g.Encerrar('1');
  g.Bloco9();
}

double Segundos(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

int Mesclar(const char* original, const char* saida, long produtos) {
  auto t0 = std::chrono::steady_clock::now();
  efd::TBlocoH bloco;
  std::string codigo, descricao;
  for (long p = 1; p <= produtos; ++p) {
    codigo = std::to_string(p);
    descricao = Descricao(p);
    bloco.Acrescentar(
        {codigo, descricao, "", Unidades[p % 3], "21069090", {(p % 50 + 1) * 10000}, {12345}, (p % 50 + 1) * 123});
  }
  efd::TPartesBlocoH partes = bloco.Montar({2024, 12, 31});
  auto t1 = std::chrono::steady_clock::now();

  int fd = ::open(saida, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) throw std::runtime_error(std::string("cannot write ") + saida);
  size_t bytes = 0, pedacos = 0;
  std::vector<std::string> avisos = efd::MesclarEfd(original, partes, [&](std::string_view p) {
    if (::write(fd, p.data(), p.size()) != static_cast<ssize_t>(p.size())) throw std::runtime_error("write failed");
    bytes += p.size();
    ++pedacos;
  });
  if (::close(fd) != 0) throw std::runtime_error("close failed");
  auto t2 = std::chrono::steady_clock::now();

  rusage uso{};
  getrusage(RUSAGE_SELF, &uso);
  std::printf("block_s=%.4f\nmerge_s=%.4f\noutput_bytes=%zu\npieces=%zu\nwarnings=%zu\npeak_rss_bytes=%ld\n",
              Segundos(t0, t1), Segundos(t1, t2), bytes, pedacos, avisos.size(), uso.ru_maxrss * 1024L);
  for (const std::string& a : avisos) std::fprintf(stderr, "%s\n", a.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string modo = argc > 1 ? argv[1] : "";
    if (modo == "gerar" && argc == 5) {
      GerarOriginal(argv[2], std::strtoul(argv[3], nullptr, 10), std::strtol(argv[4], nullptr, 10));
      return 0;
    }
    if (modo == "mesclar" && argc == 5) return Mesclar(argv[2], argv[3], std::strtol(argv[4], nullptr, 10));
    std::fprintf(stderr, "usage: p7efdbench gerar <file> <MB> <products> | mesclar <original> <output> <products>\n");
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "p7efdbench: %s\n", e.what());
    return 1;
  }
}
