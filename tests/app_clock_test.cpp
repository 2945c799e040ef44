// The clock dialogs and the clock menu against an emulated printer: the time
// field, reading the clock live, shifting it and initialising it after an
// erased clock memory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QFocusEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>

#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/startup.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_data_godzina.h"
#include "app/dialogs/f_przestawianie.h"
#include "app/dialogs/f_ustaw_zegar.h"
#include "app/dialogs/time_entry.h"
#include "app/dialogs/time_field.h"
#include "tests/app_fixture.h"

namespace sigra::testing {
namespace {

using namespace std::chrono_literals;
using app::GlowneOkno;

const QString kShortCmos = QStringLiteral("Skasowana pamięć CMOS. Wejdź do inicjowania zegara.");
constexpr uint8_t kShift = 54;

// Runs `action` once `dialog` has become the active modal widget (an outer
// dialog may still be in front for a while), then closes it if still open.
class WhenShown {
 public:
  WhenShown(QDialog* dialog, std::function<void()> action) {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, [this, dialog, action = std::move(action)] {
      if (QApplication::activeModalWidget() != dialog) return;
      poll_.stop();
      handled_ = true;
      action();
      if (dialog->isVisible()) dialog->reject();
    });
    poll_.start();
  }
  bool handled() const { return handled_; }

 private:
  QTimer poll_;
  bool handled_ = false;
};

// Types `keys` into a time field from its first place.
QString Typed(const char* keys, const char* start = "00:00") {
  app::TTimeField field(nullptr);
  field.setText(QString::fromLatin1(start));
  field.setCursorPosition(0);
  QTest::keyClicks(&field, QString::fromLatin1(keys));
  return field.displayText();
}

TEST(TimeField, HoursAboveTwentyThreeCannotBeTyped) {
  for (const char* hour : {"24", "25", "26", "27", "28", "29"}) {
    EXPECT_EQ(Typed(hour), QStringLiteral("20:00")) << hour;
  }
  EXPECT_EQ(Typed("2359"), QStringLiteral("23:59"));
  EXPECT_EQ(Typed("1959"), QStringLiteral("19:59"));
  // Neither a first hour digit above 2 nor a first minute digit above 5.
  EXPECT_EQ(Typed("3"), QStringLiteral("00:00"));
  EXPECT_EQ(Typed("1260"), QStringLiteral("12:00"));
}

TEST(TimeField, TwoBeforeASecondDigitAboveThreeBlanksIt) {
  EXPECT_EQ(Typed("2", "15:30"), QStringLiteral("2_:30"));
  EXPECT_EQ(Typed("2", "13:30"), QStringLiteral("23:30"));
  EXPECT_EQ(Typed("1", "15:30"), QStringLiteral("15:30"));
}

TEST(TimeEntry, ParsesOnlyCompleteRealTimes) {
  const std::optional<app::ClockTime> time = app::ParseTime(QStringLiteral("07:45"));
  ASSERT_TRUE(time);
  EXPECT_EQ(time->hour, 7);
  EXPECT_EQ(time->minute, 45);
  EXPECT_TRUE(app::ParseTime(QStringLiteral("14:05:09")));
  for (const char* bad : {"2_:30", "_9:30", "12:3_", "24:00", "12:60", "", "+1:00"}) {
    EXPECT_FALSE(app::ParseTime(QString::fromLatin1(bad))) << bad;
  }
}

TEST(TimeEntry, DifferenceDoesNotWrapAtMidnight) {
  EXPECT_EQ(app::MinutesBetween({23, 50}, {0, 10}), -1420);
  EXPECT_EQ(app::MinutesBetween({14, 5}, {15, 5}), 60);
  EXPECT_EQ(app::MinutesBetween({14, 5}, {13, 50}), -15);
}

class ClockTest : public AppTest {
 protected:
  emu::Emulator& Connect(int type) {
    emu::Emulator& printer = StartPrinter(type, 3);
    StartUp({"COM3", "9600"});
    EXPECT_TRUE(boxes.shown.empty());
    boxes.shown.clear();
    printer.ClearRecord();
    return printer;
  }

  void SetPrinterTime(int hour, int minute) {
    Printer().WithPrinter([=](emu::Printer& p) {
      using namespace std::chrono;
      p.Clock().Set(sys_days(2024y / May / 17) + hours(hour) + minutes(minute));
    });
  }

