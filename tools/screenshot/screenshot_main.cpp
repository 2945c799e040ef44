// sigrasw-screenshot: starts the operator program on an emulated printer
// linked as COM1, waits for the start-up connection and saves a picture of
// the main window, and one of the communication dialog beside it
// (OUT-komunikacja.png). Then, on a screen, pictures of the screen with a
// dialog over the main window: the clock read (OUT-data-godzina.png), the
// clock shift (OUT-przestawianie.png), the clock initialisation before
// (OUT-ustaw-zegar-wpis.png) and in its progress view (OUT-ustaw-zegar.png),
// the report by dates (OUT-wg-dat.png), the customer display's picture read
// back (OUT-reklama-odczyt.png) and the advertising lines read from the
// printer (OUT-teksty-reklamowe.png), and the main window with the
// fiscalisation's progress bar (OUT-fiskalizacja.png); each dialog's place is
// printed beside the main window's. Then the user-data editor in its two layouts
// (OUT-dane-4.png, OUT-dane-6.png), the status window (OUT-bajty.png) and the
// display test with a picture and with the segment text (OUT-test.png,
// OUT-test-segmenty.png). Last, pictures of the dialogs the tax-rate and
// settings commands open, taken while the command runs: the rates read
// (OUT-odczyt-stawek.png), the rates editor (OUT-stawki.png) and, on a Luno,
// the device settings (OUT-ustawienia.png).
//   sigrasw-screenshot OUT.png [DEVICE_TYPE]
#include <stdlib.h>

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QDialog>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QTime>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/app_exception.h"
#include "app/application_setup.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/startup.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_bajty_statusu.h"
#include "app/dialogs/f_dane_uzytkownika.h"
#include "app/dialogs/f_data_godzina.h"
#include "app/dialogs/f_przestawianie.h"
#include "app/dialogs/f_raporty_okresowe_wg_dat.h"
#include "app/dialogs/f_reklama_odczyt.h"
#include "app/dialogs/f_teksty_reklamowe.h"
#include "app/dialogs/f_test_wyswietlacza.h"
#include "app/dialogs/f_ustaw_zegar.h"
#include "app/dialogs/f_ustawienia.h"
#include "app/dialogs/radio_group.h"
#include "app/dialogs/time_field.h"
#include "emulator/emulator.h"
#include "emulator/printer.h"

