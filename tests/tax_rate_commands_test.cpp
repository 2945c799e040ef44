// The tax-rate commands, the rates editor, the control print from "baza.txt"
// and the erasure of the names database, offscreen against the emulator.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/message_box.h"
#include "app/startup.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_odczyt_stawek.h"
#include "app/dialogs/f_stawki_podatkowe.h"
#include "emulator/command_table.h"
#include "link/comm.h"
#include "protocol/feedback.h"
#include "tests/app_fixture.h"

namespace sigra::testing {
namespace {

using app::fOdczytStawek;
using app::fStawkiPodatkowe;
using app::GlowneOkno;

const QString kBlad = QStringLiteral("Błąd");
constexpr uint8_t kUserDataBit = 0x02;  // status byte 1
constexpr uint8_t kNamesFull = 0x01;    // status byte 2

// The data bytes of each frame of command `cmd` the printer received.
std::vector<std::vector<uint8_t>> DataOf(const emu::Emulator& printer, uint8_t cmd) {
  std::vector<std::vector<uint8_t>> data;
  for (const std::vector<uint8_t>& frame : printer.Commands()) {
    if (frame.size() >= 2 && frame[1] == cmd) data.emplace_back(frame.begin() + 2, frame.end());
  }
  return data;
}

// Two bytes per rate, most significant first, as a seven-rate printer takes them.
std::vector<uint8_t> SevenRates(std::initializer_list<uint16_t> rates) {
  std::vector<uint8_t> bytes;
  for (uint16_t rate : rates) {
    const uint16_t wire = rate == 25500 ? 0x8000 : rate == 10000 ? 0x4000 : rate;
    bytes.push_back(static_cast<uint8_t>(wire >> 8));
    bytes.push_back(static_cast<uint8_t>(wire & 0xFF));
  }
  return bytes;
}

// Rejects `dialog` whenever it is shown, and counts its showings: for a
// dialog opened inside another test action, which a ModalHandler already busy
// cannot reach.
class Dismisser {
 public:
  explicit Dismisser(QDialog* dialog) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this, dialog] {
      if (dialog->isVisible()) {
        ++shown;
        dialog->reject();
      }
    });
    timer_.start();
  }
  int shown = 0;

 private:
  QTimer timer_;
};

class TaxRateTest : public AppTest {
 protected:
  emu::Emulator& Start(int type, std::optional<std::vector<uint8_t>> rates = std::nullopt) {
    emu::Emulator& printer = StartPrinter(type, 3);
    if (rates) {
      printer.WithPrinter([&](emu::Printer& p) { p.Fiscal().rates.SetBytes(*rates); });
    }
    ChooseInDialog(3);
    return printer;
  }

  // Opens the editor through the menu command and runs `edit` on it.
  void InEditor(const std::function<void()>& edit) {
    ModalHandler handler([&](QWidget* w) {
      ASSERT_EQ(w, fStawkiPodatkowe);
      edit();
    });
    GlowneOkno->Zapis1Click();
    EXPECT_TRUE(handler.handled());
  }

  // Clicks "&Tak" and reports whether the editor stayed open.
  bool ClickTak() {
    fStawkiPodatkowe->Button1->click();
    return fStawkiPodatkowe->isVisible();
  }
};