  // Opens the shift dialog from the menu, enters `time` and confirms; the
  // clock dialog that may follow is closed once it has shown the clock.
  void ShiftTo(const char* time) {
    ModalHandler shift([&](QWidget* w) {
      ASSERT_EQ(w, app::fPrzestawianie);
      app::fPrzestawianie->meZegar->setText(QString::fromLatin1(time));
      WhenShown clock(app::fDataGodzina, [] {
        QTRY_VERIFY_WITH_TIMEOUT(app::fDataGodzina->lCzas->text().startsWith(u"Godzina:"), 5000);
      });
      app::fPrzestawianie->Button1->click();
      clockShown = clock.handled();
    });
    GlowneOkno->Przestawianiezegara1Click();
    EXPECT_TRUE(shift.handled());
  }

  bool clockShown = false;
};

TEST_F(ClockTest, ReadingShowsThePrinterClockUntilClosed) {
  Connect(7);
  QString date;
  QString time;
  ModalHandler read([&](QWidget* w) {
    ASSERT_EQ(w, app::fDataGodzina);
    QTRY_VERIFY_WITH_TIMEOUT(!app::fDataGodzina->lCzas->text().startsWith(u"Czas"), 5000);
    // The clock is read again and again.
    const size_t reads = DataOf(Printer(), 64).size();
    QTRY_VERIFY_WITH_TIMEOUT(DataOf(Printer(), 64).size() > reads + 2, 5000);
    date = app::fDataGodzina->lData->text();
    time = app::fDataGodzina->lCzas->text();
  });
  GlowneOkno->Odczytzegara1Click();
  EXPECT_TRUE(read.handled());
  EXPECT_EQ(date, QStringLiteral("Data   :     2024.05.17"));
  EXPECT_EQ(time, QStringLiteral("Godzina:     14:05:09"));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(app::fDataGodzina->tZegar->isActive());
  // Nothing is read once the dialog is closed.
  const size_t after = Printer().HostBytes().size();
  QTest::qWait(100);
  EXPECT_EQ(Printer().HostBytes().size(), after);
  EXPECT_EQ(GlowneOkno->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ClockTest, ReadingStopsAtAFailedRead) {
  Connect(3);
  ModalHandler read(
      [&](QWidget*) {
        Printer().SetSilent(true);
        QTRY_VERIFY_WITH_TIMEOUT(!app::fDataGodzina->isVisible(), 20000);
      },
      30000);
  GlowneOkno->Odczytzegara1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, kBlad);
  EXPECT_EQ(boxes.shown[0].flags, 0x2010u);
  EXPECT_FALSE(app::fDataGodzina->tZegar->isActive());
}

TEST_F(ClockTest, OwnTimeIsRefusedAsZeroMinutes) {
  Connect(7);
  ShiftTo("14:05");
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Nie można przestawić zegara o 0 minut"), kBlad,
                0x2010);
  EXPECT_TRUE(DataOf(Printer(), kShift).empty());
  EXPECT_TRUE(app::fPrzestawianie->Button1->isEnabled());
}

TEST_F(ClockTest, ShiftOverMidnightIsRefusedAsOverAnHour) {
  Connect(7);
  SetPrinterTime(23, 50);
  ShiftTo("00:10");
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Nie można przestawić zegara o więcej niż 60 minut"),
                kBlad, 0x2010);
  EXPECT_TRUE(DataOf(Printer(), kShift).empty());
}

TEST_F(ClockTest, ExactlyAnHourIsSentAndTheClockShown) {
  Connect(7);
  ShiftTo("15:05");
  EXPECT_EQ(DataOf(Printer(), kShift), (std::vector<std::vector<uint8_t>>{{1, 6, 0}}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Zegar został przestawiony."),
                QStringLiteral("Informacja"), 0x2040);
  EXPECT_TRUE(clockShown);
  EXPECT_FALSE(app::fPrzestawianie->isVisible());
}

TEST_F(ClockTest, BackwardShiftSendsDirectionZero) {
  Connect(3);
  ShiftTo("13:50");
  EXPECT_EQ(DataOf(Printer(), kShift), (std::vector<std::vector<uint8_t>>{{0, 1, 5}}));
}

TEST_F(ClockTest, RefusedSecondShiftIsFoundByReadingTheClockBack) {
  Connect(7);
  ShiftTo("14:35");
  boxes.shown.clear();
  clockShown = false;
  ShiftTo("14:50");
  EXPECT_EQ(DataOf(Printer(), kShift).size(), 2u);
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("             Nie udało się przestawić zegara:                \r"
                               "Nie można przestawiać zegara dwa razy w ciągu tej samej doby."),
                kBlad, 0x2010);
  EXPECT_FALSE(clockShown);
  EXPECT_TRUE(app::fPrzestawianie->Button1->isEnabled());
}

