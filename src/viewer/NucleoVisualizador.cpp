#include "viewer/NucleoVisualizador.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
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
  if (argumentos[1] != "132")
    return erro(Q("Argumento desconhecido: \"%1\" (esperada a largura 132).").arg(argumentos[1]));
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

namespace {

// A register holds printable Windows-1252, CR LF and form feeds. A NUL byte never occurs in text;
// a stray control (a printer escape, say) may, so only a share of them marks a binary file, which
// would otherwise become thousands of blank sheets.
bool PareceTexto(const QByteArray& bytes) {
  qsizetype estranhos = 0;
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (b == 0) return false;
    const bool controle = b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f';
    if (controle || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) ++estranhos;
  }
  return estranhos * 20 <= bytes.size();  // up to 5 %
}

int Algarismos(int n) { return static_cast<int>(QString::number(std::max(n, 0)).size()); }

}  // namespace

QString TextoFolha(const TDocumento& doc, int pagina) {
  const int n = static_cast<int>(doc.Paginas.size());
  if (n == 0 || pagina < 0 || pagina >= n) return Q("Folha 0 de 0");
  if (auto folha = FolhaDaPagina(doc.Paginas[pagina]))
    return Q("Folha %1 (%2 de %3)").arg(*folha).arg(pagina + 1).arg(n);
  return Q("Folha %1 de %2").arg(pagina + 1).arg(n);
}

QString TextoFolhaMaisLongo(const TDocumento& doc) {
  const int n = static_cast<int>(doc.Paginas.size());
  int maiorFolha = -1;
  for (const TPagina& p : doc.Paginas)
    if (auto folha = FolhaDaPagina(p)) maiorFolha = std::max(maiorFolha, *folha);
  const QString total(Algarismos(n), u'0');
  if (maiorFolha < 0) return Q("Folha %1 de %1").arg(total);
  return Q("Folha %1 (%2 de %2)").arg(QString(Algarismos(maiorFolha), u'0'), total);
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
    throw std::runtime_error(DeQString(Q("Não foi possível abrir o arquivo \"%1\": %2.").arg(caminho, motivo)));
  }
  QByteArray bytes = f.readAll();
  if (f.error() != QFileDevice::NoError)
    throw std::runtime_error(DeQString(Q("Não foi possível ler o arquivo \"%1\": %2.").arg(caminho, f.errorString())));
  if (bytes.isEmpty())
    throw std::runtime_error(DeQString(Q("O arquivo \"%1\" está vazio: não há folhas para mostrar.").arg(caminho)));
  if (!PareceTexto(bytes))
    throw std::runtime_error(DeQString(
        Q("O arquivo \"%1\" não parece um relatório de texto: contém bytes que um texto Windows-1252 não tem.")
            .arg(caminho)));
  return DividirPaginas(DecodificarW1252(std::string(bytes.constData(), static_cast<size_t>(bytes.size()))));
}

TGeometriaPagina GeometriaPagina(TModoZoom modo, double zoom, int larguraVista, int alturaVista, int margem,
                                 int colunas, double avanco, int linhas, double alturaLinha) {
  TGeometriaPagina g;
  linhas = std::max(linhas, 1);
  if (modo == TModoZoom::Pagina) {
    // Exactly the view: nothing to scroll, the page centred across when its height binds.
    g.Largura = std::max(100, larguraVista);
    g.Altura = std::max(100, alturaVista);
    g.Escala = EscalaParaCaber(colunas, avanco, linhas, alturaLinha, g.Largura - 2 * margem, g.Altura - 2 * margem);
    return g;
  }
  const double fator = modo == TModoZoom::Largura ? 1.0 : zoom;
  g.Largura = std::max(100, static_cast<int>(larguraVista * fator));
  g.Escala = EscalaParaCaber(colunas, avanco, 0, 0, g.Largura - 2 * margem, 0);
  g.Altura = static_cast<int>(std::ceil(linhas * alturaLinha * g.Escala)) + 2 * margem;
  return g;
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
