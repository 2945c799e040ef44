// The report menu and the periodic report dialogs against an emulated
// printer: what each entry asks and refuses, and the bytes the printer gets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "app/device_checks.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/startup.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_okresowe_miesieczne.h"
#include "app/dialogs/f_okresowe_wg_numerow.h"
#include "app/dialogs/f_raporty_okresowe_wg_dat.h"
#include "app/dialogs/report_ranges.h"
#include "link/comm.h"
#include "protocol/connection.h"
#include "tests/app_fixture.h"

namespace sigra::testing {
namespace {

using app::GlowneOkno;

const QString kOdpowiedz = QStringLiteral("Odpowiedz");
constexpr uint8_t kDaily = 37;
constexpr uint8_t kPeriodic = 49;
constexpr uint8_t kShortByDatesOld = 41;

size_t Count(const std::vector<uint8_t>& commands, uint8_t command) {
  return static_cast<size_t>(std::count(commands.begin(), commands.end(), command));
}

// Loads paper when the program asks whether to resume, then answers Yes.
class PaperLoadingBoxes : public ScriptedBoxes {
 public:
  explicit PaperLoadingBoxes(emu::Emulator& printer) : printer_(printer) {}
  int MessageBoxExA(const QString& text, const QString& caption, uint32_t flags) override {
    if (text.contains(u"Czy wznowić wydruk")) {
      printer_.SetPaper(true);
      answers.push_front(app::kIdYes);
    }
    return ScriptedBoxes::MessageBoxExA(text, caption, flags);
  }

