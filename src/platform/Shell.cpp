#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace plataforma {

void AbrirEndereco(const std::string& endereco) { QDesktopServices::openUrl(QUrl(QString::fromStdString(endereco))); }

}  // namespace plataforma
