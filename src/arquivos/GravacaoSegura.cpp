#include "arquivos/GravacaoSegura.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <system_error>

#include "platform/Win1252.h"

namespace {

// Pieces of the file queued before one writev; the system takes at most IOV_MAX at once.
constexpr size_t MaximoTrechos = IOV_MAX;

// The path as the user reads it: the folder's separator and the one after it are one.
std::string CaminhoLegivel(std::string caminho) {
  for (size_t i; (i = caminho.find("//")) != std::string::npos;) caminho.erase(i, 1);
  return caminho;
}

[[noreturn]] void FalharArquivo(const std::string& arquivo, int erro) {
  // The system's texts follow the locale, which is UTF-8 on this platform; the message is
  // Windows-1252 like every other.
  const std::string caminho = CaminhoLegivel(arquivo);
  std::string texto = plataforma::Utf8ParaW1252(std::generic_category().message(erro));
  std::string pasta = caminho.substr(0, caminho.rfind('/') + 1);
  if ((erro == ENOENT || erro == ENOTDIR) && ::access(pasta.c_str(), F_OK) != 0) {
    if (pasta.size() > 1) pasta.pop_back();
    texto = W("a pasta \"") + plataforma::Utf8ParaW1252(pasta) + W("\" não existe - ") + texto;
  }
  throw EErroRelatorio(W("Não foi possível gravar o relatório \"") + plataforma::Utf8ParaW1252(caminho) +
                           "\": " + texto + " (erro " + std::to_string(erro) + ")",
                       erro);
}

// The temporary files being written, for a signal handler: one slot per file under way (the
// year-end command writes one per session at once). A slot is claimed, its name copied, and only
// then marked as readable; it is unmarked before it is freed, so the handler never reads half a
// name. A file finding no free slot is written all the same, only not removed by a signal.
constexpr size_t VagasTemporarios = 64;
struct TVagaTemporario {
  std::atomic<bool> Reservada{false};
  std::atomic<bool> Legivel{false};
  char Nome[PATH_MAX + 64];
};
TVagaTemporario TemporariosEmCurso[VagasTemporarios];
static_assert(std::atomic<bool>::is_always_lock_free);

// The slot announcing `caminho`, or nullptr.
TVagaTemporario* AnunciarTemporario(const std::string& caminho) {
  if (caminho.size() >= sizeof TemporariosEmCurso[0].Nome) return nullptr;  // too long to be opened anyway
  for (TVagaTemporario& vaga : TemporariosEmCurso) {
    bool livre = false;
    if (!vaga.Reservada.compare_exchange_strong(livre, true)) continue;
    caminho.copy(vaga.Nome, caminho.size());
    vaga.Nome[caminho.size()] = '\0';
    vaga.Legivel.store(true);
    return &vaga;
  }
  return nullptr;
}

void RetirarTemporario(TVagaTemporario* vaga) {
  if (!vaga) return;
  vaga->Legivel.store(false);
  vaga->Reservada.store(false);
}

// A file written from the report's own memory: runs of lines are queued as they lie and go out
// in one writev per IOV_MAX runs, so the bytes are not copied into a buffer first. Any failure
// removes the file. Errors name the file the user knows, never the temporary one.
class TArquivoTemporario {
 public:
  TArquivoTemporario(std::string caminho, std::string destino)
      : caminho_(std::move(caminho)), destino_(std::move(destino)), vaga_(AnunciarTemporario(caminho_)) {
    fd_ = ::open(caminho_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      RetirarTemporario(vaga_);
      FalharArquivo(destino_, errno);
    }
    trechos_.reserve(MaximoTrechos);
    copias_.reserve(size_t(64) << 10);
  }
  ~TArquivoTemporario() {
    if (fd_ >= 0) ::close(fd_);
    if (!concluido_) ::unlink(caminho_.c_str());
    RetirarTemporario(vaga_);
  }

  // Queues bytes that stay as they are until they are written. Bytes that continue the previous
  // piece in memory join it.
  void Acrescentar(std::string_view t) {
    if (t.empty()) return;
    if (!trechos_.empty()) {
      iovec& ultimo = trechos_.back();
      if (static_cast<const char*>(ultimo.iov_base) + ultimo.iov_len == t.data()) {
        ultimo.iov_len += t.size();
        return;
      }
    }
    if (trechos_.size() == MaximoTrechos) Descarregar();
    trechos_.push_back({const_cast<char*>(t.data()), t.size()});
  }
  // Queues a copy of bytes that change before they would be written (the page line).
  void AcrescentarCopia(std::string_view t) {
    if (trechos_.size() == MaximoTrechos || copias_.size() + t.size() > copias_.capacity()) Descarregar();
    if (copias_.capacity() < t.size()) copias_.reserve(t.size());  // empty here: nothing points into it
    const char* inicio = copias_.data() + copias_.size();
    copias_.append(t);
    Acrescentar({inicio, t.size()});
  }
  void Descarregar() {
    iovec* v = trechos_.data();
    size_t resta = trechos_.size();
    while (resta > 0) {
      ssize_t n = ::writev(fd_, v, static_cast<int>(resta));
      if (n < 0) {
        if (errno == EINTR) continue;
        FalharArquivo(destino_, errno);
      }
      if (n == 0) FalharArquivo(destino_, EIO);
      // A short write (a full disk) goes on from where it stopped.
      size_t escritos = static_cast<size_t>(n);
      while (resta > 0 && escritos >= v->iov_len) {
        escritos -= v->iov_len;
        ++v;
        --resta;
      }
      if (resta > 0) {
        v->iov_base = static_cast<char*>(v->iov_base) + escritos;
        v->iov_len -= escritos;
      }
    }
    trechos_.clear();
    copias_.clear();
  }
  // Flushes, syncs and closes, then puts the file in place of `destino`.
  void Concluir() {
    Descarregar();
    if (::fsync(fd_) != 0) FalharArquivo(destino_, errno);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) FalharArquivo(destino_, errno);
    if (::rename(caminho_.c_str(), destino_.c_str()) != 0) FalharArquivo(destino_, errno);
    concluido_ = true;
  }