 private:
  emu::Emulator& printer_;
};

TEST(ReportRanges, BuffersHoldDigitValuesAndLittleEndianNumbers) {
  EXPECT_EQ(app::NumberRangeDigits(1, 3000),
            (ReportDigits{0x01, 0x00, 0xB8, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(app::MonthDigits(2049, 12), (ReportDigits{4, 9, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0}));
  const ReportDigits dates = app::DateRangeDigits(QDate(2007, 1, 5), QDate(2007, 3, 31));
  EXPECT_EQ(dates, (ReportDigits{0, 7, 0, 1, 0, 5, 0, 7, 0, 3, 3, 1}));
  const app::DateRange range = app::DateRangeFromDigits(dates);
  EXPECT_EQ((std::array<int32_t, 6>{range.yearFrom, range.monthFrom, range.dayFrom, range.yearTo,
                                    range.monthTo, range.dayTo}),
            (std::array<int32_t, 6>{7, 1, 5, 7, 3, 31}));
}

TEST(ReportRanges, PreviousMonthOfJanuaryIsDecemberOfTheYearBefore) {
  EXPECT_EQ(app::PreviousMonth(QDate(2025, 1, 31)), QDate(2024, 12, 1));
  EXPECT_EQ(app::PreviousMonth(QDate(2025, 3, 31)), QDate(2025, 2, 1));
  EXPECT_EQ(app::InvertedKind(0), 1);
  EXPECT_EQ(app::InvertedKind(3), 0);
}

class ReportTest : public AppTest {
 protected:
  emu::Emulator& Connect(int type) {
    emu::Emulator& printer = StartPrinter(type, 3);
    StartUp({"COM3", "9600"});
    EXPECT_TRUE(boxes.shown.empty());
    boxes.shown.clear();
    printer.ClearRecord();
    return printer;
  }
  emu::Emulator& ConnectFiscal(int type) {
    emu::Emulator& printer = Connect(type);
    printer.SetStatusByte(1, 0x0B);
    // Daily reports 1 to 3 in the first months of 2007.
    printer.WithPrinter([](emu::Printer& p) {
      using namespace std::chrono;
      for (const unsigned day : {5u, 6u}) {
        p.Memory().AddDailyReport(year(2007) / January / day, 1, {1000});
      }
      p.Memory().AddDailyReport(year(2007) / March / 31, 2, {2500});
    });
    return printer;
  }
  void SoldReceipts(uint16_t count) {
    Printer().WithPrinter([count](emu::Printer& p) { p.Fiscal().receiptCounter = count; });
  }
};

TEST_F(ReportTest, DailyReportWithZeroCounterIsRefusedOnATx350) {
  Connect(0);
  GlowneOkno->Fiskalnydobowy1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("  Licznik paragonów jest równy 0.   \r"
                               "Nie można wykonać raportu dobowego."),
                kBlad, 0x2010);
  EXPECT_EQ(Count(CommandBytes(), kDaily), 0u);
  EXPECT_TRUE(Printer().Printouts().empty());
  EXPECT_TRUE(GlowneOkno->ProgressText().isEmpty());
  EXPECT_EQ(GlowneOkno->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ReportTest, DailyReportWithZeroCounterIsAskedForOnASigra) {
  Connect(3);
  boxes.answers = {app::kIdYes};
  GlowneOkno->Fiskalnydobowy1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("  Licznik paragonów jest równy 0   \rCzy wykonać raport dobowy?"),
                kOdpowiedz, 0x2024);
  const std::vector<uint8_t> commands = CommandBytes();
  // One counter read by the command; DailyReport(1) on a Sigra reads none.
  EXPECT_EQ(Count(commands, 102), 1u);
  EXPECT_EQ(Count(commands, kDaily), 1u);
  ASSERT_EQ(Printer().Printouts().size(), 1u);
  EXPECT_NE(Printer().Printouts()[0].find("RAPORT FISKALNY DOBOWY"), std::string::npos);
}

TEST_F(ReportTest, DailyReportDeclinedSendsNothing) {
  Connect(7);
  SoldReceipts(3);
  GlowneOkno->Fiskalnydobowy1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Czy wykonać raport dobowy?"), kOdpowiedz, 0x2024);
  EXPECT_EQ(Count(CommandBytes(), kDaily), 0u);
}

TEST_F(ReportTest, PaperOutInTheMiddleOfTheDailyReportIsResumedWithYes) {
  emu::Emulator& printer = Connect(7);
  SoldReceipts(3);
  PaperLoadingBoxes paper(printer);
  paper.answers = {app::kIdYes};
  app::SetMessageBoxes(&paper);
  printer.PaperRunsOutAfter(2);
  GlowneOkno->Fiskalnydobowy1Click();
  app::SetMessageBoxes(&boxes);
  ASSERT_EQ(paper.shown.size(), 2u);
  EXPECT_EQ(paper.shown[0].text, QStringLiteral("Czy wykonać raport dobowy?"));
  ExpectMessage(paper.shown[1],
                QStringLiteral(" Brak papieru lub podniesiona głowica mechanizmu drukującego\r"
                               "Czy wznowić wydruk po założeniu papieru?"),
                kOdpowiedz, 0x2034);
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(printer.Status(149) & 0x43, 0);
  printer.WithPrinter([](emu::Printer& p) { EXPECT_EQ(p.Fiscal().receiptCounter, 0); });
  EXPECT_EQ(GlowneOkno->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ReportTest, ErasedClockStopsTheDailyReport) {
  Connect(7).SetStatus(148, 0x10);
  GlowneOkno->Fiskalnydobowy1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Skasowana pamięć CMOS. Wejdź do inicjowania zegara."), kBlad,
                0x2010);
  EXPECT_EQ(Count(CommandBytes(), 102), 0u);
}

TEST_F(ReportTest, FinancialReportIsRefusedOnASigra) {
  Connect(3);
  GlowneOkno->Finansowypodatkowy1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("  Drukarka nie obsługuje wydruku raportu finansowego "), kBlad,
                0x2010);
  EXPECT_EQ(Count(CommandBytes(), 43), 0u);
}

TEST_F(ReportTest, FinancialReportPrintsOnALuno) {
  Connect(8);
  GlowneOkno->Finansowypodatkowy1Click();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(Count(CommandBytes(), 43), 1u);
  ASSERT_EQ(Printer().Printouts().size(), 1u);
}

TEST_F(ReportTest, ReadOnlyPrinterGetsNoFinancialReport) {
  Connect(7).SetStatusByte(1, 0x07);
  GlowneOkno->Finansowypodatkowy1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Drukarka w trybie TYLKO ODCZYT."), kBlad, 0x2010);
}

TEST_F(ReportTest, SimpleReportsPrintWithoutQuestions) {
  Connect(7);
  GlowneOkno->Stanudrukarki1Click();
  GlowneOkno->Nazwtowarwzablokowanych1Click();
  GlowneOkno->Opiswstaych1Click();
  EXPECT_TRUE(boxes.shown.empty());
  const std::vector<uint8_t> commands = CommandBytes();
  EXPECT_EQ(Count(commands, 38), 1u);
  EXPECT_EQ(Count(commands, 34), 1u);
  EXPECT_EQ(Count(commands, 48), 1u);
  EXPECT_EQ(Printer().Printouts().size(), 3u);
}

TEST_F(ReportTest, PriceBufferIsClearedOnlyOnPharmacyPrinters) {
  Connect(3);
  GlowneOkno->Kasowaniebuforawycen1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("To nie jest drukarka apteczna."), kBlad, 0x2010);
}

TEST_F(ReportTest, PriceBufferClearedOnALunoF) {
  Connect(8);
  GlowneOkno->Kasowaniebuforawycen1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Bufor wycen skasowano."), kInformacja, 0x2040);
}

TEST_F(ReportTest, PowerOffSwitchesTheSecondGenerationPrinterOff) {
  Connect(7);
  GlowneOkno->Zdalnewyaczeniedrukarki1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Drukarka została wyłączona"), kInformacja, 0x2040);
  EXPECT_EQ(DataOf(Printer(), 253), (Frames{{'0', '0', '0', '0', '0'}}));
  Printer().WithPrinter([](emu::Printer& p) { EXPECT_TRUE(p.SwitchedOff()); });
}

TEST_F(ReportTest, PowerOffIsRefusedOnAFirstGenerationPrinter) {
  Connect(2);
  GlowneOkno->Zdalnewyaczeniedrukarki1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Podłączone urządzenie nie jest drukarką drugiej generacji"), kBlad,
                0x2010);
  EXPECT_EQ(Count(CommandBytes(), 253), 0u);
}

TEST_F(ReportTest, PeriodicReportsNeedFiscalMode) {
  Connect(7);
  GlowneOkno->Wedugdat1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Drukarka pracuje w trybie szkoleniowym.\r"
                               "    Wydruk raportu nie jest możliwy."),
                kInformacja, 0x2040);
}

