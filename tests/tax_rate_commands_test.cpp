// The tax-rate commands and the rates editor, offscreen against the emulator.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include "tests/tax_rate_fixture.h"

namespace sigra::testing {
namespace {

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
}  // namespace
}  // namespace sigra::testing
