// The GUI tests share one application object, with the Polish translation of
// Qt's own texts that the program loads.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QLibraryInfo>
#include <QTranslator>

#include "app/app_exception.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const char* platform = getenv("QT_QPA_PLATFORM");
  if (platform == nullptr || *platform == '\0') setenv("QT_QPA_PLATFORM", "offscreen", 1);
  sigra::app::TApplication app(argc, argv);
  sigra::app::TApplication::setApplicationName(QStringLiteral("SigraSW"));
  QTranslator polish;
  if (!polish.load(QStringLiteral("qtbase_pl"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return 2;
  }
  sigra::app::TApplication::installTranslator(&polish);
  return RUN_ALL_TESTS();
}