TEST_F(ClockTest, ReceiptsSoldAskForTheDailyReportFirst) {
  Connect(3).WithPrinter([](emu::Printer& p) { p.Fiscal().receiptCounter = 2; });
  boxes.answers = {app::kIdYes};
  ShiftTo("14:20");
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Niezerowy licznik paragonów.\rAby przestawić zegar należy wykonać "
                               "raport fiskalny dobowy.\rCzy wykonać ten raport?"),
                kBlad, 0x2044);
  EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Zegar został przestawiony."));
  const std::vector<uint8_t> commands = CommandBytes();
  const auto report = std::find(commands.begin(), commands.end(), 37);
  const auto shift = std::find(commands.begin(), commands.end(), kShift);
  ASSERT_NE(report, commands.end());
  EXPECT_LT(report, shift);
}

TEST_F(ClockTest, DeclinedDailyReportLeavesTheClock) {
  Connect(3).WithPrinter([](emu::Printer& p) { p.Fiscal().receiptCounter = 2; });
  ShiftTo("14:20");
  ASSERT_EQ(boxes.shown.size(), 1u);
  const std::vector<uint8_t> commands = CommandBytes();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), 37), 0);
  EXPECT_TRUE(DataOf(Printer(), kShift).empty());
  EXPECT_TRUE(app::fPrzestawianie->Button1->isEnabled());
}

TEST_F(ClockTest, IncompleteTimeLeavingTheFieldIsReported) {
  Connect(7);
  app::fUstawZegar->show();
  app::fUstawZegar->meZegar->setText(QStringLiteral("1"));
  // Tabbing on to the date field: the event goes through the program's
  // exception handler.
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(app::fUstawZegar->meZegar, &leave);
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Godzina została wprowadzona nieprawidłowo."), kBlad,
                0x2010);
  app::fUstawZegar->hide();
}

// The clock initialisation from its (hidden) menu command on a printer whose
// clock memory was erased.
class ClockInitTest : public ClockTest {
 protected:
  emu::Emulator& ConnectErased(int type) {
    emu::Emulator& printer = StartPrinter(type, 3);
    printer.SetStatus(148, 0x10);
    app::InitMainWindowModule({"COM3", "9600"});
    ChooseInDialog(3);
    printer.ClearRecord();
    return printer;
  }

  // Confirms the initialisation dialog with this date and time; the clock
  // dialog that follows is closed after its first read.
  void Initialise(QDate date, const char* time) {
    ModalHandler init([&](QWidget* w) {
      ASSERT_EQ(w, app::fUstawZegar);
      presetDate = app::fUstawZegar->dtDate->date();
      app::fUstawZegar->dtDate->setDate(date);
      app::fUstawZegar->meZegar->setText(QString::fromLatin1(time));
      WhenShown clock(app::fDataGodzina, [&] {
        QTRY_VERIFY_WITH_TIMEOUT(!app::fDataGodzina->isVisible() ||
                                     app::fDataGodzina->lCzas->text().startsWith(u"Godzina:"),
                                 5000);
        clockText = app::fDataGodzina->lData->text() + app::fDataGodzina->lCzas->text();
      });
      app::fUstawZegar->Button1->click();
    });
    GlowneOkno->Inicjowaniezegara1Click();
    EXPECT_TRUE(init.handled());
  }

  QDate presetDate;
  QString clockText;
};

TEST_F(ClockInitTest, LunoAdvancesTheBarOncePerProgressByte) {
  ConnectErased(7);
  std::vector<int> steps;
  bool progressView = false;
  QObject::connect(app::fUstawZegar->pbZegar, &QProgressBar::valueChanged, [&](int value) {
    steps.push_back(value);
    progressView = app::fUstawZegar->Label4->isVisible() && !app::fUstawZegar->meZegar->isVisible();
  });
  app::ClockInitAttempted = false;
  Initialise(QDate(2024, 6, 3), "09:41");
  EXPECT_EQ(presetDate, QDate::currentDate());
  // The bar is reset at the start, then moves once for each of the 16 bytes.
  std::vector<int> expected = {0};
  for (int i = 1; i <= 16; ++i) expected.push_back(i);
  if (!steps.empty() && steps.front() != 0) expected.erase(expected.begin());
  EXPECT_EQ(steps, expected);
  EXPECT_TRUE(progressView);
  EXPECT_TRUE(app::fUstawZegar->meZegar->isVisible() || !app::fUstawZegar->isVisible());
  EXPECT_FALSE(app::fUstawZegar->Label4->isVisibleTo(app::fUstawZegar));
  EXPECT_EQ(DataOf(Printer(), 65),
            (std::vector<std::vector<uint8_t>>{{2, 4, 0, 6, 0, 3, 0, 9, 4, 1, 0, 0}}));
  EXPECT_TRUE(app::ClockInitAttempted);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(clockText, QStringLiteral("Data   :     2024.06.03Godzina:     09:41:00"));
}

