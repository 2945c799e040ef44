// The control print of names and rates from "baza.txt" and the erasure of the
// names database, offscreen against the emulator.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QProgressBar>
#include <filesystem>
#include <fstream>

#include "tests/tax_rate_fixture.h"

namespace sigra::testing {
namespace {

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
