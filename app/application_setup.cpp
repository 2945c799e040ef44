#include "app/application_setup.h"

#include <QLibraryInfo>
#include <QTranslator>

#include "app/app_exception.h"
#include "app/feedback.h"
#include "protocol/connection.h"

namespace sigra::app {

void SetUpApplication(QTranslator& polish) {
  TApplication::setApplicationName(QStringLiteral("SigraSW"));
  // The Windows program carries Qt's Polish texts inside; elsewhere they are
  // where Qt is installed.
  if (polish.load(QStringLiteral("qtbase_pl"), QStringLiteral(":/translations")) ||
      polish.load(QStringLiteral("qtbase_pl"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    TApplication::installTranslator(&polish);
  }
  sigra::ConnectionOpen = true;
  ConnectDriverFeedback();
}

}  // namespace sigra::app
