#pragma once
// Helpers shared by the tests: a private database per test on the server of scripts/db-server,
// a program folder of its own with a sistema_kot.ini, Brazilian regional settings, and message
// boxes that answer from a queue and record what they showed.
#include <deque>
#include <functional>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Mensagens.h"
#include "platform/Regional.h"

namespace suporte {

// Connection data of the private server (P7_DB_PORT, P7_DB_USER, P7_DB_PASSWORD).
struct TServidorTeste {
  std::string Host = "127.0.0.1";
  int Porta = 33061;
  std::string Usuario = "p7";
  std::string Senha = "p7senha";
  static TServidorTeste DoAmbiente();
};

// A temporary folder that disappears with the object.
class TPastaTemporaria {
 public:
  TPastaTemporaria();
  ~TPastaTemporaria();
  const std::filesystem::path& Caminho() const { return caminho_; }
  void EscreverArquivo(const std::string& nome, const std::string& conteudo) const;

 private:
  std::filesystem::path caminho_;
};

// A fresh database built from db/schema.sql, dropped at the end. SQL given to Executar runs on
// an administrative connection of its own (several statements allowed), in Windows-1252.
class TBancoTeste {
 public:
  TBancoTeste();
  ~TBancoTeste();
  const std::string& Nome() const { return nome_; }
  void Executar(const std::string& sql) const;
  // First column of the first row as text ("NULL" for NULL, "" for no row).
  std::string Valor(const std::string& sql) const;

 private:
  std::string nome_;
};

// A program folder of its own (the platform's folder seam points at it while it lives), with a
// sistema_kot.ini and a relatorio/ folder.
class TPastaProgramaTeste {
 public:
  TPastaProgramaTeste();
  ~TPastaProgramaTeste();
  const std::filesystem::path& Caminho() const { return pasta_.Caminho(); }
  void EscreverIni(const std::string& conteudo) const;  // UTF-8 text, written as Windows-1252
  // An ini that names the private server and the database, password scrambled with key QEW,
  // and the branch code.
  void EscreverIniBanco(const std::string& banco, int codLogica = 1, const std::string& local = "") const;

 private:
  TPastaTemporaria pasta_;
};

// Message boxes of the tests: questions answered from a queue (No when it is empty).
class TCaixasGravadas : public plataforma::ICaixasMensagem {
 public:
  struct TCaixa {
    std::string Texto, Titulo;  // Windows-1252, as shown
    plataforma::TIconeMensagem Icone;
    bool Pergunta;
    bool PadraoSim;
  };
  bool Perguntar(const std::string& texto, const std::string& titulo, bool padraoSim) override;
  void Avisar(const std::string& texto, const std::string& titulo, plataforma::TIconeMensagem icone) override;
  std::deque<bool> Respostas;
  std::vector<TCaixa> Mostradas;
  // Called while a box is "open" (after it is recorded, before it returns), e.g. to look at windows.
  std::function<void(const TCaixa&)> AoMostrar;
};

// Installs a TCaixasGravadas for the lifetime of the object.
class TCaixasInstaladas {
 public:
  TCaixasInstaladas();
  ~TCaixasInstaladas();
  TCaixasGravadas& operator*() { return *caixas_; }
  TCaixasGravadas* operator->() { return caixas_.get(); }

 private:
  std::shared_ptr<TCaixasGravadas> caixas_;
  std::shared_ptr<plataforma::ICaixasMensagem> anteriores_;
};

// Brazilian regional settings for the lifetime of the object.
class TRegionalBrasil {
 public:
  TRegionalBrasil();
  ~TRegionalBrasil();

 private:
  plataforma::TFormatSettings anterior_;
};

// Root writes through every permission, so a check that something read-only is refused cannot
// run as root (as CI runs): the current test is then run again by a child program as the user
// nobody (uid and gid 65534), with TMPDIR=/tmp, and its result is this test's. Returns true when
// it did so (the caller returns at once); false when this process is not root and goes on itself.
bool RepetirSemPrivilegios();

std::string LerArquivo(const std::filesystem::path& p);
std::string CaminhoFonte(const std::string& relativo);  // under the source tree

}  // namespace suporte
