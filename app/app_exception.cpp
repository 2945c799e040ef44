#include "app/app_exception.h"

#include <exception>

#include "app/feedback.h"
#include "app/message_box.h"

namespace sigra::app {
namespace {

bool g_installed = false;

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  if (!g_installed) return QApplication::notify(receiver, event);
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    AppException(receiver, QString::fromUtf8(error.what()));
    return false;
  }
}

void InstallAppException() {
  g_installed = true;
}

bool AppException(const QObject* sender, const QString& message) {
  if (sender && sender->objectName() == QLatin1String("meZegar")) {
    ShowError(QStringLiteral("Godzina została wprowadzona nieprawidłowo."));
    return true;
  }
  QString text = message;
  if (!text.isEmpty() && !text.endsWith(QChar('.'))) text += QChar('.');
  ShowMessage(text, QCoreApplication::applicationName(), kErrorStyle);
  QCoreApplication::exit(1);
  return false;
}

}  // namespace sigra::app
