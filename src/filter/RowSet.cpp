#include "filter/RowSet.h"

#include "platform/Texto.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <tuple>

namespace dbclient {
namespace {

// Windows-1252 upper case.
// Upper case without accents, so that "Água" sorts among the A's as the server's collation does.
const std::array<unsigned char, 256>& TabelaOrdem() {
  static const std::array<unsigned char, 256> t = [] {
    std::array<unsigned char, 256> r{};
    for (int i = 0; i < 256; ++i) r[i] = plataforma::MaiusculaW1252(static_cast<unsigned char>(i));
    auto faixa = [&](int de, int ate, char base) {
      for (int i = de; i <= ate; ++i) r[i] = static_cast<unsigned char>(base);
    };
    faixa(0xC0, 0xC5, 'A');
    faixa(0xE0, 0xE5, 'A');
    faixa(0xC7, 0xC7, 'C');
    faixa(0xE7, 0xE7, 'C');
    faixa(0xC8, 0xCB, 'E');
    faixa(0xE8, 0xEB, 'E');
    faixa(0xCC, 0xCF, 'I');
    faixa(0xEC, 0xEF, 'I');
    faixa(0xD1, 0xD1, 'N');
    faixa(0xF1, 0xF1, 'N');
    faixa(0xD2, 0xD6, 'O');
    faixa(0xF2, 0xF6, 'O');
    faixa(0xD8, 0xD8, 'O');
    faixa(0xF8, 0xF8, 'O');
    faixa(0xD9, 0xDC, 'U');
    faixa(0xF9, 0xFC, 'U');
    faixa(0xDD, 0xDD, 'Y');
    faixa(0xFD, 0xFD, 'Y');
    faixa(0xFF, 0xFF, 'Y');
    faixa(0x9F, 0x9F, 'Y');
    return r;
  }();
  return t;
}

int CompararTextos(const std::string& a, const std::string& b) {
  const auto& t = TabelaOrdem();
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = t[static_cast<unsigned char>(a[i])], y = t[static_cast<unsigned char>(b[i])];
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool EhNumero(const TValor& v) { return std::holds_alternative<int64_t>(v) || std::holds_alternative<double>(v); }

// Null first, numbers by value, texts as above, dates by their fields; other mixes by kind.
int CompararValores(const TValor& a, const TValor& b) {
  if (EhNulo(a) || EhNulo(b)) return EhNulo(a) == EhNulo(b) ? 0 : (EhNulo(a) ? -1 : 1);
  if (std::holds_alternative<int64_t>(a) && std::holds_alternative<int64_t>(b)) {
    auto x = std::get<int64_t>(a), y = std::get<int64_t>(b);
    return x == y ? 0 : (x < y ? -1 : 1);
  }
  if (EhNumero(a) && EhNumero(b)) {
    double x = std::holds_alternative<double>(a) ? std::get<double>(a) : double(std::get<int64_t>(a));
    double y = std::holds_alternative<double>(b) ? std::get<double>(b) : double(std::get<int64_t>(b));
    return x == y ? 0 : (x < y ? -1 : 1);
  }
  if (std::holds_alternative<std::string>(a) && std::holds_alternative<std::string>(b))
    return CompararTextos(std::get<std::string>(a), std::get<std::string>(b));
  if (std::holds_alternative<plataforma::TDataHora>(a) && std::holds_alternative<plataforma::TDataHora>(b)) {
    const auto& x = std::get<plataforma::TDataHora>(a);
    const auto& y = std::get<plataforma::TDataHora>(b);
    auto tx = std::tie(x.Ano, x.Mes, x.Dia, x.Hora, x.Minuto, x.Segundo);
    auto ty = std::tie(y.Ano, y.Mes, y.Dia, y.Hora, y.Minuto, y.Segundo);
    return tx == ty ? 0 : (tx < ty ? -1 : 1);
  }
  return a.index() < b.index() ? -1 : 1;
}

// Exact match (texts with their case); a number and a text match when the text is that number.
bool ValoresIguais(const TValor& a, const TValor& b) {
  if (EhNulo(a) || EhNulo(b)) return EhNulo(a) && EhNulo(b);
  if (EhNumero(a) && EhNumero(b)) return CompararValores(a, b) == 0;
  if (a.index() == b.index() && !std::holds_alternative<std::string>(a)) return CompararValores(a, b) == 0;
  return TConjuntoLinhas::ParaTexto(a) == TConjuntoLinhas::ParaTexto(b);
}

}  // namespace

void TConjuntoLinhas::Abrir() {
  if (!conexao_) throw EErroBanco(W("Conjunto de linhas sem conexão"));
  Fechar();
  TConsulta consulta(*conexao_);
  consulta.DefinirSql(sql_);
  consulta.Abrir();
  Carregar(consulta);
}

void TConjuntoLinhas::Carregar(TConsulta& consulta) {
  std::vector<std::string> campos;
  for (size_t i = 0; i < consulta.NumeroCampos(); ++i) campos.push_back(consulta.Campo(i).Nome());
  std::vector<std::vector<TValor>> linhas;
  linhas.reserve(consulta.NumeroRegistros());
  for (consulta.Primeiro(); !consulta.Eof(); consulta.Proximo()) {
    std::vector<TValor> linha;
    linha.reserve(campos.size());
    for (size_t i = 0; i < campos.size(); ++i) linha.push_back(consulta.Campo(i).AsVariant());
    linhas.push_back(std::move(linha));
  }
  CarregarLinhas(std::move(campos), std::move(linhas));
}

void TConjuntoLinhas::CarregarLinhas(std::vector<std::string> campos, std::vector<std::vector<TValor>> linhas) {
  for (const auto& l : linhas)
    if (l.size() != campos.size()) throw EErroBanco(W("Linha com número de campos diferente das colunas"));
  campos_ = std::move(campos);
  linhas_ = std::move(linhas);
  ordem_.resize(linhas_.size());
  for (size_t i = 0; i < ordem_.size(); ++i) ordem_[i] = i;
  editando_ = false;
  buffer_.clear();
  aberta_ = true;
  posicao_ = 0;
  eof_ = bof_ = false;
  Avisar(TAvisoConjunto::Estrutura, 0);
  Avisar(TAvisoConjunto::Cursor, 0);
}

void TConjuntoLinhas::Fechar() {
  bool estava = aberta_;
  aberta_ = false;
  editando_ = false;
  buffer_.clear();
  campos_.clear();
  linhas_.clear();
  ordem_.clear();
  posicao_ = 0;
  eof_ = bof_ = true;
  if (estava) Avisar(TAvisoConjunto::Estrutura, 0);
}

size_t TConjuntoLinhas::IndiceCampo(std::string_view nome) const {
  for (size_t i = 0; i < campos_.size(); ++i)
    if (plataforma::IguaisSemCaixa(campos_[i], nome)) return i;
  throw EErroBanco("Campo '" + std::string(nome) + W("' não encontrado"));
}

bool TConjuntoLinhas::TemCampo(std::string_view nome) const {
  for (const auto& c : campos_)
    if (plataforma::IguaisSemCaixa(c, nome)) return true;
  return false;
}

void TConjuntoLinhas::ExigirAberta() const {
  if (!aberta_) throw EErroBanco("Conjunto de linhas fechado");
}

void TConjuntoLinhas::ExigirLinha() const {
  ExigirAberta();
  if (ordem_.empty()) throw EErroBanco("Conjunto de linhas vazio");
}

void TConjuntoLinhas::GravarSePendente() {
  if (editando_) Gravar();
}

void TConjuntoLinhas::MoverPara(size_t posicao) {
  GravarSePendente();
  bool mudou = posicao != posicao_;
  posicao_ = posicao;
  if (mudou) Avisar(TAvisoConjunto::Cursor, posicao_);
}

void TConjuntoLinhas::Primeiro() {
  if (!aberta_) return;
  MoverPara(0);
  eof_ = ordem_.empty();
  bof_ = true;
}

void TConjuntoLinhas::Proximo() {
  if (!aberta_ || ordem_.empty()) return;
  if (posicao_ + 1 < ordem_.size()) {
    MoverPara(posicao_ + 1);
    eof_ = bof_ = false;
  } else {
    GravarSePendente();
    eof_ = true;
  }
}

void TConjuntoLinhas::Anterior() {
  if (!aberta_ || ordem_.empty()) return;
  if (posicao_ > 0) {
    MoverPara(posicao_ - 1);
    eof_ = bof_ = false;
  } else {
    GravarSePendente();
    bof_ = true;
  }
}

void TConjuntoLinhas::IrPara(size_t posicao) {
  if (!aberta_ || ordem_.empty()) return;
  MoverPara(std::min(posicao, ordem_.size() - 1));
  eof_ = bof_ = false;
}

const TValor& TConjuntoLinhas::Valor(size_t campo) const {
  ExigirLinha();
  if (editando_) return buffer_.at(campo);
  return linhas_[ordem_[posicao_]].at(campo);
}

const TValor& TConjuntoLinhas::ValorNa(size_t posicao, size_t campo) const {
  ExigirAberta();
  if (editando_ && posicao == posicao_) return buffer_.at(campo);
  return linhas_[ordem_.at(posicao)].at(campo);
}

std::string TConjuntoLinhas::ParaTexto(const TValor& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", *d);
    return buf;
  }
  if (const auto* t = std::get_if<plataforma::TDataHora>(&v)) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t->Ano, t->Mes, t->Dia, t->Hora, t->Minuto,
                  t->Segundo);
    return buf;
  }
  return "";
}

