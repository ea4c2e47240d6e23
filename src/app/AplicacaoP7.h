#pragma once
// The application object: no exception may cross the event loop, so whatever escapes an event
// handler is shown in the standard error box and the program goes on with the next event.
#include <QApplication>

class TAplicacaoP7 : public QApplication {
 public:
  TAplicacaoP7(int& argc, char** argv);
  bool notify(QObject* receptor, QEvent* evento) override;
};
