// The application-wide handler of exceptions that escape an event handler.
#ifndef SIGRA_APP_APP_EXCEPTION_H
#define SIGRA_APP_APP_EXCEPTION_H

#include <QApplication>

namespace sigra::app {

// The application object: delivers every event through the installed
// exception handler.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Makes AppException the handler of exceptions that escape event handlers.
void InstallAppException();

// A wrong time typed into the clock dialogs' time field ("meZegar") is
// reported and the program goes on; any other exception is shown and ends the
// program. Returns whether the program goes on.
bool AppException(const QObject* sender, const QString& message);

}  // namespace sigra::app

#endif