TEST_F(TaxRateTest, PrinterWithoutRatesOpensTheEditorWithTheDefaults) {
  Start(3, SevenRates({25500, 25500, 25500, 25500, 25500, 25500, 25500}));
  InEditor([&] {
    const auto fields = fStawkiPodatkowe->Fields();
    const auto reserve = fStawkiPodatkowe->ReserveBoxes();
    const auto exempt = fStawkiPodatkowe->ExemptBoxes();
    EXPECT_EQ(fields[0]->text(), QStringLiteral("22"));
    EXPECT_EQ(fields[1]->text(), QStringLiteral("7"));
    EXPECT_EQ(fields[2]->text(), QStringLiteral("0"));
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_TRUE(fields[i]->isVisible()) << i;
      EXPECT_FALSE(reserve[i]->isChecked() || exempt[i]->isChecked()) << i;
    }
    for (size_t i = 3; i < 6; ++i) {
      EXPECT_TRUE(reserve[i]->isChecked()) << i;
      EXPECT_FALSE(exempt[i]->isChecked()) << i;
      EXPECT_FALSE(fields[i]->isVisible()) << i;
    }
    EXPECT_TRUE(exempt[6]->isChecked());
    EXPECT_FALSE(fields[6]->isVisible());
    EXPECT_EQ(fStawkiPodatkowe->windowTitle(), QStringLiteral("Stawki podatkowe"));
  });
  // The rates read stay as the printer holds them.
  for (uint16_t rate : app::RatesLastRead) EXPECT_EQ(rate, 25500);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TaxRateTest, ReadingShowsOneLabelPerRateOfTheModel) {
  Start(0);  // four one-byte rates: 22, 7, 0, reserve
  ModalHandler handler([&](QWidget* w) { EXPECT_EQ(w, fOdczytStawek); });
  GlowneOkno->Odczyt1Click();
  EXPECT_TRUE(handler.handled());
  const auto labels = fOdczytStawek->Labels();
  EXPECT_EQ(labels[0]->text(), QStringLiteral("Stawka PTU A : 22 %"));
  EXPECT_EQ(labels[1]->text(), QStringLiteral("Stawka PTU B : 7 %"));
  EXPECT_EQ(labels[2]->text(), QStringLiteral("Stawka PTU C : 0 %"));
  EXPECT_EQ(labels[3]->text(), QStringLiteral("Stawka PTU D : REZERWA"));
  for (size_t i = 4; i < 7; ++i) EXPECT_TRUE(labels[i]->isHidden()) << i;
  for (size_t i = 0; i < 4; ++i) EXPECT_FALSE(labels[i]->isHidden()) << i;
  EXPECT_EQ(app::RatesLastRead, (std::array<uint16_t, 7>{2200, 700, 0, 25500, 0, 0, 0}));
  EXPECT_EQ(fOdczytStawek->windowTitle(), QStringLiteral("Stawki podatkowe z drukarki fiskalnej "));
  EXPECT_TRUE(boxes.shown.empty());
}

// "Odczyt stawek..." used to stay in the window behind the rates it had read.
TEST_F(TaxRateTest, TheRatesShowWithoutTheProgressTextBehindThem) {
  Start(3);
  app::FirstActivation = false;
  GlowneOkno->show();
  QStringList progress;
  sigra::SetProgressTextHook([&](const std::string& text) {
    progress << QString::fromStdString(text);
    app::ShowProgressText(QString::fromStdString(text));
  });
  QString behind = QStringLiteral("(not shown)");
  ModalHandler handler([&](QWidget* w) {
    EXPECT_EQ(w, fOdczytStawek);
    behind = GlowneOkno->ProgressText();
  });
  GlowneOkno->Odczyt1Click();
  app::ConnectDriverFeedback();
  EXPECT_TRUE(handler.handled());
  EXPECT_TRUE(progress.contains(QStringLiteral("Odczyt stawek podatkowych...")))
      << progress.join(u'|').toStdString();
  EXPECT_EQ(behind, QString());
}

TEST_F(TaxRateTest, ReadingWritesFractionsWithTheSystemsDecimalSeparator) {
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
  Start(3, SevenRates({2200, 750, 705, 10000, 25500, 25500, 25500}));
  ModalHandler handler([](QWidget*) {});
  GlowneOkno->Odczyt1Click();
  QLocale::setDefault(before);
  const auto labels = fOdczytStawek->Labels();
  EXPECT_EQ(labels[1]->text(), QStringLiteral("Stawka PTU B : 7,5 %"));
  EXPECT_EQ(labels[2]->text(), QStringLiteral("Stawka PTU C : 7,05 %"));
  EXPECT_EQ(labels[3]->text(), QStringLiteral("Stawka PTU D : ZWOLNIONA"));
  for (const QLabel* label : labels) EXPECT_FALSE(label->isHidden());
}