int64_t TConjuntoLinhas::ParaInteiro(const TValor& v, std::string_view coluna) { return ValorParaInteiro(v, coluna); }

void TConjuntoLinhas::Editar() {
  ExigirLinha();
  if (editando_) return;
  buffer_ = linhas_[ordem_[posicao_]];
  editando_ = true;
}

void TConjuntoLinhas::DefinirValor(std::string_view nome, TValor valor) {
  if (!editando_) throw EErroBanco(W("Conjunto de linhas não está em edição"));
  buffer_.at(IndiceCampo(nome)) = std::move(valor);
}

void TConjuntoLinhas::Gravar() {
  if (!editando_) return;
  linhas_[ordem_[posicao_]] = std::move(buffer_);
  buffer_.clear();
  editando_ = false;
  eof_ = bof_ = false;
  Avisar(TAvisoConjunto::Linha, posicao_);
  // A copy: the hook may detach itself while it runs.
  if (auto gancho = AposGravar) gancho(*this);
}

void TConjuntoLinhas::Cancelar() {
  if (!editando_) return;
  editando_ = false;
  buffer_.clear();
  Avisar(TAvisoConjunto::Linha, posicao_);
}

TConjuntoLinhas::TMarcador TConjuntoLinhas::Marcador() const {
  ExigirLinha();
  return ordem_[posicao_];
}