TEST_F(ClockInitTest, SigraGetsTenDigitsWithoutProgress) {
  ConnectErased(3);
  Initialise(QDate(2024, 6, 3), "09:41");
  EXPECT_EQ(DataOf(Printer(), 52),
            (std::vector<std::vector<uint8_t>>{{2, 4, 0, 6, 0, 3, 0, 9, 4, 1}}));
  EXPECT_EQ(app::fUstawZegar->pbZegar->value(), 0);
}

TEST_F(ClockInitTest, IntactClockIsNotInitialised) {
  StartPrinter(7, 3);
  app::InitMainWindowModule({"COM3", "9600"});
  ChooseInDialog(3);
  GlowneOkno->Inicjowaniezegara1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Zainicjowanie zegara drukarki fiskalnej jest niemożliwe.\r"
                               "               Zegar jest już zainicjowany.             "),
                kBlad, 0x2010);
}

TEST_F(ClockInitTest, FiscalPrinterWithTheJumperInPlaceIsAskedAgain) {
  emu::Emulator& printer = ConnectErased(7);
  printer.SetStatusByte(1, 0x0B);
  printer.SetStatusByte(4, 0x08);
  boxes.answers = {app::kIdYes, app::kIdNo};
  GlowneOkno->Inicjowaniezegara1Click();
  ASSERT_EQ(boxes.shown.size(), 2u);
  for (const ShownMessage& shown : boxes.shown) {
    ExpectMessage(shown,
                  QStringLiteral("Zainicjowanie zegara drukarki fiskalnej jest niemożliwe.\r"
                                 "       Zwora serwisowa jest w pozycji normalnej.        \r"
                                 "       Czy sprawdzić stan zwory ponownie?        "),
                  kBlad, 0x2014);
  }
  EXPECT_TRUE(DataOf(Printer(), 65).empty());
}

TEST_F(ClockInitTest, DateBeforeTheLastReportGivesTheLongMessageOnceThenTheShortOne) {
  emu::Emulator& printer = ConnectErased(7);
  printer.WithPrinter([](emu::Printer& p) {
    p.Memory().AddDailyReport(
        std::chrono::year_month_day{std::chrono::year(2024) / std::chrono::May / 17}, 1, {});
  });
  Initialise(QDate(2024, 5, 1), "10:00");
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Zegar drukarki fiskalnej nie został zainicjowany.\r"
                               "Najprawdopodobniej data, którą próbowano ustawić nie jest "
                               "poprawna.\rNie wolno ustawiać daty, która jest wcześniejsza niż "
                               "data ostatniego\rraportu dobowego (jeśli jakiś był już wykonany)."),
                kBlad, 0x2010);
  EXPECT_FALSE(app::ClockJustInitialised);

  boxes.shown.clear();
  ModalHandler again([](QWidget* w) {
    EXPECT_EQ(w, app::fDataGodzina);
    QTRY_VERIFY_WITH_TIMEOUT(!app::fDataGodzina->isVisible(), 5000);
  });
  GlowneOkno->Odczytzegara1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], kShortCmos, kBlad, 0x2010);
}