TEST_F(ReportTest, MonthlyEntriesPresetThePreviousMonthAndTheirCaption) {
  ConnectFiscal(7);
  QString caption;
  int year = 0;
  int month = 0;
  ModalHandler dialog([&](QWidget* w) {
    ASSERT_EQ(w, app::fOkresoweMiesieczne);
    caption = w->windowTitle();
    year = app::fOkresoweMiesieczne->seRok->value();
    month = app::fOkresoweMiesieczne->seMiesiac->value();
  });
  GlowneOkno->Miesiczny2Click();
  EXPECT_TRUE(dialog.handled());
  EXPECT_EQ(caption, QStringLiteral("Raport szczegółowy miesięczny..."));
  const QDate previous = app::PreviousMonth(QDate::currentDate());
  EXPECT_EQ(year, previous.year());
  EXPECT_EQ(month, previous.month());
  EXPECT_EQ(app::ReportKind, 2);
  EXPECT_EQ(Count(CommandBytes(), kPeriodic), 0u);
}

TEST_F(ReportTest, MonthlyDecember2049SendsItsDigits) {
  ConnectFiscal(7);
  ModalHandler dialog([&](QWidget*) {
    app::fOkresoweMiesieczne->seRok->setValue(2049);
    app::fOkresoweMiesieczne->seMiesiac->setValue(12);
    app::fOkresoweMiesieczne->Button1->click();
  });
  GlowneOkno->Miesiczny1Click();
  EXPECT_EQ(DataOf(Printer(), kPeriodic), (Frames{{5, 4, 9, 1, 2}}));
  // The printer refuses a month that has not ended.
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Niezakończony miesiąc."), kBlad, 0x2010);
  EXPECT_FALSE(app::fOkresoweMiesieczne->isVisible());
}

TEST_F(ReportTest, ByNumbersOneTo3000SendsLittleEndianNumbers) {
  ConnectFiscal(7);
  QString caption;
  ModalHandler dialog([&](QWidget*) {
    caption = app::fOkresoweWgNumerow->windowTitle();
    app::fOkresoweWgNumerow->seDo->setValue(3000);
    app::fOkresoweWgNumerow->Button1->click();
  });
  GlowneOkno->Wedugnumerw2Click();
  EXPECT_EQ(caption, QStringLiteral("Raport szczegółowy według numerów..."));
  EXPECT_EQ(DataOf(Printer(), kPeriodic), (Frames{{1, 0x01, 0x00, 0xB8, 0x0B}}));
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_EQ(Printer().Printouts().size(), 1u);
  EXPECT_NE(Printer().Printouts()[0].find("LICZBA RAPORTÓW DOBOWYCH"), std::string::npos);
  EXPECT_EQ(link::PortObject->ReadTimeout, 5);
}

TEST_F(ReportTest, ToNumberCannotGoBelowTheFromNumber) {
  app::fOkresoweWgNumerow->seOd->setValue(40);
  app::fOkresoweWgNumerow->seDo->setValue(12);
  EXPECT_EQ(app::fOkresoweWgNumerow->seDo->value(), 40);
  app::fOkresoweWgNumerow->seOd->setValue(7);
  app::fOkresoweWgNumerow->seDo->setValue(12);
  EXPECT_EQ(app::fOkresoweWgNumerow->seDo->value(), 12);
}

