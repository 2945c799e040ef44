#include "app/application_setup.h"

#include <QLibraryInfo>
#include <QTranslator>

#include "app/app_exception.h"
#include "app/feedback.h"
#include "protocol/connection.h"

namespace sigra::app {

void SetUpApplication(QTranslator& polish) {
  TApplication::setApplicationName(QStringLiteral("SigraSW"));
  if (polish.load(QStringLiteral("qtbase_pl"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    TApplication::installTranslator(&polish);
  }
  sigra::ConnectionOpen = true;
  ConnectDriverFeedback();
}

}  // namespace sigra::app
