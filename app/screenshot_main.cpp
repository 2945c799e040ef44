// sigrasw-screenshot: starts the operator program on an emulated printer
// linked as COM1, waits for the start-up connection and saves a picture of
// the main window, and one of the communication dialog beside it
// (OUT-komunikacja.png), and of the dialogs the tax-rate and settings
// commands open: the rates read (OUT-odczyt-stawek.png), the rates editor
// (OUT-stawki.png) and, on a Luno, the device settings (OUT-ustawienia.png).
//   sigrasw-screenshot OUT.png [DEVICE_TYPE]
#include <stdlib.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "app/app_exception.h"
#include "app/application_setup.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/startup.h"
#include "dialogs/f_ustawienia.h"
#include "emulator/emulator.h"

namespace {

// OUT.png with `suffix` before the extension.
QString Beside(const QString& out, const QString& suffix) {
  QString name = out;
  name.insert(out.endsWith(QLatin1String(".png")) ? out.size() - 4 : out.size(), suffix);
  return name;
}

// Runs `open`, which shows a modal dialog, and saves a picture of the dialog
// once it has had a moment to read the printer; then closes it.
bool GrabModal(const std::function<void()>& open, const QString& file) {
  bool saved = false;
  QElapsedTimer shown;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(sigra::app::TApplication::activeModalWidget());
    if (dialog == nullptr) return;
    if (!shown.isValid()) shown.start();
    if (shown.elapsed() < 500) return;
    saved = dialog->grab().save(file);
    dialog->reject();
    poll.stop();
  });
  poll.start();
  open();
  return saved;
}

}  // namespace

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
  sigra::app::TGlowneOkno* window = sigra::app::GlowneOkno;
  saved = GrabModal([window] { window->Odczyt1Click(); },
                    Beside(out, QStringLiteral("-odczyt-stawek"))) &&
          saved;
  saved = GrabModal([window] { window->Zapis1Click(); }, Beside(out, QStringLiteral("-stawki"))) &&
          saved;
  if (printer.DeviceType() == 7 || printer.DeviceType() == 8) {
    saved = GrabModal([] { sigra::app::fUstawienia->exec(); },
                      Beside(out, QStringLiteral("-ustawienia"))) &&
            saved;
  }
  sigra::app::GlowneOkno->close();
  sigra::app::DestroyForms();
  std::filesystem::remove_all(ports);
  if (!saved) std::fprintf(stderr, "sigrasw-screenshot: cannot write the pictures\n");
  return saved ? 0 : 1;
}