TEST_F(ReportTest, ByDatesOnASecondGenerationPrinterSendsTwelveDigits) {
  ConnectFiscal(7);
  QString caption;
  QDate preset;
  ModalHandler dialog([&](QWidget*) {
    caption = app::fRaportyOkresoweWgDat->windowTitle();
    preset = app::fRaportyOkresoweWgDat->dtDo->date();
    app::fRaportyOkresoweWgDat->dtOd->setDate(QDate(2007, 1, 5));
    app::fRaportyOkresoweWgDat->dtDo->setDate(QDate(2007, 3, 31));
    app::fRaportyOkresoweWgDat->Button1->click();
  });
  GlowneOkno->Wedugdat1Click();
  EXPECT_EQ(caption, QStringLiteral("Raport skrócony według dat..."));
  EXPECT_EQ(preset, QDate::currentDate());
  EXPECT_EQ(DataOf(Printer(), kPeriodic), (Frames{{3, 0, 7, 0, 1, 0, 5, 0, 7, 0, 3, 3, 1}}));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(Printer().Printouts().size(), 1u);
}

TEST_F(ReportTest, ByDatesOnATx350UsesTheOlderCommandWithTheKindInverted) {
  ConnectFiscal(0);
  app::ReportKind = kShortByDates;
  app::fRaportyOkresoweWgDat->dtOd->setDate(QDate(2007, 1, 5));
  app::fRaportyOkresoweWgDat->dtDo->setDate(QDate(2007, 3, 31));
  app::fRaportyOkresoweWgDat->show();
  app::fRaportyOkresoweWgDat->Button1->click();
  // PeriodReport(0, 7, 1, 5, 7, 3, 31): the short report, command 41.
  EXPECT_EQ(DataOf(Printer(), kShortByDatesOld), (Frames{{0, 7, 0, 1, 0, 5, 0, 7, 0, 3, 3, 1}}));
  EXPECT_EQ(Count(CommandBytes(), kPeriodic), 0u);
  EXPECT_EQ(app::ReportKind, 0);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(app::fRaportyOkresoweWgDat->isVisible());
}

TEST_F(ReportTest, CollectModeHandsTheRangeBackAndPrintsNothing) {
  ConnectFiscal(7);
  app::CollectReportRange = true;
  app::fRaportyOkresoweWgDat->dtOd->setDate(QDate(2007, 1, 5));
  app::fRaportyOkresoweWgDat->dtDo->setDate(QDate(2007, 3, 31));
  QTimer::singleShot(0, app::fRaportyOkresoweWgDat->Button1, &QPushButton::click);
  EXPECT_EQ(app::fRaportyOkresoweWgDat->exec(), QDialog::Accepted);
  EXPECT_EQ(app::ReportRangeForSwitch, (ReportDigits{0, 7, 0, 1, 0, 5, 0, 7, 0, 3, 3, 1}));
  EXPECT_TRUE(Printer().HostBytes().empty());

  app::fOkresoweWgNumerow->seOd->setValue(2);
  app::fOkresoweWgNumerow->seDo->setValue(300);
  QTimer::singleShot(0, app::fOkresoweWgNumerow->Button1, &QPushButton::click);
  EXPECT_EQ(app::fOkresoweWgNumerow->exec(), QDialog::Accepted);
  app::CollectReportRange = false;
  EXPECT_EQ(std::vector<uint8_t>(app::ReportRangeForSwitch.begin(),
                                 app::ReportRangeForSwitch.begin() + 4),
            (std::vector<uint8_t>{2, 0, 0x2C, 0x01}));
  EXPECT_TRUE(Printer().HostBytes().empty());
  EXPECT_TRUE(boxes.shown.empty());
  // The port is back at the program's own timeouts.
  EXPECT_EQ(link::PortObject->ReadTimeout, 5);
}

TEST_F(ReportTest, RefusedRangeIsShownAndClosesTheDialog) {
  ConnectFiscal(7);
  ModalHandler dialog([&](QWidget*) {
    app::fOkresoweWgNumerow->seOd->setValue(10);
    app::fOkresoweWgNumerow->seDo->setValue(20);
    app::fOkresoweWgNumerow->Button1->click();
  });
  GlowneOkno->Wedugnumerw1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Brak raportów w podanym okresie."), kBlad, 0x2010);
  EXPECT_TRUE(app::fOkresoweWgNumerow->Button1->isEnabled());
}

TEST_F(ReportTest, PaperOutDuringAPeriodicReportIsResumed) {
  emu::Emulator& printer = ConnectFiscal(3);
  PaperLoadingBoxes paper(printer);
  app::SetMessageBoxes(&paper);
  printer.PaperRunsOutAfter(2);
  ModalHandler dialog([&](QWidget*) {
    app::fOkresoweWgNumerow->seDo->setValue(3);
    app::fOkresoweWgNumerow->Button1->click();
  });
  GlowneOkno->Wedugnumerw1Click();
  app::SetMessageBoxes(&boxes);
  ASSERT_EQ(paper.shown.size(), 1u);
  EXPECT_EQ(paper.shown[0].flags, 0x2034u);
  EXPECT_FALSE(printer.Printing());
  EXPECT_FALSE(app::fOkresoweWgNumerow->isVisible());
}

}  // namespace
}  // namespace sigra::testing