TEST_F(TaxRateTest, TheTwoBoxesOfARowAreNeverCheckedTogether) {
  Start(3);
  InEditor([&] {
    fStawkiPodatkowe->cb1R->click();
    EXPECT_TRUE(fStawkiPodatkowe->cb1R->isChecked());
    EXPECT_FALSE(fStawkiPodatkowe->me1->isVisible());
    fStawkiPodatkowe->cb1Z->click();
    EXPECT_TRUE(fStawkiPodatkowe->cb1Z->isChecked());
    EXPECT_FALSE(fStawkiPodatkowe->cb1R->isChecked());
    EXPECT_FALSE(fStawkiPodatkowe->me1->isVisible());
    fStawkiPodatkowe->cb1Z->click();
    EXPECT_FALSE(fStawkiPodatkowe->cb1Z->isChecked() || fStawkiPodatkowe->cb1R->isChecked());
    EXPECT_TRUE(fStawkiPodatkowe->me1->isVisible());
  });
}

TEST_F(TaxRateTest, WrittenRatesGoOutInOneWriteAndAreReadBack) {
  emu::Emulator& printer = Start(7);  // 22, 7, 0, exempt, three reserve
  Dismisser readBack(fOdczytStawek);
  InEditor([&] {
    printer.ClearRecord();
    fStawkiPodatkowe->me1->setText(QStringLiteral("99"));
    fStawkiPodatkowe->me2->clear();                        // counts as 0
    fStawkiPodatkowe->cb4Z->click();                       // exempt off: a field again
    fStawkiPodatkowe->me4->setText(QStringLiteral("23"));  //
    fStawkiPodatkowe->cb5Z->click();                       // reserve to exempt
    fStawkiPodatkowe->me6->setText(QStringLiteral("55"));  // hidden under its reserve box
    EXPECT_FALSE(ClickTak());
    EXPECT_EQ(fStawkiPodatkowe->me2->text(), QStringLiteral("0"));
  });
  const auto writes = DataOf(printer, 213);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0], SevenRates({9900, 0, 0, 2300, 10000, 25500, 25500}));
  // Read back and shown.
  EXPECT_EQ(app::RatesLastRead, (std::array<uint16_t, 7>{9900, 0, 0, 2300, 10000, 25500, 25500}));
  EXPECT_EQ(fOdczytStawek->Labels()[0]->text(), QStringLiteral("Stawka PTU A : 99 %"));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(readBack.shown, 1);
}

TEST_F(TaxRateTest, UnchangedRatesAreNotWritten) {
  emu::Emulator& printer = Start(3);
  InEditor([&] {
    printer.ClearRecord();
    EXPECT_TRUE(ClickTak());
    EXPECT_TRUE(fStawkiPodatkowe->Button1->isEnabled());
  });
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Stawki podatkowe nie uległy zmianie dlatego nie zostaną zapisane."),
                QStringLiteral("Informacja"), 0x2040);
  EXPECT_TRUE(DataOf(printer, 213).empty());
}

TEST_F(TaxRateTest, AFractionThePrinterHoldsSurvivesAnUntouchedField) {
  emu::Emulator& printer = Start(3, SevenRates({2200, 750, 0, 10000, 25500, 25500, 25500}));
  Dismisser readBack(fOdczytStawek);
  InEditor([&] {
    EXPECT_EQ(fStawkiPodatkowe->me2->text(), QStringLiteral("7"));
    fStawkiPodatkowe->me1->setText(QStringLiteral("23"));
    printer.ClearRecord();
    EXPECT_FALSE(ClickTak());
  });
  const auto writes = DataOf(printer, 213);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0], SevenRates({2300, 750, 0, 10000, 25500, 25500, 25500}));
  EXPECT_EQ(readBack.shown, 1);
}

TEST_F(TaxRateTest, NoToTheDailyReportKeepsTheEntries) {
  emu::Emulator& printer = Start(3);
  printer.WithPrinter([](emu::Printer& p) { p.Fiscal().receiptCounter = 4; });
  boxes.answers = {app::kIdNo};
  InEditor([&] {
    fStawkiPodatkowe->me1->setText(QStringLiteral("23"));
    printer.ClearRecord();
    EXPECT_TRUE(ClickTak());
    EXPECT_EQ(fStawkiPodatkowe->me1->text(), QStringLiteral("23"));
    EXPECT_TRUE(fStawkiPodatkowe->Button1->isEnabled());
  });
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("  Licznik paragonów jest różny od 0  \rCzy wykonać raport dobowy?"),
                QStringLiteral("Odpowiedz"), 0x2024);
  EXPECT_TRUE(DataOf(printer, 213).empty());
  EXPECT_TRUE(DataOf(printer, 37).empty());
}

