// Qt's own texts in Portuguese, and a quiet, named fallback when the translation is missing.
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>

#include <gtest/gtest.h>

#include "platform/TraducaoQt.h"
#include "tests/support/SuporteTestes.h"

namespace {

QCoreApplication& Aplicacao() {
  static int argc = 1;
  static char nome[] = "platform_unit";
  static char* argv[] = {nome, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

}  // namespace

TEST(TraducaoQt, BotoesDoQtEmPortuguesEArquivoAusenteSoNoErroPadrao) {
  Aplicacao();
  suporte::TPastaTemporaria vazia;
  const QString pasta = QString::fromStdString(vazia.Caminho().string());
  testing::internal::CaptureStderr();
  EXPECT_FALSE(plataforma::CarregarTraducaoQt(pasta));
  const std::string erro = testing::internal::GetCapturedStderr();
  EXPECT_NE(erro.find((pasta + "/qtbase_pt_BR.qm").toStdString()), std::string::npos) << erro;
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");  // still works, in English
  EXPECT_EQ(QLocale().monthName(3), QString::fromUtf8("março"));             // the calendar's names

  // Debian's qt6-translations-l10n (scripts/setup-deps) puts it in Qt's translations folder.
  ASSERT_TRUE(QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_pt_BR.qm"))
      << "qt6-translations-l10n is not installed (scripts/setup-deps)";
  EXPECT_TRUE(plataforma::CarregarTraducaoQt());
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Sim");
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancelar");
}
