// The fiscalisation and the settlement report against an emulated printer:
// the refusals before any question, the bytes of the irreversible commands,
// the Luno's progress bar, the unique number asked again, and that no
// answer No lets an irreversible command reach the printer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <map>

#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_data_i_numer.h"
#include "app/dialogs/f_okresowe_wg_numerow.h"
#include "app/dialogs/f_stawki_podatkowe.h"
#include "emulator/tester_states.h"
#include "tests/app_fixture.h"

namespace sigra::testing {
namespace {

using app::GlowneOkno;

constexpr uint8_t kFiscalise = 114;
constexpr uint8_t kSettle = 49;

// Answers Yes to every question but the `noAt`-th (from 1; 0: none), OK to
// the rest, and records them all.
class QuestionBoxes : public ScriptedBoxes {
 public:
  int MessageBoxExA(const QString& text, const QString& caption, uint32_t flags) override {
    shown.push_back({text, caption, flags});
    if ((flags & 0x0F) != app::kMbYesNo) return app::kIdOk;
    return ++questions == noAt ? app::kIdNo : app::kIdYes;
  }
  int noAt = 0;
  int questions = 0;
};

// Runs the action of each modal dialog when it becomes the active one, as
// often as it appears.
class Dialogs {
 public:
  explicit Dialogs(std::map<QWidget*, std::function<void()>> actions)
      : actions_(std::move(actions)) {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      QWidget* active = QApplication::activeModalWidget();
      if (active == last_) return;
      last_ = active;
      const auto found = actions_.find(active);
      if (found != actions_.end()) {
        ++runs[active];
        found->second();
      }
    });
    poll_.start();
  }
  std::map<QWidget*, int> runs;

 private:
  std::map<QWidget*, std::function<void()>> actions_;
  QTimer poll_;
  QWidget* last_ = nullptr;
};

class FiscalSwitchTest : public AppTest {
 protected:
  emu::Emulator& Connect(int type) {
    emu::Emulator& printer = StartPrinter(type, 3);
    StartUp({"COM3", "9600"});
    printer.ClearRecord();
    app::SetMessageBoxes(&questions);
    return printer;
  }
  void TearDown() override {
    app::SetMessageBoxes(&boxes);
    AppTest::TearDown();
  }
  bool Fiscal() { return (Printer().StatusByte(1) & 0x08) != 0; }
  bool SentIrreversible() {
    return !DataOf(Printer(), kFiscalise).empty() || !DataOf(Printer(), kSettle).empty();
  }

  QuestionBoxes questions;
};

// The rates editor confirmed as it was filled.
std::map<QWidget*, std::function<void()>> ConfirmRates() {
  return {{app::fStawkiPodatkowe, [] { app::fStawkiPodatkowe->Button1->click(); }}};
}

TEST_F(FiscalSwitchTest, RefusedOnAFiscalPrinterAndWithTheJumperInItsNormalPosition) {
  Connect(7);
  Printer().WithPrinter([](emu::Printer& p) { emu::SetFiscalMode(p, true); });
  GlowneOkno->Przeczeniewtrybfiskalny1Click();
  ASSERT_EQ(questions.shown.size(), 1u);
  ExpectMessage(questions.shown[0], QStringLiteral("Drukarka pracuje już w trybie fiskalnym."),
                QStringLiteral("Informacja"), 0x2040);

  questions.shown.clear();
  Printer().WithPrinter([](emu::Printer& p) { emu::SetFiscalMode(p, false); });
  GlowneOkno->Przeczeniewtrybfiskalny1Click();
  ASSERT_EQ(questions.shown.size(), 1u);
  ExpectMessage(questions.shown[0],
                QStringLiteral("      Zwora serwisowa w pozycji normalnej.\rWykonanie "
                               "fiskalizacji drukarki jest niemożliwe."),
                QStringLiteral("Informacja"), 0x2040);
  EXPECT_FALSE(SentIrreversible());
}

TEST_F(FiscalSwitchTest, LunoWithoutRatesIsFiscalisedWithTheOfferedRatesAndTheBarMoves) {
  Connect(7);
  Printer().WithPrinter([](emu::Printer& p) {
    emu::SetServiceJumper(p, true);
    p.Fiscal().rates.SetBytes({0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0});
  });
  int steps = 0;
  QObject::connect(GlowneOkno->pbFiskal, &QProgressBar::valueChanged, [&](int value) {
    if (value > 0) ++steps;
  });
  Dialogs dialogs(ConfirmRates());
  GlowneOkno->Przeczeniewtrybfiskalny1Click();
  EXPECT_EQ(dialogs.runs[app::fStawkiPodatkowe], 1);
  const auto sent = DataOf(Printer(), kFiscalise);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0],
            (std::vector<uint8_t>{0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x08, 0x98, 0x02, 0xBC,
                                  0x00, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0x40, 0x00}));
  EXPECT_EQ(steps, 4);
  EXPECT_FALSE(GlowneOkno->pbFiskal->isVisible());
  EXPECT_TRUE(Fiscal());
  ASSERT_FALSE(questions.shown.empty());
  ExpectMessage(questions.shown.back(), QStringLiteral("Drukarka została sfiskalizowana."),
                QStringLiteral("Informacja"), 0x2040);
  EXPECT_FALSE(app::CollectRatesOnly);
}

