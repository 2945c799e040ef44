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
//
// With --guide, it saves instead the pictures of the user guide into DIR: the
// main window, each menu of its bar opened (and the submenus), the dialogs
// the menu entries open, read from a printer in fiscal mode with three
// receipts sold, and the message boxes an operator meets most often.
//   sigrasw-screenshot --guide DIR [DEVICE_TYPE]
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
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTime>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/app_exception.h"
#include "app/application_setup.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/message_box.h"
#include "app/startup.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_bajty_statusu.h"
#include "app/dialogs/f_dane_uzytkownika.h"
#include "app/dialogs/f_data_euro_przeglad.h"
#include "app/dialogs/f_data_godzina.h"
#include "app/dialogs/f_ilosc_wierszy.h"
#include "app/dialogs/f_numer_kasy.h"
#include "app/dialogs/f_numer_unikatowy.h"
#include "app/dialogs/f_odczyt_stawek.h"
#include "app/dialogs/f_okresowe_miesieczne.h"
#include "app/dialogs/f_okresowe_wg_numerow.h"
#include "app/dialogs/f_przestawianie.h"
#include "app/dialogs/f_raporty_okresowe_wg_dat.h"
#include "app/dialogs/f_reklama_odczyt.h"
#include "app/dialogs/f_stawki_podatkowe.h"
#include "app/dialogs/f_teksty_reklamowe.h"
#include "app/dialogs/f_test_wyswietlacza.h"
#include "app/dialogs/f_ustaw_zegar.h"
#include "app/dialogs/f_ustawienia.h"
#include "app/dialogs/radio_group.h"
#include "app/dialogs/time_field.h"
#include "emulator/emulator.h"
#include "emulator/printer.h"
#include "emulator/start_state.h"

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


// The pictures of the user guide.
class GuidePictures {
 public:
  explicit GuidePictures(const QString& dir) : dir_(dir) {}

  bool saved() const { return saved_; }

  QString File(const char* name) const {
    return dir_ + QStringLiteral("/") + QString::fromLatin1(name) + QStringLiteral(".png");
  }

  void Save(const QImage& picture, const char* name) {
    const bool ok = picture.save(File(name));
    if (!ok) std::fprintf(stderr, "sigrasw-screenshot: cannot write %s\n", qPrintable(File(name)));
    saved_ = ok && saved_;
  }

  // The main window with the menu `path` opened from its bar: the first name
  // is the menu of the bar, each further one a submenu of the one before it.
  // The picture is the part of the screen the window and the menus cover.
  void Menu(std::initializer_list<const char*> path, const char* name) {
    using sigra::app::GlowneOkno;
    QMenuBar* bar = GlowneOkno->menuBar();
    std::vector<QMenu*> opened;
    std::vector<QRect> parts = {GlowneOkno->frameGeometry()};
    QRect area = parts.front();
    for (const char* menuName : path) {
      QMenu* menu = GlowneOkno->findChild<QMenu*>(QString::fromLatin1(menuName));
      if (menu == nullptr) {
        std::fprintf(stderr, "sigrasw-screenshot: no menu %s\n", menuName);
        saved_ = false;
        break;
      }
      if (opened.empty()) {
        bar->setActiveAction(menu->menuAction());
      } else {
        opened.back()->setActiveAction(menu->menuAction());
      }
      Settle(400);
      if (!menu->isVisible() && !opened.empty()) {
        QMenu* parent = opened.back();
        menu->popup(parent->pos() + parent->actionGeometry(menu->menuAction()).topRight());
        Settle(200);
      }
      opened.push_back(menu);
      parts.push_back(menu->geometry());
      area = area.united(menu->geometry());
    }
    // Only the window and the menus: the bare screen around a submenu that
    // reaches past the window stays transparent.
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    area = area.intersected(screen.rect());
    QImage picture(area.size(), QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    for (const QRect& part : parts) {
      painter.drawPixmap(part.topLeft() - area.topLeft(), screen.copy(part));
    }
    painter.end();
    Save(picture, name);
    for (auto menu = opened.rbegin(); menu != opened.rend(); ++menu) (*menu)->hide();
    bar->setActiveAction(nullptr);
    Settle(200);
  }

  // Runs `open`, which shows modal windows, and saves a picture of the first
  // one that is `target` (of any when it is null), after `prepare` has filled
  // it. Every other modal window, before and after, is closed as if the
  // operator had pressed Esc, so that the command ends without acting.
  void Modal(const std::function<void()>& open, QWidget* target, const char* name,
             const std::function<void(QDialog&)>& prepare = [](QDialog&) {}) {
    bool taken = false;
    QDialog* seen = nullptr;
    QElapsedTimer shown;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QDialog*>(sigra::app::TApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible()) return;
      if (dialog != seen) {
        seen = dialog;
        shown.start();
      }
      const bool wanted = !taken && (target == nullptr || dialog == target);
      if (shown.elapsed() < (wanted ? 700 : 150)) return;
      if (wanted) {
        prepare(*dialog);
        Settle(100);
        Save(dialog->grab().toImage(), name);
        taken = true;
      }
      seen = nullptr;
      dialog->reject();
    });
    poll.start();
    open();
    poll.stop();
    if (!taken) {
      std::fprintf(stderr, "sigrasw-screenshot: %s was not shown\n", name);
      saved_ = false;
    }
  }

  // A message box as the program shows it.
  void Message(const QString& text, const QString& caption, uint32_t flags, const char* name) {
    std::unique_ptr<QMessageBox> box = sigra::app::BuildMessageBox(text, caption, flags);
    box->show();
    Settle(300);
    Save(box->grab().toImage(), name);
    box->hide();
  }

 private:
  QString dir_;
  bool saved_ = true;
};