 private:
  std::string caminho_, destino_;
  TVagaTemporario* vaga_;
  int fd_ = -1;
  std::vector<iovec> trechos_;
  std::string copias_;
  bool concluido_ = false;
};

void SincronizarPasta(const std::string& pasta) {
  // Makes the rename itself durable; a failure here leaves a complete file either way.
  int fd = ::open(pasta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

// The files the process reads while it writes (see ProtegerArquivosLidos); set before any write.
std::vector<std::string>& ArquivosLidos() {
  static std::vector<std::string> lidos;
  return lidos;
}

// The safe write shared by every file of the run: an earlier file the user made read-only (no
// write bit for anyone: access() would let root through) is refused, not replaced behind their
// back, since the rename needs only the folder to be writable; so is a file the process reads.
// The bytes go to a temporary file beside it, which is synced and then renamed over it, so an
// earlier file is replaced only by a complete one.
std::unique_ptr<TArquivoTemporario> AbrirComSeguranca(const std::string& caminho) {
  struct stat st {};
  if (::stat(caminho.c_str(), &st) == 0) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) FalharArquivo(caminho, EACCES);
    for (const std::string& lido : ArquivosLidos()) {
      std::error_code ec;
      if (!std::filesystem::equivalent(caminho, lido, ec)) continue;
      const std::string nome = CaminhoLegivel(caminho), outro = CaminhoLegivel(lido);
      throw EErroRelatorio(
          W("Não foi possível gravar o relatório \"") + plataforma::Utf8ParaW1252(nome) + "\": " +
              (outro == nome ? W("é um arquivo")
                             : W("é o mesmo arquivo que \"") + plataforma::Utf8ParaW1252(outro) + "\",") +
              W(" que esta execução lê, e não é substituído"),
          EEXIST);
    }
  }
  static std::atomic<unsigned> sequencia{0};
  std::string temporario = caminho + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(++sequencia);
  return std::make_unique<TArquivoTemporario>(temporario, caminho);
}

void ConcluirComSeguranca(TArquivoTemporario& arquivo, const std::string& caminho) {
  arquivo.Concluir();
  SincronizarPasta(caminho.substr(0, caminho.rfind('/') + 1));
}

template <typename Preencher>
void GravarComSeguranca(const std::string& caminho, Preencher&& preencher) {
  std::unique_ptr<TArquivoTemporario> arquivo = AbrirComSeguranca(caminho);
  preencher(*arquivo);
  ConcluirComSeguranca(*arquivo, caminho);
}

}  // namespace

void ProtegerArquivosLidos(std::vector<std::string> caminhos) { ArquivosLidos() = std::move(caminhos); }

void ApagarRelatorioTemporarioEmCurso() noexcept {
  for (TVagaTemporario& vaga : TemporariosEmCurso)
    if (vaga.Legivel.load()) ::unlink(vaga.Nome);
}

struct TGravacaoSegura::TEstado {
  std::unique_ptr<TArquivoTemporario> Arquivo;
};

TGravacaoSegura::TGravacaoSegura(const std::string& caminho) : caminho_(caminho), estado_(std::make_unique<TEstado>()) {
  estado_->Arquivo = AbrirComSeguranca(caminho);
}

TGravacaoSegura::~TGravacaoSegura() = default;

void TGravacaoSegura::Acrescentar(std::string_view bytes) {
  if (!estado_->Arquivo) throw std::logic_error("TGravacaoSegura: arquivo já concluído");
  estado_->Arquivo->AcrescentarCopia(bytes);
}

void TGravacaoSegura::AcrescentarSemCopia(std::string_view bytes) {
  if (!estado_->Arquivo) throw std::logic_error("TGravacaoSegura: arquivo já concluído");
  estado_->Arquivo->Acrescentar(bytes);
}

void TGravacaoSegura::Concluir() {
  if (!estado_->Arquivo) throw std::logic_error("TGravacaoSegura: arquivo já concluído");
  ConcluirComSeguranca(*estado_->Arquivo, caminho_);
  estado_->Arquivo.reset();
}

void GravarArquivoSeguro(const std::string& caminho, std::string_view bytes) {
  GravarComSeguranca(caminho, [&](TArquivoTemporario& arquivo) { arquivo.Acrescentar(bytes); });
}
