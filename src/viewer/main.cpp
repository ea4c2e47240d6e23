// visualizador: the text viewer the tool starts on its report:
//   visualizador <file> 132 permissao_<text>
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <memory>

#include "platform/Mensagens.h"
#include "platform/TextoQt.h"
#include "platform/TraducaoQt.h"
#include "platform/Win1252.h"
#include "viewer/JanelaVisualizador.h"
#include "widgets/CaixasMensagemQt.h"

namespace {

int Falhar(const QString& texto, int codigo) {
  std::fprintf(stderr, "visualizador: %s\n", texto.toLocal8Bit().constData());
  QMessageBox::critical(nullptr, Q("Visualizador de relatório"), texto);
  return codigo;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("visualizador"));
  plataforma::CarregarTraducaoQt();
  // Errors of the viewer's actions go to the standard error box, under the viewer's own name.
  plataforma::DefinirTituloAplicacao(W("Visualizador de relatório"));
  plataforma::InstalarCaixasMensagem(std::make_shared<TCaixasMensagemQt>());
  // Qt's own options (-platform, ...) are gone from arguments() by now.
  auto analise = visualizador::AnalisarArgumentos(QApplication::arguments().mid(1));
  if (!analise.Argumentos) return Falhar(analise.Erro, 2);

  visualizador::TFVisualizador janela;
  if (!janela.Abrir(visualizador::NormalizarCaminho(analise.Argumentos->Arquivo)))
    return Falhar(janela.UltimoErro(), 1);
  janela.show();
  return QApplication::exec();
}
