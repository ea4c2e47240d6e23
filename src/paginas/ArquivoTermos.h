#pragma once
// The terms file of --termos: what the book's opening and closing terms need beyond the branch's
// row (book number, address, commercial registry, signers), in an ini-style text, Windows-1252 or
// UTF-8, with a default section [Padrao] and one section [Filial N] per branch that overrides it
// key by key. No Qt: the command checks the file before it connects.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>
#include <string_view>

namespace paginas {

// The terms file cannot be used (unreadable, not such a text): what() is the one-line reason,
// UTF-8, naming the file and, for a bad line, its number.
class ETermosInvalidos : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TChaveTermos { Livro, Endereco, Municipio, UF, CEP, NIRE, DataRegistro, Responsavel, Cargo, Contador, CRC };
constexpr std::size_t kNumeroChavesTermos = 11;

// The key as the file writes it ("DataRegistro").
const char* NomeChave(TChaveTermos chave);

// What one branch's terms say, Windows-1252; "" where neither its section nor the default gives
// a value (or gives an empty one).
struct TValoresTermos {
  std::array<std::string, kNumeroChavesTermos> Valores;
  const std::string& operator[](TChaveTermos chave) const { return Valores[static_cast<std::size_t>(chave)]; }
  // One line naming every key left blank, once each, for standard error (Windows-1252); "" when
  // nothing is missing.
  std::string Aviso;
};

class TArquivoTermos {
 public:
  // Reads and checks the file; ETermosInvalidos when it cannot be read or is not a terms file.
  static TArquivoTermos Ler(const std::string& caminho);
  // The same for bytes already read; `nome` names the file in the messages.
  static TArquivoTermos Analisar(std::string_view bytes, const std::string& nome);

  // The branch's section over the default section, key by key (a key the branch writes, even
  // empty, replaces the default's).
  TValoresTermos DaFilial(int32_t filial) const;
  // The values with characters Windows-1252 lacks (a UTF-8 file), which the terms print as "?":
  // one line each (UTF-8, as the file's errors), naming the file, the line and the key.
  const std::vector<std::string>& Avisos() const { return avisos_; }

 private:
  using TSecao = std::array<std::optional<std::string>, kNumeroChavesTermos>;
  TSecao padrao_;
  std::map<int32_t, TSecao> filiais_;
  std::vector<std::string> avisos_;
};

}  // namespace paginas
