// sigrasw-screenshot: starts the operator program on an emulated printer
// linked as COM1, waits for the start-up connection and saves a picture of
// the main window, and one of the communication dialog beside it
// (OUT-komunikacja.png).
//   sigrasw-screenshot OUT.png [DEVICE_TYPE]
#include <stdlib.h>

#include <QElapsedTimer>
#include <QPixmap>
#include <QTranslator>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/app_exception.h"
#include "app/application_setup.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/startup.h"
#include "emulator/emulator.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: sigrasw-screenshot OUT.png [DEVICE_TYPE]\n", stderr);
    return 2;
  }
  char pattern[] = "/tmp/sigrasw-shot-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string ports = pattern;
  sigra::emu::Emulator printer(argc > 2 ? std::atoi(argv[2]) : 7);
  printer.LinkAsComPort(ports, 1);
  setenv("SIGRA_DOSDEVICES", ports.c_str(), 1);

  sigra::app::TApplication app(argc, argv);
  QTranslator polish;
  sigra::app::SetUpApplication(polish);
  sigra::app::InitMainWindowModule({QStringLiteral("COM1"), QStringLiteral("9600")});
  sigra::app::CreateForms();
  sigra::app::GlowneOkno->show();

  QElapsedTimer waited;
  waited.start();
  while (sigra::app::GlowneOkno->PanelText(0).isEmpty() && waited.elapsed() < 10000) {
    sigra::app::TApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  sigra::app::TApplication::processEvents();
  const QString out = QString::fromLocal8Bit(argv[1]);
  bool saved = sigra::app::GlowneOkno->grab().save(out);
  sigra::app::Komunikacja->show();
  sigra::app::TApplication::processEvents();
  QString dialogOut = out;
  dialogOut.insert(out.endsWith(QLatin1String(".png")) ? out.size() - 4 : out.size(),
                   QStringLiteral("-komunikacja"));
  saved = sigra::app::Komunikacja->grab().save(dialogOut) && saved;
  sigra::app::Komunikacja->hide();
  sigra::app::GlowneOkno->close();
  sigra::app::DestroyForms();
  std::filesystem::remove_all(ports);
  if (!saved) std::fprintf(stderr, "sigrasw-screenshot: cannot write the pictures\n");
  return saved ? 0 : 1;
}