TEST_F(FiscalSwitchTest, EveryNoBeforeTheSwitchSendsNothingIrreversible) {
  Connect(3);
  Printer().WithPrinter([](emu::Printer& p) { emu::SetServiceJumper(p, true); });
  {
    // Closing the rates editor without confirming ends it.
    Dialogs cancel({{app::fStawkiPodatkowe, [] { app::fStawkiPodatkowe->Button2->click(); }}});
    GlowneOkno->Przeczeniewtrybfiskalny1Click();
    EXPECT_EQ(cancel.runs[app::fStawkiPodatkowe], 1);
    EXPECT_FALSE(SentIrreversible());
    EXPECT_FALSE(app::CollectRatesOnly);
  }

  int asked = 0;
  for (int no = 1; no < 12; ++no) {
    questions.noAt = no;
    questions.questions = 0;
    Dialogs dialogs(ConfirmRates());
    GlowneOkno->Przeczeniewtrybfiskalny1Click();
    if (questions.questions < no) break;  // every question was answered Yes
    asked = no;
    EXPECT_FALSE(SentIrreversible()) << "No to question " << no;
    EXPECT_FALSE(Fiscal());
  }
  // The start, the purpose, the header printout and the switch itself; with
  // all four answered Yes the printer was fiscalised.
  EXPECT_EQ(asked, 4);
  EXPECT_TRUE(Fiscal());
}

// The date-and-number dialog filled with the printer's date and `number`.
std::function<void()> EnterNumber(const char* number) {
  return [number] {
    app::fDataINumer->db->setDate(QDate(2024, 5, 17));
    app::fDataINumer->meNumer->setText(QString::fromLatin1(number));
    app::fDataINumer->Button2->click();
  };
}

TEST_F(FiscalSwitchTest, SettlementByNumbersCarriesTheRangeAndLeavesTheFiscalPrinterReadOnly) {
  Connect(7);
  Printer().WithPrinter([](emu::Printer& p) { emu::SetFiscalMode(p, true); });
  Dialogs dialogs(
      {{app::fDataINumer, EnterNumber("12345678")}, {app::fOkresoweWgNumerow, [] {
                                                       app::fOkresoweWgNumerow->seOd->setValue(1);
                                                       app::fOkresoweWgNumerow->seDo->setValue(300);
                                                       app::fOkresoweWgNumerow->Button1->click();
                                                     }}});
  GlowneOkno->Wedugnumerw3Click();
  const auto sent = DataOf(Printer(), kSettle);
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_EQ(sent[0].size(), 15u);
  EXPECT_EQ(sent[0][0], 7);
  EXPECT_EQ(std::vector<uint8_t>(sent[0].begin() + 5, sent[0].begin() + 11),
            (std::vector<uint8_t>{2, 4, 0, 5, 1, 7}));
  EXPECT_EQ(std::vector<uint8_t>(sent[0].begin() + 11, sent[0].end()),
            (std::vector<uint8_t>{0x01, 0x00, 0x2C, 0x01}));
  // The printer has no daily reports to settle, yet it is read-only now.
  ASSERT_GE(questions.shown.size(), 2u);
  ExpectMessage(questions.shown[questions.shown.size() - 2],
                QStringLiteral(" Nie wykonano raportu rozliczeniowego.\rW podanym okresie brak "
                               "raportów dobowych"),
                QStringLiteral("Błąd"), 0x2010);
  ExpectMessage(questions.shown.back(), QStringLiteral("Drukarka w trybie TYLKO ODCZYT."),
                QStringLiteral("Informacja"), 0x2040);
  EXPECT_EQ(Printer().StatusByte(1) & 0x04, 0x04);
  EXPECT_FALSE(app::CollectReportRange);
}

TEST_F(FiscalSwitchTest, WrongUniqueNumberAsksAgainAndNoSendsNothing) {
  Connect(3);
  Printer().WithPrinter([](emu::Printer& p) { emu::SetFiscalMode(p, true); });
  // The warning is answered Yes, the question to try again No.
  questions.noAt = 2;
  Dialogs dialogs({{app::fDataINumer, EnterNumber("11111111")}});
  GlowneOkno->Cao1Click();
  const auto again = std::find_if(questions.shown.begin(), questions.shown.end(), [](auto& m) {
    return m.text == QStringLiteral("Niewłaściwy numer unikatowy\r\r   Czy spróbować ponownie? ");
  });
  ASSERT_NE(again, questions.shown.end());
  EXPECT_EQ(again->caption, QStringLiteral("Błąd"));
  EXPECT_EQ(again->flags, 0x2014u);
  EXPECT_FALSE(SentIrreversible());

  // No to the warning, to the last confirmation: nothing is sent either.
  for (int no = 1; no <= 2; ++no) {
    questions.noAt = no;
    questions.questions = 0;
    Dialogs right({{app::fDataINumer, EnterNumber("12345678")}});
    GlowneOkno->Cao1Click();
    EXPECT_FALSE(SentIrreversible()) << "No to question " << no;
  }
  EXPECT_EQ(Printer().StatusByte(1) & 0x04, 0);
}

}  // namespace
}  // namespace sigra::testing
