#include "livro/RegistroP7.h"

#include "dbclient/DbClient.h"
#include "inventory/UInventarioP7Dao.h"
#include "platform/Texto.h"
#include "report/urelatorio.h"
#include "settings/UDatabase.h"

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

TExecucaoRegistroP7::TExecucaoRegistroP7(IDatabase& banco, const TParamsRelatorio& params, TLeituraMovimentos leitura)
    : banco_(banco), params_(params), leitura_(leitura) {}

TExecucaoRegistroP7::~TExecucaoRegistroP7() {
  try {
    Encerrar();
  } catch (...) {
    // A destructor has nobody to tell; the caller who cares calls Encerrar itself.
  }
}

bool TExecucaoRegistroP7::Produzir(const std::function<void()>& aoLerLinhas,
                                   const std::function<void(TImpressao&)>& gravar, IObservadorRegistroP7* observador,
                                   TResumoRegistroP7* resumo) {
  TInventarioP7Dao::ObterDadosFilial(banco_, params_.FilialId, filial_);
  linhas_ = TInventarioP7Dao::ConsultarInventario(banco_, params_, leitura_);
  if (aoLerLinhas) aoLerLinhas();
  if (!linhas_ || linhas_->Vazia()) return false;

  TImpressao impressao(params_, PrimeiraFolhaP7);
  TTotalizador totalizador(observador);
  {
    TFonteConsultaP7 fonte(*linhas_);
    ComporRegistroP7(params_, filial_, fonte, impressao, &totalizador);
  }
  gravar(impressao);
  if (resumo) {
    resumo->Produtos = totalizador.Produtos;
    resumo->Folhas = impressao.FolhaAtual() - PrimeiraFolhaP7;
    resumo->TotalCentavos = totalizador.TotalCentavos;
  }
  return true;
}

std::vector<std::string> TExecucaoRegistroP7::Encerrar() {
  std::vector<std::string> falhas;
  if (encerrada_) return falhas;
  encerrada_ = true;
  linhas_.reset();
  if (!banco_.IsConnected()) return falhas;
  try {
    TInventarioP7Dao::ApagarTabelasTemporarias(banco_);
  } catch (const EFalhasScript& e) {
    for (const dbclient::EErroScript& f : e.Falhas) falhas.push_back(f.what());
  } catch (const std::exception& e) {
    falhas.push_back(e.what());
  }
  return falhas;
}
