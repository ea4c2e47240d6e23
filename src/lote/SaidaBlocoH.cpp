#include "lote/SaidaBlocoH.h"

#include "livro/BlocoHRegistro.h"
#include "efd/BlocoH.h"
#include "report/urelatorio.h"

namespace {

class TSaidaBlocoH : public ISaidaExtraLote {
 public:
  explicit TSaidaBlocoH(const TOpcoesLote& opcoes) : observador_(bloco_), motivo_(opcoes.Motivo), conta_(opcoes.ContaContabil) {}

  void Linha(const TLinhaP7& linha, plataforma::TMoeda quantidade, plataforma::TMoeda unitario,
             int64_t centavosLinha) override {
    observador_.Linha(linha, quantidade, unitario, centavosLinha);
  }
  void Total(int64_t centavos) override { observador_.Total(centavos); }

  std::string NomeArquivo(int32_t filial, const plataforma::TDataHora& data) const override {
    return efd::NomeArquivoBlocoH(filial, data);
  }
  void Gravar(const std::string& caminho, const plataforma::TDataHora& data) override {
    GravarArquivoSeguro(caminho, bloco_.Gerar(data, motivo_, conta_));
  }
  const std::vector<std::string>& Avisos() const override { return bloco_.Avisos(); }
  std::string NotaSemLinhas() const override { return "bloco H com inventário zerado"; }

 private:
  efd::TBlocoH bloco_;
  TObservadorBlocoH observador_;
  std::string motivo_, conta_;
};

}  // namespace

TFabricaSaidasExtras FabricaSaidasBlocoH(const TOpcoesLote& opcoes) {
  return [opcoes](int32_t) {
    std::vector<std::unique_ptr<ISaidaExtraLote>> r;
    r.push_back(std::make_unique<TSaidaBlocoH>(opcoes));
    return r;
  };
}
