// sigrasw: the operator program of the fiscal printers.
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

#include "app/app_exception.h"
#include "app/application_setup.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/startup.h"

namespace {

bool HasDisplay() {
#if defined(_WIN32)
  return true;
#endif
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList given;
  for (int i = 1; i < argc; ++i) given.append(QString::fromLocal8Bit(argv[i]));
  if (const QString information = sigra::app::CommandLineInformation(given);
      !information.isEmpty()) {
    std::fputs(information.toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (!HasDisplay()) {
    std::fputs(
        "sigrasw: brak ekranu (nie ustawiono DISPLAY ani WAYLAND_DISPLAY).\n"
        "Bez ekranu program można uruchomić w wirtualnym serwerze X:\n"
        "  xvfb-run -a sigrasw COM1 9600\n",
        stderr);
    return 1;
  }
  sigra::app::TApplication app(argc, argv);
  QTranslator polish;
  sigra::app::SetUpApplication(polish);
  QStringList arguments = sigra::app::TApplication::arguments();
  arguments.removeFirst();
  sigra::app::InitMainWindowModule(arguments);

  sigra::app::CreateForms();
  sigra::app::GlowneOkno->show();
  const int result = sigra::app::TApplication::exec();
  // Still open when an exception ended the program.
  if (sigra::app::GlowneOkno->isVisible()) sigra::app::GlowneOkno->close();
  sigra::app::DestroyForms();
  return result;
}
