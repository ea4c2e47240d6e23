#include "viewer/NucleoVisualizador.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <stdexcept>

#include "platform/TextoQt.h"

namespace visualizador {

QString TextoUso() { return Q("Uso: visualizador <arquivo do relatório> 132 permissao_<texto>"); }

TResultadoArgumentos AnalisarArgumentos(const QStringList& argumentos) {
  TResultadoArgumentos r;
  auto erro = [&](const QString& motivo) {
    r.Erro = motivo + "\n\n" + TextoUso();
    return r;
  };
  if (argumentos.isEmpty() || argumentos[0].isEmpty()) return erro(Q("Falta o arquivo do relatório."));
  if (argumentos.size() < 2) return erro(Q("Falta a largura 132 depois do arquivo."));
  if (argumentos[1] != "132") return erro(Q("Argumento desconhecido: \"%1\" (esperada a largura 132).").arg(argumentos[1]));
  if (argumentos.size() < 3) return erro(Q("Falta o argumento permissao_<texto>."));
  static const QString prefixo = "permissao_";
  if (!argumentos[2].startsWith(prefixo))
    return erro(Q("Argumento desconhecido: \"%1\" (esperado permissao_<texto>).").arg(argumentos[2]));
  if (argumentos.size() > 3) return erro(Q("Argumento desconhecido: \"%1\".").arg(argumentos[3]));
  TArgumentos a;
  a.Arquivo = argumentos[0];
  a.Colunas = 132;
  a.Permissao = argumentos[2].mid(prefixo.size());
  r.Argumentos = a;
  return r;
}

QString DecodificarW1252(const std::string& bytes) { return ParaQString(bytes); }

namespace {

TPagina DividirLinhas(QStringView pedaco) {
  TPagina linhas;
  qsizetype inicio = 0;
  for (qsizetype i = 0; i < pedaco.size(); ++i) {
    if (pedaco[i] == u'\n') {
      qsizetype fim = i;
      if (fim > inicio && pedaco[fim - 1] == u'\r') --fim;
      linhas.append(pedaco.mid(inicio, fim - inicio).toString());
      inicio = i + 1;
    }
  }
  // Text after the last line end is a line of its own; a closing line end opens nothing.
  if (inicio < pedaco.size()) {
    QStringView resto = pedaco.mid(inicio);
    if (resto.endsWith(u'\r')) resto.chop(1);
    linhas.append(resto.toString());
  }
  return linhas;
}

}  // namespace

TDocumento DividirPaginas(const QString& texto) {
  TDocumento doc;
  QStringView v(texto);
  qsizetype inicio = 0;
  while (true) {
    qsizetype ff = v.indexOf(u'\f', inicio);
    if (ff < 0) {
      // Nothing after a final form feed: no empty page after it.
      if (inicio < v.size() || doc.Paginas.empty()) doc.Paginas.push_back(DividirLinhas(v.mid(inicio)));
      break;
    }
    doc.Paginas.push_back(DividirLinhas(v.mid(inicio, ff - inicio)));
    inicio = ff + 1;
  }
  for (const auto& p : doc.Paginas) {
    doc.LinhasMaximas = std::max<int>(doc.LinhasMaximas, p.size());
    for (const auto& l : p) doc.LarguraMaxima = std::max<int>(doc.LarguraMaxima, l.size());
  }
  return doc;
}

QString NormalizarCaminho(const QString& caminho) {
  if (QFileInfo::exists(caminho) || !caminho.contains('\\')) return caminho;
  QString barras = caminho;
  barras.replace('\\', '/');
  return QFileInfo::exists(barras) ? barras : caminho;
}

TDocumento LerDocumento(const QString& caminho) {
  QFile f(caminho);
  if (QFileInfo(caminho).isDir())
    throw std::runtime_error(DeQString(Q("O caminho \"%1\" é uma pasta, não um arquivo de relatório.").arg(caminho)));
  if (!f.open(QIODevice::ReadOnly)) {
    QString motivo = f.exists() ? Q("sem permissão de leitura ou arquivo bloqueado") : Q("o arquivo não existe");
    throw std::runtime_error(
        DeQString(Q("Não foi possível abrir o arquivo \"%1\": %2.").arg(caminho, motivo)));
  }
  QByteArray bytes = f.readAll();
  if (f.error() != QFileDevice::NoError)
    throw std::runtime_error(DeQString(Q("Não foi possível ler o arquivo \"%1\": %2.").arg(caminho, f.errorString())));
  return DividirPaginas(DecodificarW1252(std::string(bytes.constData(), static_cast<size_t>(bytes.size()))));
}

double EscalaParaCaber(int colunas, double avanco, int linhas, double alturaLinha, double largura, double altura) {
  double natural = std::max(1, colunas) * avanco;
  double escala = natural > 0 ? largura / natural : 1.0;
  if (altura > 0 && alturaLinha > 0) escala = std::min(escala, altura / (std::max(1, linhas) * alturaLinha));
  return std::max(escala, 1e-6);
}

std::optional<TPosicaoBusca> Procurar(const TDocumento& doc, const QString& texto,
                                      std::optional<TPosicaoBusca> depois) {
  if (texto.isEmpty() || doc.Paginas.empty()) return std::nullopt;
  const int nPaginas = static_cast<int>(doc.Paginas.size());
  TPosicaoBusca inicio = depois.value_or(TPosicaoBusca{0, 0, -1});
  if (depois) inicio.Coluna += 1;  // strictly after the last hit
  // One full round: from the start position to the end, then from the top back to it.
  for (int volta = 0; volta <= nPaginas; ++volta) {
    int p = (inicio.Pagina + volta) % nPaginas;
    const TPagina& pagina = doc.Paginas[p];
    for (int l = 0; l < pagina.size(); ++l) {
      int desde = 0;
      if (volta == 0) {
        if (l < inicio.Linha) continue;
        if (l == inicio.Linha) desde = std::max(0, inicio.Coluna);
      }
      qsizetype c = pagina[l].indexOf(texto, desde, Qt::CaseInsensitive);
      if (c >= 0) {
        if (volta == nPaginas && (l > inicio.Linha || (l == inicio.Linha && c >= inicio.Coluna))) return std::nullopt;
        return TPosicaoBusca{p, l, static_cast<int>(c)};
      }
    }
  }
  return std::nullopt;
}

}  // namespace visualizador
