#include "app/RegistroP7.h"

#include "dbclient/DbClient.h"
#include "inventory/UInventarioP7Dao.h"
#include "platform/Texto.h"
#include "report/urelatorio.h"

std::string AparaListaIds(const std::string& lista) { return std::string(plataforma::Aparar(lista)); }

TParamsRelatorio ParametrosRelatorio(const TEscolhasGeracao& escolhas, int32_t filialId) {
  TParamsRelatorio params;
  params.DataEstoque = escolhas.Data;
  params.FilialId = filialId;
  params.PrecoCompra = !escolhas.CustoMedio;
  params.Grupos = AparaListaIds(escolhas.FiltroGrupos);
  params.Especificacoes = AparaListaIds(escolhas.FiltroEspecificacoes);
  params.ConsiderarProdutoApagado = escolhas.ConsiderarProdutoApagado;
  params.ConsiderarCadastradosAntesData = escolhas.ConsiderarCadastradosAntesData;
  params.ConsiderarArredondamento = escolhas.ConsiderarArredondamento;
  return params;
}

namespace {

// Keeps the printed total and passes every line on.
class TTotalizador : public IObservadorRegistroP7 {
 public:
  explicit TTotalizador(IObservadorRegistroP7* seguinte) : seguinte_(seguinte) {}
  void Linha(const TLinhaP7& linha, plataforma::TMoeda quantidade, plataforma::TMoeda unitario,
             int64_t centavosLinha) override {
    ++Produtos;
    if (seguinte_) seguinte_->Linha(linha, quantidade, unitario, centavosLinha);
  }
  void Total(int64_t centavos) override {
    TotalCentavos = centavos;
    if (seguinte_) seguinte_->Total(centavos);
  }
  size_t Produtos = 0;
  int64_t TotalCentavos = 0;

 private:
  IObservadorRegistroP7* seguinte_;
};

}  // namespace

bool ProduzirRegistroP7(const TParamsRelatorio& params, std::unique_ptr<dbclient::TConsulta>& linhas,
                        const std::function<void()>& aoLerLinhas, const std::function<void(TImpressao&)>& gravar,
                        IObservadorRegistroP7* observador, TResumoRegistroP7* resumo) {
  TFilial filial;
  TInventarioP7Dao::ObterDadosFilial(params.FilialId, filial);
  linhas = TInventarioP7Dao::ConsultarInventario(params);
  if (aoLerLinhas) aoLerLinhas();
  if (!linhas || linhas->Vazia()) return false;

  TImpressao impressao(params, PrimeiraFolhaP7);
  TTotalizador totalizador(observador);
  {
    TFonteConsultaP7 fonte(*linhas);
    ComporRegistroP7(params, filial, fonte, impressao, &totalizador);
  }
  gravar(impressao);
  if (resumo) {
    resumo->Produtos = totalizador.Produtos;
    resumo->Folhas = impressao.FolhaAtual() - PrimeiraFolhaP7;
    resumo->TotalCentavos = totalizador.TotalCentavos;
  }
  return true;
}
