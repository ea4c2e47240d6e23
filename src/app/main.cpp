// Inventário Modelo P7: one window that produces the P7 inventory register of the branch.
#include <memory>

#include "app/AplicacaoP7.h"
#include "widgets/CaixasMensagemQt.h"
#include "app/UMain.h"
#include "platform/Mensagens.h"
#include "platform/Regional.h"
#include "platform/TextoQt.h"
#include "platform/RegionalQt.h"
#include "platform/TraducaoQt.h"

int main(int argc, char** argv) {
  TAplicacaoP7 app(argc, argv);
  QApplication::setApplicationName(ParaQString(plataforma::TituloAplicacao()));
  plataforma::CarregarTraducaoQt();
  plataforma::DefinirFormatSettings(plataforma::FormatSettingsDoLocale());
  plataforma::InstalarCaixasMensagem(std::make_shared<TCaixasMensagemQt>());

  TFMain FMain;
  FMain.show();
  return app.exec();
}
