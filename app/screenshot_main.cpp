// sigrasw-screenshot: starts the operator program on an emulated printer
// linked as COM1, waits for the start-up connection and saves a picture of
// the main window, and one of the communication dialog beside it
// (OUT-komunikacja.png), the user-data editor in its two layouts
// (OUT-dane-4.png, OUT-dane-6.png), the status window (OUT-bajty.png) and the
// display test with a picture and with the segment text (OUT-test.png,
// OUT-test-segmenty.png).
//   sigrasw-screenshot OUT.png [DEVICE_TYPE]
#include <stdlib.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
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
#include "dialogs/dialog_state.h"
#include "dialogs/f_bajty_statusu.h"
#include "dialogs/f_dane_uzytkownika.h"
#include "dialogs/f_test_wyswietlacza.h"
#include "dialogs/radio_group.h"
#include "emulator/emulator.h"

namespace {

// OUT.png with `suffix` before the extension.
QString PicturePath(const QString& out, const char* suffix) {
  QString path = out;
  path.insert(out.endsWith(QLatin1String(".png")) ? out.size() - 4 : out.size(),
              QString::fromLatin1(suffix));
  return path;
}

// Shows `dialog` without a modal loop, waits until `ready` holds and saves its
// picture.
bool SaveDialog(
    QWidget& dialog, const QString& out, const char* suffix,
    const std::function<bool()>& ready = [] { return true; }) {
  dialog.show();
  QElapsedTimer waited;
  waited.start();
  do {
    sigra::app::TApplication::processEvents(QEventLoop::AllEvents, 20);
  } while (!ready() && waited.elapsed() < 5000);
  const bool saved = dialog.grab().save(PicturePath(out, suffix));
  dialog.hide();
  return saved;
}

// The dialogs of the test and service menus, filled as the operator sees them.
bool SaveMenuDialogs(const QString& out) {
  using namespace sigra::app;
  TfDaneUzytkownika& data = *fDaneUzytkownika;
  const char* header[6] = {"Sklep Spożywczy „Łania”", "ul. Źródlana 12",   "00-950 Warszawa",
                           "NIP 123-456-32-18",       "tel. 22 555 01 02", "NIP 123-456-32-18"};
  for (int n = 1; n <= 6; ++n) data.Edit(n)->setText(QString::fromUtf8(header[n - 1]));
  UserDataDeviceType = 3;
  bool saved = SaveDialog(data, out, "-dane-4");
  for (int n = 1; n <= 6; ++n) data.Edit(n)->setText(QString::fromUtf8(header[n - 1]));
  data.WidthChoice(5)->Item(1)->click();
  data.cbWys1->setChecked(true);
  UserDataDeviceType = 7;
  saved = SaveDialog(data, out, "-dane-6") && saved;
  saved =
      SaveDialog(*fBajtyStatusu, out, "-bajty", [] { return !fBajtyStatusu->Lines().isEmpty(); }) &&
      saved;
  fBajtyStatusu->tStatus->stop();
  TfTestWyswietlacza& test = *fTestWyswietlacza;
  test.HideImages();
  test.iTest1->show();
  test.Label1->setText(QStringLiteral("Test powinien wyświetlić poniższą bitmapę"));
  saved = SaveDialog(test, out, "-test") && saved;
  test.HideImages();
  test.Label1->setText(QStringLiteral(
      "Test powinien spowodować zapalenie segmentów\nwyświetlacza jak pokazano niżej:            \n"
      "                                            \n             RAZEM                      "
      "              \n                                            \n               "
      "8.8.8.8.8.8.8.8.8.                     "));
  return SaveDialog(test, out, "-test-segmenty") && saved;
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
  saved = sigra::app::Komunikacja->grab().save(PicturePath(out, "-komunikacja")) && saved;
  sigra::app::Komunikacja->hide();
  saved = SaveMenuDialogs(out) && saved;
  sigra::app::GlowneOkno->close();
  sigra::app::DestroyForms();
  std::filesystem::remove_all(ports);
  if (!saved) std::fprintf(stderr, "sigrasw-screenshot: cannot write the pictures\n");
  return saved ? 0 : 1;
}
