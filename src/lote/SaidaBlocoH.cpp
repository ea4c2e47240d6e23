#include "lote/SaidaBlocoH.h"

#include <cstdio>

#include "efd/BlocoH.h"
#include "efd/MesclaEfd.h"
#include "livro/BlocoHRegistro.h"
#include "platform/Win1252.h"
#include "report/urelatorio.h"

namespace {

// The CNPJ of the branch's row as the EFD's 0000 holds it: its digits.
std::string DigitosCnpj(const std::string& cnpj) {
  std::string d;
  for (char c : cnpj)
    if (c >= '0' && c <= '9') d += c;
  return d;
}

class TSaidaBlocoH : public ISaidaExtraLote {
 public:
  TSaidaBlocoH(const TOpcoesLote& opcoes, std::shared_ptr<const efd::TIndiceEfd> efd)
      : observador_(bloco_),
        motivo_(opcoes.Motivo),
        conta_(opcoes.ContaContabil),
        pastaEfd_(opcoes.Efd),
        efd_(std::move(efd)) {}

  void Linha(const TLinhaP7& linha, plataforma::TMoeda quantidade, plataforma::TMoeda unitario,
             int64_t centavosLinha) override {
    observador_.Linha(linha, quantidade, unitario, centavosLinha);
  }
  void Total(int64_t centavos) override { observador_.Total(centavos); }

  std::vector<std::string> Gravar(const std::string& pasta, int32_t filial, const plataforma::TDataHora& data,
                                  const TFilial& dados) override {
    // Nothing of block H is written when a row cannot be filed (EBlocoH).
    const efd::TPartesBlocoH partes = bloco_.Montar(data, motivo_, conta_);
    std::vector<std::string> nomes = {efd::NomeArquivoBlocoH(filial, data)};
    GravarArquivoSeguro(pasta + nomes.back(), partes.Bytes);
    if (efd_) {
      const std::filesystem::path original = ArquivoEfdDaFilial(*efd_, pastaEfd_, dados);
      // Profiles A and B require COD_CTA in every H010: a merged file without it would be refused
      // by the validation program, so it is not written (the fragment, which names no profile, is).
      if (const auto abertura = efd::LerAbertura(original))
        if (const std::string falta = efd::FaltaContaContabil(*abertura, partes.Conta); !falta.empty())
          throw efd::EArquivoEfd(W("arquivo EFD \"") + efd::NomeArquivoEfd(original) + "\" recusado: " + falta);
      nomes.push_back(NomeArquivoEfdLote(filial, data));
      // The merge streams into the safe write; a refusal half-way leaves no file behind.
      TGravacaoSegura arquivo(pasta + nomes.back());
      for (std::string& aviso : efd::MesclarEfd(original, partes, [&](std::string_view b) { arquivo.Acrescentar(b); }))
        avisos_.push_back(std::move(aviso));
      arquivo.Concluir();
    }
    return nomes;
  }
  std::vector<std::string> Avisos() const override {
    std::vector<std::string> todos = bloco_.Avisos();
    todos.insert(todos.end(), avisos_.begin(), avisos_.end());
    return todos;
  }
  std::string NotaSemLinhas() const override { return "bloco H com inventário zerado"; }

 private:
  efd::TBlocoH bloco_;
  TObservadorBlocoH observador_;
  std::string motivo_, conta_, pastaEfd_;
  std::shared_ptr<const efd::TIndiceEfd> efd_;
  std::vector<std::string> avisos_;  // of the merge
};

}  // namespace

std::filesystem::path ArquivoEfdDaFilial(const efd::TIndiceEfd& indice, const std::string& pasta,
                                         const TFilial& dados) {
  const std::string cnpj = DigitosCnpj(dados.Cnpj);
  auto i = cnpj.empty() ? indice.PorCnpj.end() : indice.PorCnpj.find(cnpj);
  if (i == indice.PorCnpj.end())
    throw efd::EArquivoEfd(W("nenhum arquivo EFD com o CNPJ ") + (cnpj.empty() ? W("(vazio)") : cnpj) + " em " +
                           plataforma::Utf8ParaW1252(pasta));
  if (i->second.size() > 1) {
    std::string nomes;
    for (const auto& a : i->second) nomes += (nomes.empty() ? "" : ", ") + efd::NomeArquivoEfd(a.filename());
    throw efd::EArquivoEfd(W("mais de um arquivo EFD com o CNPJ ") + cnpj + " em " + plataforma::Utf8ParaW1252(pasta) +
                           ": " + nomes);
  }
  return i->second.front();
}

std::string NomeArquivoEfdLote(int32_t filial, const plataforma::TDataHora& data) {
  char texto[64];
  std::snprintf(texto, sizeof texto, "EFD_%d_%04d%02d%02d.txt", filial, data.Ano, data.Mes, data.Dia);
  return texto;
}

TFabricaSaidasExtras FabricaSaidasBlocoH(const TOpcoesLote& opcoes, std::shared_ptr<const efd::TIndiceEfd> efd) {
  return [opcoes, efd](int32_t) {
    std::vector<std::unique_ptr<ISaidaExtraLote>> r;
    r.push_back(std::make_unique<TSaidaBlocoH>(opcoes, efd));
    return r;
  };
}