TEST_F(TaxRateTest, YesToTheDailyReportClosesTheDayAndWrites) {
  emu::Emulator& printer = Start(3);
  printer.WithPrinter([](emu::Printer& p) { p.Fiscal().receiptCounter = 4; });
  boxes.answers = {app::kIdYes};
  Dismisser readBack(fOdczytStawek);
  InEditor([&] {
    fStawkiPodatkowe->me1->setText(QStringLiteral("23"));
    printer.ClearRecord();
    EXPECT_FALSE(ClickTak());
  });
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Odpowiedz"));
  EXPECT_EQ(DataOf(printer, 37).size(), 1u);
  ASSERT_EQ(DataOf(printer, 213).size(), 1u);
  EXPECT_EQ(app::RatesLastRead[0], 2300);
  EXPECT_EQ(readBack.shown, 1);
}

TEST_F(TaxRateTest, ARefusedWriteIsShownAndTheEditorStaysOpen) {
  emu::Emulator& printer = Start(3);
  printer.Nak(213);
  InEditor([&] {
    fStawkiPodatkowe->me1->setText(QStringLiteral("23"));
    EXPECT_TRUE(ClickTak());
    EXPECT_TRUE(fStawkiPodatkowe->Button1->isEnabled());
  });
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, kBlad);
  EXPECT_EQ(boxes.shown[0].flags, 0x2010u);
  EXPECT_FALSE(boxes.shown[0].text.isEmpty());
}

TEST_F(TaxRateTest, CollectModeHandsTheRatesOverWithoutWriting) {
  emu::Emulator& printer = Start(3);
  for (int row = 0; row < 7; ++row) {
    fStawkiPodatkowe->SetRate(row, std::array<uint32_t, 7>{2200, 700, 0, 10000, 25500, 25500,
                                                           25500}[static_cast<size_t>(row)]);
  }
  app::RatesLastRead = {2200, 700, 0, 10000, 25500, 25500, 25500};
  app::CollectRatesOnly = true;
  int result = 0;
  ModalHandler handler([&](QWidget*) { fStawkiPodatkowe->Button1->click(); });
  result = fStawkiPodatkowe->exec();
  app::CollectRatesOnly = false;
  EXPECT_EQ(result, app::kIdYes);
  EXPECT_EQ(app::RatesForFiscalisation,
            (std::array<int32_t, 7>{2200, 700, 0, 10000, 25500, 25500, 25500}));
  EXPECT_TRUE(DataOf(printer, 213).empty());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TaxRateTest, WritingNeedsASecondGenerationPrinter) {
  emu::Emulator& printer = Start(2);
  GlowneOkno->Zapis1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Podłączone urządzenie nie jest drukarką drugiej generacji."), kBlad,
                0x2010);
  EXPECT_TRUE(DataOf(printer, 208).empty());
}

TEST_F(TaxRateTest, WritingStopsAtAPrinterError) {
  emu::Emulator& printer = Start(3);
  printer.SetPaper(false);
  GlowneOkno->Zapis1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Brak papieru lub podniesiona głowica mechanizmu drukującego"),
                kBlad, 0x2010);
  EXPECT_TRUE(DataOf(printer, 209).empty());
}

