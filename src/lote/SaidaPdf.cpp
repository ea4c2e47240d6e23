#include "lote/SaidaPdf.h"

#include <cerrno>
#include <cstring>
#include <cstdio>

#include "paginas/PdfRegistro.h"
#include "paginas/TermosLivro.h"
#include "platform/Win1252.h"
#include "report/urelatorio.h"

namespace {

// The register just written, read back whole in one piece: the PDF is made from the very bytes
// of the file, held once.
std::string LerRegistro(const std::string& caminho) {
  std::string bytes;
  std::FILE* f = std::fopen(caminho.c_str(), "rb");
  bool ok = f && std::fseek(f, 0, SEEK_END) == 0;
  const long tamanho = ok ? std::ftell(f) : -1;
  ok = ok && tamanho >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    bytes.resize(static_cast<size_t>(tamanho));
    ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  }
  const int erro = errno;
  if (f) std::fclose(f);
  if (!ok)
    throw std::runtime_error(W("Não foi possível ler \"") + plataforma::Utf8ParaW1252(caminho) +
                             "\" para o PDF: " + plataforma::Utf8ParaW1252(std::strerror(erro)));
  return bytes;
}

class TSaidaPdf : public ISaidaExtraLote {
 public:
  TSaidaPdf(std::shared_ptr<const paginas::TArquivoTermos> termos, std::shared_ptr<const paginas::TFonteTrueType> fonte)
      : termos_(std::move(termos)), fonte_(std::move(fonte)) {}

  void Linha(const TLinhaP7&, plataforma::TMoeda, plataforma::TMoeda, int64_t) override { ++linhas_; }
  void Total(int64_t) override {}

  std::vector<std::string> Gravar(const std::string& pasta, int32_t filial, const plataforma::TDataHora& data,
                                  const TFilial& dados) override {
    if (linhas_ == 0) return {};  // no register, no book
    const std::string nome = NomeArquivoPdfLote(filial, data);
    paginas::TOpcoesPdfRegistro opcoes;
    opcoes.Titulo = nome.substr(0, nome.size() - 4);
    opcoes.Fonte = fonte_;
    if (termos_) {
      paginas::TDadosTermos d{
          {dados.RazaoSocial, dados.Cnpj, dados.InscricaoEstadual}, termos_->DaFilial(filial), data};
      if (!d.Valores.Aviso.empty()) avisos_.push_back(d.Valores.Aviso);
      opcoes.Termos = std::move(d);
    }
    // Streamed to the safe write: only the register and a piece of the PDF are held at a time.
    const std::string registro = LerRegistro(pasta + NomeArquivoLote(filial, data));
    TGravacaoSegura arquivo(pasta + nome);
    paginas::EscreverPdfRegistro(registro, opcoes, [&](std::string_view pedaco) { arquivo.Acrescentar(pedaco); });
    arquivo.Concluir();
    return {nome};
  }
  std::vector<std::string> Avisos() const override { return avisos_; }
  std::string NotaSemLinhas() const override { return "sem PDF"; }

 private:
  std::shared_ptr<const paginas::TArquivoTermos> termos_;
  std::shared_ptr<const paginas::TFonteTrueType> fonte_;
  size_t linhas_ = 0;
  std::vector<std::string> avisos_;
};

}  // namespace

std::string NomeArquivoPdfLote(int32_t filial, const plataforma::TDataHora& data) {
  std::string nome = NomeArquivoLote(filial, data);
  return nome.replace(nome.size() - 4, 4, ".pdf");
}

std::unique_ptr<ISaidaExtraLote> NovaSaidaPdf(std::shared_ptr<const paginas::TArquivoTermos> termos,
                                              std::shared_ptr<const paginas::TFonteTrueType> fonte) {
  return std::make_unique<TSaidaPdf>(std::move(termos), std::move(fonte));
}
