// main() of the window tests: one QApplication for the whole run (offscreen platform).
// A test program may supply the application object (e.g. the program's own class) by defining
// p7CriarAplicacaoTeste.
#include <QApplication>

#include <memory>

#include <gtest/gtest.h>

QApplication* p7CriarAplicacaoTeste(int& argc, char** argv) __attribute__((weak));

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  std::unique_ptr<QApplication> app(p7CriarAplicacaoTeste ? p7CriarAplicacaoTeste(argc, argv)
                                                          : new QApplication(argc, argv));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
