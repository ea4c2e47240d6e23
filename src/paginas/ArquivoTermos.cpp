#include "paginas/ArquivoTermos.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/Texto.h"
#include "platform/Win1252.h"

namespace paginas {
namespace {

constexpr const char* kNomes[kNumeroChavesTermos] = {
    "Livro", "Endereco", "Municipio", "UF", "CEP", "NIRE", "DataRegistro", "Responsavel", "Cargo", "Contador", "CRC"};
// Far more than any terms file; a bigger file was named by mistake.
constexpr std::uintmax_t kTamanhoMaximo = 1 << 20;
// A value fills at most two lines of its term page (three under a signature), so that the page
// never grows past the register's sheet.
constexpr std::size_t kValorMaximo = 150;

std::string Aspas(const std::string& nome) { return "\"" + nome + "\""; }

[[noreturn]] void FalharNaLinha(const std::string& nome, std::size_t linha, const std::string& motivo) {
  throw ETermosInvalidos("Arquivo de termos " + Aspas(nome) + ", linha " + std::to_string(linha) + ": " + motivo);
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool Utf8Valido(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const plataforma::TCaractereUtf8 c = plataforma::LerCaractereUtf8(s, i);
    if (!c.Valido) return false;
    i += c.Tamanho;
  }
  return true;
}

bool TemNaoAscii(std::string_view s) {
  for (unsigned char b : s)
    if (b >= 0x80) return true;
  return false;
}

std::size_t LinhaDoByte(std::string_view s, std::size_t posicao) {
  std::size_t linha = 1;
  for (std::size_t i = 0; i < posicao; ++i)
    if (s[i] == '\n') ++linha;
  return linha;
}

// Text holds tabs and line ends (a CR only before its LF) but no other control byte; a Windows-1252
// text none of the five bytes that code page leaves out; a UTF-8 text none of the C1 controls
// (U+0080-U+009F), which would land as those bytes or as others the same file in Windows-1252 refuses.
void ChecarTexto(std::string_view s, bool w1252, const std::string& nome) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    auto b = static_cast<unsigned char>(s[i]);
    const bool c1 = !w1252 && b == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) <= 0x9F &&
                    static_cast<unsigned char>(s[i + 1]) >= 0x80;
    const bool controle =
        (b < 0x20 && b != '\t' && b != '\n' && !(b == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) || b == 0x7F || c1;
    const bool indefinido = w1252 && (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D);
    if (controle || indefinido)
      throw ETermosInvalidos("O arquivo de termos " + Aspas(nome) + " não é um texto: tem bytes " +
                             (controle ? "de controle" : "que o Windows-1252 não define") + " na linha " +
                             std::to_string(LinhaDoByte(s, i)) + ".");
  }
}

// The line as the message quotes it: UTF-8, not too long.
std::string Citar(std::string_view linha) {
  std::string_view curta = linha.substr(0, 40);
  return Aspas(plataforma::W1252ParaUtf8(curta) + (curta.size() < linha.size() ? "..." : ""));
}

std::optional<std::size_t> IndiceChave(std::string_view nome) {
  for (std::size_t i = 0; i < kNumeroChavesTermos; ++i)
    if (plataforma::IguaisSemCaixa(nome, kNomes[i])) return i;
  return std::nullopt;
}

std::string ListaChaves() {
  std::string r;
  for (std::size_t i = 0; i < kNumeroChavesTermos; ++i)
    r += (i == 0 ? "" : i + 1 == kNumeroChavesTermos ? " ou " : ", ") + std::string(kNomes[i]);
  return r;
}