namespace {

// OUT.png with "-suffix" before the extension.
QString Beside(const QString& out, const QString& suffix) {
  QString name = out;
  name.insert(out.endsWith(QLatin1String(".png")) ? out.size() - 4 : out.size(),
              QStringLiteral("-") + suffix);
  return name;
}

void Settle(int ms) {
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < ms) sigra::app::TApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Shows `dialog` over the main window, saves the screen and reports where
// the dialog's centre lies from the main window's.
bool ShootOverMain(QDialog& dialog, const QString& file) {
  dialog.show();
  Settle(400);
  const QRect main = sigra::app::GlowneOkno->frameGeometry();
  const QRect placed = dialog.frameGeometry();
  std::printf("%s: dialog %dx%d at %d,%d; centre offset from the main window %d,%d\n",
              qPrintable(file), placed.width(), placed.height(), placed.x(), placed.y(),
              placed.center().x() - main.center().x(), placed.center().y() - main.center().y());
  const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(file);
  dialog.reject();
  return saved;
}

// Runs a menu command that shows `dialog` modally and saves the screen while
// it is up.
bool ShootCommand(QDialog& dialog, const std::function<void()>& command, const QString& file) {
  bool saved = false;
  QTimer::singleShot(600, [&] { saved = ShootOverMain(dialog, file); });
  command();
  return saved;
}

// A picture of 192 x 64 pixels with a frame and two lines of text, stored on
// the printer's customer display as the printer keeps it.
void StoreDisplayPicture(sigra::emu::Emulator& printer) {
  QImage picture(192, 64, QImage::Format_RGB32);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.setPen(Qt::black);
  painter.drawRect(1, 1, 189, 61);
  QFont font(QStringLiteral("Sans"));
  font.setPixelSize(20);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(0, 4, 192, 30), Qt::AlignCenter, QStringLiteral("Sklep Żółw"));
  font.setPixelSize(14);
  font.setBold(false);
  painter.setFont(font);
  painter.drawText(QRect(0, 34, 192, 26), Qt::AlignCenter, QStringLiteral("zaprasza codziennie"));
  painter.end();
  printer.WithPrinter([&](sigra::emu::Printer& p) {
    for (int r = 0; r < 64; ++r) {
      std::vector<uint8_t> block(26, 0);
      block[0] = static_cast<uint8_t>(r);
      for (int x = 0; x < 192; ++x) {
        if (qGray(picture.pixel(x, r)) < 128)
          block[1 + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      for (int b = 1; b <= 24; ++b) block[25] ^= block[b];
      p.Display().WriteRow(block);
    }
  });
}

// Advertising lines on the printer, in code page 852 as it keeps them.
void StoreAdvertisingLines(sigra::emu::Emulator& printer) {
  const std::string lines[] = {"          Sklep \xbd\xa2\x88w - ryby i owoce          ",
                               "Promocja: \xa9led\x9f w oleju -20%", "     Zapraszamy od 8 do 20"};
  printer.WithPrinter([&](sigra::emu::Printer& p) {
    for (uint8_t n = 0; n < 3; ++n) {
      std::vector<uint8_t> block(42, ' ');
      block[0] = n;
      std::copy(lines[n].begin(), lines[n].end(), block.begin() + 1);
      block[41] = 0;
      for (size_t i = 1; i <= 40; ++i) block[41] ^= block[i];
      p.Display().WriteLine(block);
    }
  });
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
  const bool saved = dialog.grab().save(Beside(out, QString::fromLatin1(suffix)));
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
  bool saved = SaveDialog(data, out, "dane-4");
  for (int n = 1; n <= 6; ++n) data.Edit(n)->setText(QString::fromUtf8(header[n - 1]));
  data.WidthChoice(5)->Item(1)->click();
  data.cbWys1->setChecked(true);
  UserDataDeviceType = 7;
  saved = SaveDialog(data, out, "dane-6") && saved;
  saved =
      SaveDialog(*fBajtyStatusu, out, "bajty", [] { return !fBajtyStatusu->Lines().isEmpty(); }) &&
      saved;
  fBajtyStatusu->tStatus->stop();
  TfTestWyswietlacza& test = *fTestWyswietlacza;
  test.HideImages();
  test.iTest1->show();
  test.Label1->setText(QStringLiteral("Test powinien wyświetlić poniższą bitmapę"));
  saved = SaveDialog(test, out, "test") && saved;
  test.HideImages();
  test.Label1->setText(QStringLiteral(
      "Test powinien spowodować zapalenie segmentów\nwyświetlacza jak pokazano niżej:            \n"
      "                                            \n             RAZEM                      "
      "              \n                                            \n               "
      "8.8.8.8.8.8.8.8.8.                     "));
  return SaveDialog(test, out, "test-segmenty") && saved;
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
  const QString dialogOut = Beside(out, QStringLiteral("komunikacja"));
  saved = sigra::app::Komunikacja->grab().save(dialogOut) && saved;
  sigra::app::Komunikacja->hide();

  if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
    using namespace sigra::app;
    saved = ShootOverMain(*fDataGodzina, Beside(out, QStringLiteral("data-godzina"))) && saved;
    saved = ShootOverMain(*fPrzestawianie, Beside(out, QStringLiteral("przestawianie"))) && saved;
    fUstawZegar->dtDate->setDate(QDate::currentDate());
    fUstawZegar->meZegar->setText(QTime::currentTime().toString(QStringLiteral("hh:mm")));
    saved = ShootOverMain(*fUstawZegar, Beside(out, QStringLiteral("ustaw-zegar-wpis"))) && saved;
    fUstawZegar->ShowProgressView(true);
    fUstawZegar->pbZegar->setValue(7);
    saved = ShootOverMain(*fUstawZegar, Beside(out, QStringLiteral("ustaw-zegar"))) && saved;
    fUstawZegar->ShowProgressView(false);
    fRaportyOkresoweWgDat->setWindowTitle(QStringLiteral("Raport skrócony według dat..."));
    saved = ShootOverMain(*fRaportyOkresoweWgDat, Beside(out, QStringLiteral("wg-dat"))) && saved;
    StoreDisplayPicture(printer);
    saved = ShootCommand(
                *fReklamaOdczyt, [] { GlowneOkno->Odczyt2Click(); },
                Beside(out, QStringLiteral("reklama-odczyt"))) &&
            saved;
    StoreAdvertisingLines(printer);
    saved = ShootCommand(
                *fTekstyReklamowe, [] { GlowneOkno->Liniereklamowe1Click(); },
                Beside(out, QStringLiteral("teksty-reklamowe"))) &&
            saved;
    // The fiscalisation's progress bar as a Luno's fourth progress byte leaves it.
    GlowneOkno->pbFiskal->setValue(4);
    GlowneOkno->pbFiskal->show();
    Settle(300);
    saved = GlowneOkno->grab().save(Beside(out, QStringLiteral("fiskalizacja"))) && saved;
    GlowneOkno->pbFiskal->hide();
  }
  saved = SaveMenuDialogs(out) && saved;
  sigra::app::TGlowneOkno* window = sigra::app::GlowneOkno;
  saved = GrabModal([window] { window->Odczyt1Click(); },
                    Beside(out, QStringLiteral("odczyt-stawek"))) &&
          saved;
  saved = GrabModal([window] { window->Zapis1Click(); }, Beside(out, QStringLiteral("stawki"))) &&
          saved;
  if (printer.DeviceType() == 7 || printer.DeviceType() == 8) {
    saved = GrabModal([] { sigra::app::fUstawienia->exec(); },
                      Beside(out, QStringLiteral("ustawienia"))) &&
            saved;
  }
  sigra::app::GlowneOkno->close();
  sigra::app::DestroyForms();
  std::filesystem::remove_all(ports);
  if (!saved) std::fprintf(stderr, "sigrasw-screenshot: cannot write the pictures\n");
  return saved ? 0 : 1;
}