TEST_F(ClockInitTest, CommunicationDialogLeadsToTheInitialisationAndClosesAfterIt) {
  emu::Emulator& printer = ConnectErased(8);
  boxes.answers = {app::kIdYes};
  bool stillOpen = true;
  ModalHandler confirm([&](QWidget* w) {
    ASSERT_EQ(w, app::Komunikacja);
    WhenShown init(app::fUstawZegar, [&] {
      app::fUstawZegar->meZegar->setText(QStringLiteral("08:30"));
      app::fUstawZegar->dtDate->setDate(QDate(2024, 6, 3));
      WhenShown clock(app::fDataGodzina, [] {
        QTRY_VERIFY_WITH_TIMEOUT(app::fDataGodzina->lCzas->text().startsWith(u"Godzina:"), 5000);
      });
      app::fUstawZegar->Button1->click();
    });
    app::Komunikacja->Button1->click();
    EXPECT_TRUE(init.handled());
    stillOpen = app::Komunikacja->isVisible();
  });
  GlowneOkno->Parametry1Click();
  EXPECT_TRUE(confirm.handled());
  EXPECT_FALSE(stillOpen);
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral(" Pamięć CMOS jest skasowana.\rCzy przejść do ustawiania zegara?"),
                kBlad, 0x2014);
  EXPECT_EQ(printer.StatusByte(2) & 0x10, 0);
  EXPECT_EQ(DataOf(printer, 65).size(), 1u);
}

TEST_F(ClockInitTest, DeclinedInitialisationAsksAgain) {
  ConnectErased(7);
  boxes.answers = {app::kIdYes, app::kIdNo};
  bool stillOpen = false;
  ModalHandler confirm([&](QWidget*) {
    WhenShown init(app::fUstawZegar, [] { app::fUstawZegar->Button2->click(); });
    app::Komunikacja->Button1->click();
    stillOpen = app::Komunikacja->isVisible();
  });
  GlowneOkno->Parametry1Click();
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(boxes.shown.size(), 2u);
  EXPECT_FALSE(app::ClockInitAttempted);
  EXPECT_TRUE(DataOf(Printer(), 65).empty());
}

// Started with port and speed on the command line, the program asks the same
// question as the communication dialog when the clock memory is erased.
TEST_F(ClockInitTest, StartUpWithAnErasedClockLeadsToTheInitialisation) {
  emu::Emulator& printer = StartPrinter(7, 3);
  printer.SetStatus(148, 0x10);
  boxes.answers = {app::kIdYes};
  WhenShown init(app::fUstawZegar, [&] {
    app::fUstawZegar->meZegar->setText(QStringLiteral("08:30"));
    app::fUstawZegar->dtDate->setDate(QDate(2024, 6, 3));
    WhenShown clock(app::fDataGodzina, [] {
      QTRY_VERIFY_WITH_TIMEOUT(app::fDataGodzina->lCzas->text().startsWith(u"Godzina:"), 5000);
    });
    app::fUstawZegar->Button1->click();
  });
  StartUp({"COM3", "9600"});
  EXPECT_TRUE(init.handled());
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral(" Pamięć CMOS jest skasowana.\rCzy przejść do ustawiania zegara?"),
                kBlad, 0x2014);
  EXPECT_EQ(DataOf(printer, 65),
            (std::vector<std::vector<uint8_t>>{{2, 4, 0, 6, 0, 3, 0, 8, 3, 0, 0, 0}}));
  EXPECT_EQ(printer.StatusByte(2) & 0x10, 0);
  EXPECT_TRUE(app::ClockInitAttempted);
  EXPECT_EQ(GlowneOkno->PanelText(0), QStringLiteral("VELMO LUNO"));
  EXPECT_TRUE(GlowneOkno->ProgressText().isEmpty());
}

TEST_F(ClockInitTest, StartUpAsksAgainAfterACancelledInitialisationUntilNo) {
  emu::Emulator& printer = StartPrinter(3, 3);
  printer.SetStatus(148, 0x10);
  boxes.answers = {app::kIdYes, app::kIdNo};
  WhenShown init(app::fUstawZegar, [] { app::fUstawZegar->Button2->click(); });
  StartUp({"COM3", "9600"});
  EXPECT_TRUE(init.handled());
  ASSERT_EQ(boxes.shown.size(), 2u);
  for (const ShownMessage& shown : boxes.shown) {
    ExpectMessage(shown,
                  QStringLiteral(" Pamięć CMOS jest skasowana.\rCzy przejść do ustawiania zegara?"),
                  kBlad, 0x2014);
  }
  EXPECT_TRUE(DataOf(printer, 52).empty());
  EXPECT_EQ(printer.StatusByte(2) & 0x10, 0x10);
  // Start-up ends there: the device is shown, no dialog stays open.
  EXPECT_FALSE(GlowneOkno->PanelText(0).isEmpty());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ClockInitTest, StartUpWithAnIntactClockAsksNothing) {
  emu::Emulator& printer = StartPrinter(7, 3);
  StartUp({"COM3", "9600"});
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(DataOf(printer, 65).empty());
}

}  // namespace
}  // namespace sigra::testing