// The control print reads "baza.txt" from the current directory.
class NamesPrintTest : public TaxRateTest {
 protected:
  void SetUp() override {
    TaxRateTest::SetUp();
    previous_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() / ("sigra-names-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
    TaxRateTest::TearDown();
  }
  // The program's port is open, as after its start-up.
  emu::Emulator& Start(int type) {
    emu::Emulator& printer = TaxRateTest::Start(type);
    app::Komunikacja->TakeParameters();
    EXPECT_EQ(app::OpenConfiguredPort(), 0);
    return printer;
  }
  static void WriteFile(const std::string& bytes) {
    std::ofstream("baza.txt", std::ios::binary) << bytes;
  }

 private:
  std::filesystem::path previous_;
  std::filesystem::path dir_;
};

TEST_F(NamesPrintTest, EachLineBecomesARecordWithItsRateLetter) {
  emu::Emulator& printer = Start(3);
  WriteFile("$CHLEB\tB\tignored\r\nMLEKO\n");
  GlowneOkno->Wydrukkontrolnynazwistawek1Click();
  EXPECT_TRUE(boxes.shown.empty());
  const auto begins = DataOf(printer, 63);
  ASSERT_EQ(begins.size(), 1u);
  // The records follow the opening order as raw bytes: the letter, then the
  // name padded to 28 characters.
  const std::string records(begins[0].begin(), begins[0].end());
  EXPECT_EQ(records, "B" + std::string("CHLEB").append(23, ' ') + "A" +
                         std::string("MLEKO").append(23, ' '));
  EXPECT_EQ(DataOf(printer, 81).size(), 1u);
  EXPECT_TRUE(GlowneOkno->ProgressText().isEmpty());
  // The driver's progress texts are the program's own again.
  ShowProgressText("Odczyt");
  EXPECT_EQ(GlowneOkno->ProgressText(), QStringLiteral("Odczyt"));
}

TEST_F(NamesPrintTest, AMissingFileSendsNothing) {
  emu::Emulator& printer = Start(3);
  GlowneOkno->Wydrukkontrolnynazwistawek1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Brak pliku baza.txt"), kBlad, 0x2010);
  EXPECT_TRUE(printer.HostBytes().empty());
}

// The whole file is checked first: a record the printer would refuse used to
// stop the print half-way, with the printer left in it.
TEST_F(NamesPrintTest, ABadLineIsNamedAndNothingIsSent) {
  emu::Emulator& printer = Start(3);
  const std::string good = "CHLEB\tA\n$MLEKO 3,2%\tB\nMASŁO EXTRA\tG\n";
  const struct {
    std::string line;
    QString text;
  } cases[] = {
      {"X\tB\n", QStringLiteral("Za mało znaków znaczących w nazwie towaru w linii 4 pliku "
                                "baza.txt.\rWydruk kontrolny nie został rozpoczęty.")},
      {"KAWA ZIARNISTA\tZ\n",
       QStringLiteral("Błędna stawka PTU w linii 4 pliku baza.txt (dozwolone "
                      "litery od A do G).\rWydruk kontrolny nie został "
                      "rozpoczęty.")},
      {"KAWA ZIARNISTA\tb\r\n", QStringLiteral("Błędna stawka PTU w linii 4 pliku baza.txt "
                                               "(dozwolone litery od A do G).\rWydruk kontrolny "
                                               "nie został rozpoczęty.")},
  };
  for (const auto& bad : cases) {
    boxes.shown.clear();
    WriteFile(good + bad.line + "SER GOUDA\tC\n");
    GlowneOkno->Wydrukkontrolnynazwistawek1Click();
    ASSERT_EQ(boxes.shown.size(), 1u) << bad.line;
    ExpectMessage(boxes.shown[0], bad.text, kBlad, 0x2010);
    EXPECT_TRUE(printer.HostBytes().empty()) << bad.line;
    EXPECT_TRUE(GlowneOkno->ProgressText().isEmpty());
  }
}

// Records the printer's commands at the moment each message is shown.
class BoxesAfterCommands : public ScriptedBoxes {
 public:
  explicit BoxesAfterCommands(const emu::Emulator& printer) : printer_(printer) {}
  int MessageBoxExA(const QString& text, const QString& caption, uint32_t flags) override {
    commandsSeen.push_back(DataOf(printer_, 81).size());
    return ScriptedBoxes::MessageBoxExA(text, caption, flags);
  }
  std::vector<size_t> commandsSeen;