// "Filial N" is branch N; "Padrao" (or "Padrão"), the default section, is 0.
std::optional<int32_t> SecaoConhecida(std::string_view nome) {
  if (plataforma::IguaisSemCaixa(nome, "Padrao") ||
      plataforma::IguaisSemCaixa(nome, plataforma::Utf8ParaW1252("Padrão")))
    return 0;
  constexpr std::string_view kFilial = "Filial";
  if (nome.size() <= kFilial.size() || !plataforma::IguaisSemCaixa(nome.substr(0, kFilial.size()), kFilial))
    return std::nullopt;
  std::string_view numero = plataforma::Aparar(nome.substr(kFilial.size()));
  if (numero.empty() || numero.front() < '0' || numero.front() > '9') return std::nullopt;
  auto n = plataforma::LerInteiro(numero);
  if (!n || *n <= 0 || *n > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(*n);
}

}  // namespace

const char* NomeChave(TChaveTermos chave) { return kNomes[static_cast<std::size_t>(chave)]; }

TArquivoTermos TArquivoTermos::Ler(const std::string& caminho) {
  const std::string falha = "Não foi possível ler o arquivo de termos " + Aspas(caminho) + ": ";
  const std::string grande = "O arquivo de termos " + Aspas(caminho) + " tem mais de 1 MB: não é um arquivo de termos.";
  // Only a regular file of bounded size: a device such as /dev/zero never ends, and a FIFO would
  // block the open until someone writes to it.
  struct stat st {};
  if (::stat(caminho.c_str(), &st) != 0)
    throw ETermosInvalidos(
        falha + (errno == ENOENT || errno == ENOTDIR ? "o arquivo não existe." : "sem permissão de leitura."));
  if (S_ISDIR(st.st_mode)) throw ETermosInvalidos(falha + "é uma pasta.");
  if (!S_ISREG(st.st_mode)) throw ETermosInvalidos(falha + "não é um arquivo comum.");
  if (static_cast<std::uintmax_t>(st.st_size) > kTamanhoMaximo) throw ETermosInvalidos(grande);
  // Non-blocking, and checked again once open: the name may have changed hands since.
  const int fd = ::open(caminho.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw ETermosInvalidos(falha + "sem permissão de leitura.");
  struct TFechar {
    int fd;
    ~TFechar() { ::close(fd); }
  } fechar{fd};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) throw ETermosInvalidos(falha + "não é um arquivo comum.");
  // At most one byte past the limit, so a file that grew since is refused without being read whole.
  std::string bytes(kTamanhoMaximo + 1, '\0');
  std::size_t lidos = 0;
  while (lidos < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + lidos, bytes.size() - lidos);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw ETermosInvalidos(falha + "erro de leitura.");
    if (n == 0) break;
    lidos += static_cast<std::size_t>(n);
  }
  if (lidos > kTamanhoMaximo) throw ETermosInvalidos(grande);
  bytes.resize(lidos);
  return Analisar(bytes, caminho);
}

