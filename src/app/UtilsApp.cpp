#include "app/UtilsApp.h"

#include "app/VersaoPrograma.h"
#include "platform/Mensagens.h"
#include "platform/Programa.h"
#include "platform/Entrada.h"
#include "platform/VersaoArquivo.h"

// The program's own version record, from the project version; VersaoArquivo("") finds it in the
// executable. It lives here because every program that shows the caption links this file.
P7_DEFINIR_VERSAO_ARQUIVO(P7_VERSAO_MAJOR, P7_VERSAO_MINOR, P7_VERSAO_PATCH, P7_VERSAO_TWEAK);

std::string VersaoArquivo(const std::string& arquivo) {
  const std::string caminho = arquivo.empty() ? plataforma::CaminhoExecutavel() : arquivo;
  plataforma::TVersaoFixa v{};
  if (caminho.empty() || !plataforma::LerVersaoFixa(caminho, v)) return "";
  return std::to_string(v.dwFileVersionMS >> 16) + "." + std::to_string(v.dwFileVersionMS & 0xFFFFu) + "." +
         std::to_string(v.dwFileVersionLS >> 16) + "." + std::to_string(v.dwFileVersionLS & 0xFFFFu);
}

bool Confirmar(const std::string& mensagem, bool padraoSim, const std::string& titulo) {
  // The user must be able to answer even if something had blocked the input.
  plataforma::BloquearEntrada(false);
  return plataforma::CaixasMensagem().Perguntar(mensagem, titulo, padraoSim);
}

void Informar(const std::string& mensagem, const std::string& titulo) {
  plataforma::BloquearEntrada(false);
  plataforma::CaixasMensagem().Avisar(mensagem, titulo, plataforma::TIconeMensagem::Informacao);
}