 private:
  const emu::Emulator& printer_;
};

// A transfer that fails once the print has begun: the program ends the
// print (command 81) before it tells the operator.
TEST_F(NamesPrintTest, AFailureAfterThePrintBeganEndsItBeforeTheMessage) {
  emu::Emulator& printer = Start(3);
  BoxesAfterCommands ordered(printer);
  app::SetMessageBoxes(&ordered);
  app::FirstActivation = false;
  GlowneOkno->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(GlowneOkno));
  // The port fails as the second record is about to go: its progress text
  // carries the line number.
  struct PortPull : QObject {
    bool pulled = false;
    bool eventFilter(QObject*, QEvent* e) override {
      if (!pulled && e->type() == QEvent::Paint &&
          GlowneOkno->ProgressText().endsWith(QStringLiteral(" 2"))) {
        pulled = true;
        link::ClosePrinterPort();
      }
      return false;
    }
  } pull;
  GlowneOkno->centralWidget()->installEventFilter(&pull);
  WriteFile("CHLEB\tA\nMLEKO\tB\nMASŁO\tC\n");
  GlowneOkno->Wydrukkontrolnynazwistawek1Click();
  GlowneOkno->centralWidget()->removeEventFilter(&pull);
  app::SetMessageBoxes(&boxes);

  ASSERT_TRUE(pull.pulled);
  ASSERT_EQ(ordered.shown.size(), 1u);
  ExpectMessage(ordered.shown[0], app::ResultCodeText(20), kBlad, 0x2010);
  EXPECT_EQ(ordered.commandsSeen, std::vector<size_t>{1});
  const auto begins = DataOf(printer, 63);
  ASSERT_EQ(begins.size(), 1u);
  EXPECT_EQ(begins[0].size(), 29u);  // CHLEB only
  EXPECT_EQ(DataOf(printer, 81).size(), 1u);
  // The printer left the control print and printed what it had.
  const std::vector<std::string> paper = printer.Printouts();
  ASSERT_FALSE(paper.empty());
  EXPECT_NE(paper.back().find("POZYCJI: 1"), std::string::npos) << paper.back();
}

// "baza.txt" from a Linux editor is UTF-8; the records are the same bytes as
// from the Windows-1250 file.
TEST_F(NamesPrintTest, UtfEightAndWindows1250FilesPrintTheSameBytes) {
  emu::Emulator& printer = Start(3);
  WriteFile("Żółć wołowa\tB\nMLEKO\n");
  GlowneOkno->Wydrukkontrolnynazwistawek1Click();
  EXPECT_TRUE(boxes.shown.empty());
  const std::vector<uint8_t> fromUtf8 = printer.HostBytes();
  ASSERT_EQ(DataOf(printer, 63).size(), 1u);

  printer.ClearRecord();
  WriteFile("\xAF\xF3\xB3\xE6 wo\xB3owa\tB\nMLEKO\n");
  GlowneOkno->Wydrukkontrolnynazwistawek1Click();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(printer.HostBytes(), fromUtf8);
  const auto begins = DataOf(printer, 63);
  ASSERT_EQ(begins.size(), 1u);
  ASSERT_EQ(begins[0].size(), 58u);
  // One byte per letter, none of them lost to "?".
  EXPECT_EQ(begins[0][0], 'B');
  for (size_t i = 1; i <= 4; ++i) EXPECT_NE(begins[0][i], '?') << i;
  EXPECT_EQ(std::string(begins[0].begin() + 5, begins[0].begin() + 8), " wo");
  EXPECT_NE(begins[0][8], '?');
  EXPECT_EQ(std::string(begins[0].begin() + 9, begins[0].begin() + 12), "owa");
}

TEST_F(NamesPrintTest, AnEmptyFileSendsOnlyTheEnd) {
  emu::Emulator& printer = Start(3);
  WriteFile("");
  GlowneOkno->Wydrukkontrolnynazwistawek1Click();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(DataOf(printer, 63).empty());
  EXPECT_EQ(DataOf(printer, 81).size(), 1u);
}

class NamesEraseTest : public TaxRateTest {
 protected:
  emu::Emulator& StartFull(int type) {
    emu::Emulator& printer = Start(type);
    printer.WithPrinter([](emu::Printer& p) {
      p.SetStatusByte(1, static_cast<uint8_t>(p.StatusByte(1) | kUserDataBit));
      p.SetStatusByte(2, static_cast<uint8_t>(p.StatusByte(2) | kNamesFull));
      p.Memory().uniqueNumber = "ABC12345699";
      p.Service().namesDatabase.controlPrinted = true;
    });
    return printer;
  }
};