TArquivoTermos TArquivoTermos::Analisar(std::string_view bytes, const std::string& nome) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const bool utf8 = TemNaoAscii(bytes) && Utf8Valido(bytes);
  ChecarTexto(bytes, !utf8, nome);
  const std::string texto = utf8 ? plataforma::Utf8ParaW1252(bytes) : std::string(bytes);
  // The lines whose characters did not all come through (UTF-8 outside Windows-1252 became "?").
  std::vector<bool> semW1252;
  if (utf8)
    for (std::size_t inicio = 0; inicio <= bytes.size();) {
      std::size_t fim = bytes.find('\n', inicio);
      if (fim == std::string_view::npos) fim = bytes.size();
      const std::string_view linha = bytes.substr(inicio, fim - inicio);
      semW1252.push_back(plataforma::W1252ParaUtf8(plataforma::Utf8ParaW1252(linha)) != linha);
      inicio = fim + 1;
    }

  TArquivoTermos r;
  TSecao* secao = nullptr;
  std::string nomeSecao;
  std::vector<int32_t> vistas;
  std::size_t numero = 0;
  for (std::size_t inicio = 0; inicio <= texto.size(); ++numero) {
    std::size_t fim = texto.find('\n', inicio);
    if (fim == std::string::npos) fim = texto.size();
    std::string_view linha = plataforma::Aparar(std::string_view(texto).substr(inicio, fim - inicio));
    inicio = fim + 1;
    if (linha.empty() || linha.front() == ';' || linha.front() == '#') continue;
    if (linha.front() == '[') {
      if (linha.back() != ']')
        FalharNaLinha(nome, numero + 1, Citar(linha) + " não é seção, chave=valor nem comentário.");
      std::string_view dentro = plataforma::Aparar(linha.substr(1, linha.size() - 2));
      auto conhecida = SecaoConhecida(dentro);
      nomeSecao = plataforma::W1252ParaUtf8(linha);
      if (!conhecida)
        FalharNaLinha(nome, numero + 1, "seção desconhecida " + nomeSecao + "; use [Padrao] ou [Filial N].");
      for (const auto& v : vistas)
        if (v == *conhecida) FalharNaLinha(nome, numero + 1, "seção " + nomeSecao + " repetida.");
      vistas.push_back(*conhecida);
      secao = *conhecida ? &r.filiais_[*conhecida] : &r.padrao_;
      continue;
    }
    const auto igual = linha.find('=');
    if (igual == std::string_view::npos || plataforma::Aparar(linha.substr(0, igual)).empty())
      FalharNaLinha(nome, numero + 1, Citar(linha) + " não é seção, chave=valor nem comentário.");
    if (!secao) FalharNaLinha(nome, numero + 1, Citar(linha) + " fora de seção; comece por [Padrao] ou [Filial N].");
    std::string_view chave = plataforma::Aparar(linha.substr(0, igual));
    auto indice = IndiceChave(chave);
    if (!indice) FalharNaLinha(nome, numero + 1, "chave desconhecida " + Citar(chave) + "; use " + ListaChaves() + ".");
    if ((*secao)[*indice])
      FalharNaLinha(nome, numero + 1, "chave " + Citar(chave) + " repetida na seção " + nomeSecao + ".");
    std::string_view valor = plataforma::Aparar(linha.substr(igual + 1));
    if (valor.size() >= 2 && (valor.front() == '"' || valor.front() == '\'') && valor.back() == valor.front())
      valor = valor.substr(1, valor.size() - 2);
    if (valor.size() > kValorMaximo)
      FalharNaLinha(nome, numero + 1,
                    "o valor de " + Citar(chave) + " tem mais de " + std::to_string(kValorMaximo) + " caracteres.");
    (*secao)[*indice] = std::string(valor);
    if (numero < semW1252.size() && semW1252[numero])
      r.avisos_.push_back("Arquivo de termos " + Aspas(nome) + ", linha " + std::to_string(numero + 1) +
                          ": o valor de " + Citar(chave) +
                          " tem caracteres que o Windows-1252 não tem; saem como \"?\".");
  }
  return r;
}

TValoresTermos TArquivoTermos::DaFilial(int32_t filial) const {
  TValoresTermos v;
  auto propria = filiais_.find(filial);
  std::vector<std::string> faltam;
  for (std::size_t i = 0; i < kNumeroChavesTermos; ++i) {
    const auto& valor = propria != filiais_.end() && propria->second[i] ? propria->second[i] : padrao_[i];
    v.Valores[i] = valor.value_or("");
    if (v.Valores[i].empty()) faltam.push_back(kNomes[i]);
  }
  if (faltam.empty()) return v;
  std::string lista;
  for (std::size_t i = 0; i < faltam.size(); ++i)
    lista += (i == 0 ? "" : i + 1 == faltam.size() ? " e " : ", ") + faltam[i];
  v.Aviso = "Termos da filial " + std::to_string(filial) + (faltam.size() == 1 ? ": falta " : ": faltam ") + lista +
            (faltam.size() == 1 ? "; a linha fica em branco." : "; as linhas ficam em branco.");
  return v;
}

}  // namespace paginas