bool SaveGuidePictures(const QString& dir, sigra::emu::Emulator& printer) {
  using namespace sigra::app;
  std::filesystem::create_directories(dir.toStdString());
  GuidePictures shots(dir);
  TGlowneOkno* window = GlowneOkno;
  Settle(300);
  shots.Save(window->grab().toImage(), "okno-glowne");
  shots.Modal([window] { window->Parametry1Click(); }, Komunikacja, "komunikacja");

  shots.Menu({"Raporty1"}, "menu-raporty");
  shots.Menu({"Raporty1", "Okresowyskrcony1"}, "menu-raporty-okresowy");
  shots.Menu({"Testy1"}, "menu-testy");
  shots.Menu({"Zegar1"}, "menu-zegar");
  shots.Menu({"Podatki1"}, "menu-podatki");
  shots.Menu({"Ustawienia1"}, "menu-ustawienia");
  shots.Menu({"Ustawienia1", "Nowadrukarka1", "Danenawy1"}, "menu-ustawienia-luno");
  shots.Menu({"Serwis1", "Trybfiskalny1"}, "menu-serwis");
  shots.Menu({"Komunikacja1"}, "menu-komunikacja");

  // Reports.
  shots.Modal([window] { window->Fiskalnydobowy1Click(); }, nullptr, "raport-dobowy-pytanie");
  shots.Modal([window] { window->Miesiczny1Click(); }, fOkresoweMiesieczne, "raport-miesieczny");
  shots.Modal([window] { window->Wedugdat1Click(); }, fRaportyOkresoweWgDat, "raport-wg-dat");
  shots.Modal([window] { window->Wedugnumerw2Click(); }, fOkresoweWgNumerow,
              "raport-wg-numerow");
  // Tests.
  shots.Modal([window] { window->Standrukarki1Click(); }, nullptr, "test-stan-drukarki");
  shots.Modal([window] { window->Bajtystatusu1Click(); }, fBajtyStatusu, "test-bajty-statusu");
  shots.Modal([window] { window->Wy1Click(); }, fTestWyswietlacza, "test-wyswietlacz");
  shots.Modal([window] { window->PamicEPROM1Click(); }, nullptr, "test-pamiec");
  shots.Modal([window] { window->Numerunikatowy1Click(); }, fNumerUnikatowy, "numer-unikatowy");
  // Clock.
  shots.Modal([window] { window->Odczytzegara1Click(); }, fDataGodzina, "zegar-odczyt");
  shots.Modal([window] { window->Przestawianiezegara1Click(); }, fPrzestawianie,
              "zegar-przestawianie");
  shots.Modal(
      [] {
        fUstawZegar->dtDate->setDate(QDate::currentDate());
        fUstawZegar->meZegar->setText(QTime::currentTime().toString(QStringLiteral("hh:mm")));
        fUstawZegar->exec();
      },
      fUstawZegar, "zegar-inicjowanie");
  // Tax rates.
  shots.Modal([window] { window->Odczyt1Click(); }, fOdczytStawek, "stawki-odczyt");
  shots.Modal([window] { window->Zapis1Click(); }, fStawkiPodatkowe, "stawki-zapis");
  // Settings.
  shots.Modal([window] { window->Nrkasyikodobsugujcego1Click(); }, fNumerKasy, "numer-kasy");
  shots.Modal(
      [] {
        fIloscWierszy->seIloscWierszy->setMinimum(3);
        fIloscWierszy->seIloscWierszy->setValue(3);
        fIloscWierszy->exec();
      },
      fIloscWierszy, "ilosc-wierszy");
  shots.Modal([window] { window->Ustawienia2Click(); }, fUstawienia, "ustawienia-luno");
  shots.Modal([window] { window->Datawprowadzeniaeuro1Click(); }, fDataEuroPrzeglad,
              "data-euro");
  StoreAdvertisingLines(printer);
  shots.Modal([window] { window->Liniereklamowe1Click(); }, fTekstyReklamowe,
              "linie-reklamowe");
  StoreDisplayPicture(printer);
  shots.Modal([window] { window->Odczyt2Click(); }, fReklamaOdczyt, "wyswietlacz-odczyt");
  // Service.
  shots.Modal([window] { window->Odczytuytkownika1Click(); }, fDaneUzytkownika,
              "dane-uzytkownika", [](QDialog&) {
                const char* header[6] = {"Sklep Spożywczy „Łania”", "ul. Źródlana 12",
                                         "00-950 Warszawa",         "tel. 22 555 01 02",
                                         "czynne 8-20",             "NIP 123-456-32-18"};
                for (int n = 1; n <= 6; ++n) {
                  fDaneUzytkownika->Edit(n)->setText(QString::fromUtf8(header[n - 1]));
                }
              });
  shots.Modal([window] { window->Oprogramie1Click(); }, AboutBox, "o-programie");

  // Messages.
  shots.Message(ResultCodeText(20), QStringLiteral("Błąd"), kErrorStyle, "blad-timeout");
  shots.Message(PortOpenFailureText(2, 3), QStringLiteral("Błąd"), kErrorStyle, "blad-brak-portu");
  shots.Message(QString::fromUtf8(kNotFiscalPrinter), QStringLiteral("Błąd"), kErrorStyle,
                "blad-nie-fiskalna");
  return shots.saved();
}

}  // namespace

int main(int argc, char** argv) {
  const bool guide = argc > 1 && std::string(argv[1]) == "--guide";
  const int first = guide ? 2 : 1;
  if (argc <= first) {
    std::fputs(
        "usage: sigrasw-screenshot OUT.png [DEVICE_TYPE]\n"
        "       sigrasw-screenshot --guide DIR [DEVICE_TYPE]\n",
        stderr);
    return 2;
  }
  char pattern[] = "/tmp/sigrasw-shot-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string ports = pattern;
  sigra::emu::Emulator printer(argc > first + 1 ? std::atoi(argv[first + 1]) : 7);
  if (guide) {
    // A printer at work in a shop: fiscal mode, receipts sold since the last
    // daily report.
    sigra::emu::StartState state;
    state.fiscalMode = true;
    state.receiptsSold = 3;
    sigra::emu::ApplyStartState(printer, state);
  }
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
  if (guide) {
    const bool pictures = SaveGuidePictures(QString::fromLocal8Bit(argv[2]), printer);
    sigra::app::GlowneOkno->close();
    sigra::app::DestroyForms();
    std::filesystem::remove_all(ports);
    return pictures ? 0 : 1;
  }
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