const QString kEraseQuestion = QStringLiteral(
    "W celu skasowania bazy nazw i towarów po raporcie dobowym\rnależy wykonać wydruk kontrolny "
    "bazy nazw i stawek Z PROGRAMU SPRZEDAŻY\rCzy został wykonany wydruk kontrolny nazw i "
    "stawek?");

TEST_F(NamesEraseTest, TheCheckByteComesFromTheUniqueNumber) {
  emu::Emulator& printer = StartFull(7);
  boxes.answers = {app::kIdYes};
  GlowneOkno->Bazanazwitowarw1Click();
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(boxes.shown[0], kEraseQuestion, QStringLiteral("Odpowiedz"), 0x2024);
  ExpectMessage(boxes.shown[1], QStringLiteral("Baza nazw i stawek została skasowana"),
                QStringLiteral("Informacja"), 0x2040);
  const auto erases = DataOf(printer, 92);
  ASSERT_EQ(erases.size(), 1u);
  EXPECT_EQ(erases[0], std::vector<uint8_t>{114});  // "9" + "9"
  EXPECT_EQ(printer.StatusByte(2) & kNamesFull, 0);
  EXPECT_TRUE(GlowneOkno->pbFiskal->isHidden());
  EXPECT_EQ(GlowneOkno->pbFiskal->value(), 16);
}

TEST_F(NamesEraseTest, ANonZeroReceiptCounterIsRefusedBeforeAnythingIsSent) {
  emu::Emulator& printer = StartFull(3);
  printer.WithPrinter([](emu::Printer& p) { p.Fiscal().receiptCounter = 2; });
  GlowneOkno->Bazanazwitowarw1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("     Niezerowy licznik paragonów.      \rNie można skasować bazy "
                               "nazw i towarów.\r Należy wykonać najpierw raport dobowy."),
                kBlad, 0x2010);
  EXPECT_TRUE(DataOf(printer, 92).empty());
  EXPECT_TRUE(DataOf(printer, 113).empty());
}

TEST_F(NamesEraseTest, NoToTheQuestionLeavesThePortClosedAndSendsNothing) {
  emu::Emulator& printer = StartFull(3);
  GlowneOkno->Bazanazwitowarw1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, kEraseQuestion);
  EXPECT_TRUE(DataOf(printer, 92).empty());
  EXPECT_FALSE(link::PortObject && link::PortObject->IsOpen());
}

TEST_F(NamesEraseTest, WithoutAControlPrintThePrinterRefuses) {
  emu::Emulator& printer = StartFull(3);
  printer.WithPrinter([](emu::Printer& p) { p.Service().namesDatabase.controlPrinted = false; });
  boxes.answers = {app::kIdYes};
  GlowneOkno->Bazanazwitowarw1Click();
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(boxes.shown[1],
                QStringLiteral("Baza nazw i stawek nie została skasowana.\r\rMożliwe przyczyny:\r "
                               "- baza nazw i stawek nie jest jeszcze zapełniona,\r - przed próbą "
                               "kasowania nie powstał wydruk kontrolny nazw i stawek."),
                kBlad, 0x2010);
  EXPECT_EQ(printer.StatusByte(2) & kNamesFull, kNamesFull);
}

TEST_F(NamesEraseTest, AnErasedClockMemoryNeedsNoErasure) {
  emu::Emulator& printer = StartFull(3);
  printer.WithPrinter(
      [](emu::Printer& p) { p.SetStatusByte(2, static_cast<uint8_t>(p.StatusByte(2) | 0x10)); });
  GlowneOkno->Bazanazwitowarw1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  // The clock check comes first.
  EXPECT_EQ(boxes.shown[0].text,
            QStringLiteral("Skasowana pamięć CMOS. Wejdź do inicjowania zegara."));
  EXPECT_TRUE(DataOf(printer, 92).empty());
}

}  // namespace
}  // namespace sigra::testing