void TConjuntoLinhas::IrParaMarcador(TMarcador marcador) {
  ExigirAberta();
  auto it = std::find(ordem_.begin(), ordem_.end(), marcador);
  if (it == ordem_.end()) throw EErroBanco(W("Marcador inválido"));
  IrPara(static_cast<size_t>(it - ordem_.begin()));
}

void TConjuntoLinhas::Ordenar(std::string_view campo) {
  ExigirAberta();
  size_t c = IndiceCampo(campo);
  GravarSePendente();
  size_t atual = ordem_.empty() ? 0 : ordem_[posicao_];
  std::stable_sort(ordem_.begin(), ordem_.end(),
                   [&](size_t a, size_t b) { return CompararValores(linhas_[a][c], linhas_[b][c]) < 0; });
  if (!ordem_.empty()) posicao_ = static_cast<size_t>(std::find(ordem_.begin(), ordem_.end(), atual) - ordem_.begin());
  Avisar(TAvisoConjunto::Dados, 0);
  Avisar(TAvisoConjunto::Cursor, posicao_);
}

bool TConjuntoLinhas::Localizar(std::string_view campo, const TValor& valor) {
  ExigirAberta();
  size_t c = IndiceCampo(campo);
  for (size_t p = 0; p < ordem_.size(); ++p) {
    if (ValoresIguais(ValorNa(p, c), valor)) {
      IrPara(p);
      return true;
    }
  }
  return false;
}

bool TConjuntoLinhas::LocalizarInicio(std::string_view campo, std::string_view prefixo) {
  ExigirAberta();
  size_t c = IndiceCampo(campo);
  for (size_t p = 0; p < ordem_.size(); ++p) {
    std::string texto = ParaTexto(ValorNa(p, c));
    if (texto.size() >= prefixo.size() &&
        plataforma::IguaisSemCaixa(std::string_view(texto).substr(0, prefixo.size()), prefixo)) {
      IrPara(p);
      return true;
    }
  }
  return false;
}

void TConjuntoLinhas::HabilitarControles() {
  if (controlesDesabilitados_ == 0) return;
  if (--controlesDesabilitados_ == 0) {
    Avisar(TAvisoConjunto::Dados, 0);
    Avisar(TAvisoConjunto::Cursor, posicao_);
  }
}

int TConjuntoLinhas::Observar(TObservador observador) {
  int id = proximoObservador_++;
  observadores_.emplace_back(id, std::move(observador));
  return id;
}

void TConjuntoLinhas::DeixarDeObservar(int id) {
  std::erase_if(observadores_, [id](const auto& o) { return o.first == id; });
}

void TConjuntoLinhas::Avisar(TAvisoConjunto aviso, size_t posicao) {
  if (controlesDesabilitados_ > 0) return;
  auto copia = observadores_;
  for (auto& [id, obs] : copia) obs(aviso, posicao);
}

}  // namespace dbclient
