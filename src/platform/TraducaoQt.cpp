#include "platform/TraducaoQt.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace plataforma {

bool CarregarTraducaoQt(const QString& pasta) {
  // Month and day names of the calendar come from the default locale, not from the translation.
  // The regional settings of the register are read from the system locale and stay the user's.
  QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
  const QString dir = pasta.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : pasta;
  const QString nome = QStringLiteral("qtbase_pt_BR");
  // Owned by the application: the texts are looked up for as long as it runs.
  auto* tradutor = new QTranslator(QCoreApplication::instance());
  if (tradutor->load(nome, dir) && QCoreApplication::installTranslator(tradutor)) return true;
  delete tradutor;
  std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
               qPrintable(QString::fromUtf8("não foi possível carregar a tradução do Qt \"%1\"; "
                                            "os textos próprios do Qt ficam em inglês.")
                              .arg(QDir(dir).filePath(nome + ".qm"))));
  return false;
}

}  // namespace plataforma
