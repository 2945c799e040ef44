// The "&Testy" menu against an emulated printer: the receipt-conditions test
// with its answers, the status window, the display, drawer and program-memory
// tests and the unique number.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/message_box.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_bajty_statusu.h"
#include "app/dialogs/f_dane_uzytkownika.h"
#include "app/dialogs/f_numer_unikatowy.h"
#include "app/dialogs/f_stawki_podatkowe.h"
#include "app/dialogs/f_test_wyswietlacza.h"
#include "emulator/tester_states.h"
#include "tests/app_fixture.h"
#include "tests/printer_state_helpers.h"

namespace sigra::testing {
namespace {

using app::GlowneOkno;

const QString kCanIssue = QStringLiteral("PARAGON MOŻE ZOSTAĆ WYSTAWIONY");

// Runs `action` on each modal dialog (not message box) as it appears, then
// closes it, for as long as the object lives.
class EveryModal {
 public:
  explicit EveryModal(std::function<void(QWidget*)> action) : action_(std::move(action)) {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      // A dialog closed here is gone before the next tick: any dialog seen
      // then is a new showing.
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        action_(dialog);
        dialog->accept();
      }
    });
    poll_.start();
  }

 private:
  std::function<void(QWidget*)> action_;
  QTimer poll_;
};

class TestMenuTest : public AppTest {
 protected:
  emu::Emulator& Connect(int type) {
    emu::Emulator& printer = StartPrinter(type, 3);
    ChooseInDialog(3);
    return printer;
  }

  void Click(const char* item) { GlowneOkno->MenuItem(QString::fromLatin1(item))->trigger(); }

  // The data byte of each display test step sent.
  std::vector<int> DisplaySteps() {
    std::vector<int> steps;
    for (const std::vector<uint8_t>& frame : Printer().Commands()) {
      if (frame.size() == 3 && frame[1] == 50) steps.push_back(frame[2]);
    }
    return steps;
  }
};

TEST_F(TestMenuTest, ReceiptConditionsMet) {
  Connect(3);
  Click("Standrukarki1");
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], kCanIssue, QStringLiteral("Informacja"), app::kInformationStyle);
  EXPECT_EQ(GlowneOkno->cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(GlowneOkno->ProgressText().isEmpty());
}

TEST_F(TestMenuTest, MissingUserDataAnsweredYesOpensTheEditorAndChecksAgain) {
  Connect(3).WithPrinter([](emu::Printer& p) { emu::ClearUserData(p); });
  boxes.answers = {app::kIdYes};
  bool edited = false;
  ModalHandler editor([&](QWidget* w) {
    ASSERT_EQ(w, app::fDaneUzytkownika);
    app::fDaneUzytkownika->L4->setText(QStringLiteral("NIP 123-456-32-18"));
    app::fDaneUzytkownika->Button2->click();
    edited = true;
  });
  Click("Standrukarki1");
  EXPECT_TRUE(edited);
  ASSERT_EQ(boxes.shown.size(), 3u);
  ExpectMessage(
      boxes.shown[0],
      QStringLiteral(" Brak danych użytkownika\rCzy przejść do wprowadzania tych danych?"),
      QStringLiteral("Odpowiedz"), app::kPaperQuestionStyle);
  EXPECT_EQ(boxes.shown[1].text,
            QStringLiteral("Do drukarki zostały zapisane 4 linie danych użytkownika."));
  EXPECT_EQ(boxes.shown[2].text, kCanIssue);
}

TEST_F(TestMenuTest, OverdueDailyReportAnsweredYesRunsTheReportAndChecksAgain) {
  emu::Emulator& printer = Connect(3);
  printer.WithPrinter([](emu::Printer& p) { p.SetBit(148, 3, true); });
  // Yes to the overdue report, Yes to the report of a day without receipts.
  boxes.answers = {app::kIdYes, app::kIdYes};
  Click("Standrukarki1");
  ASSERT_EQ(boxes.shown.size(), 3u);
  ExpectMessage(boxes.shown[0], QStringLiteral(" Zaległy raport dobowy.\rCzy wykonać raport?"),
                QStringLiteral("Odpowiedz"), app::kPaperQuestionStyle);
  EXPECT_EQ(boxes.shown[2].text, kCanIssue);
  const std::vector<uint8_t> commands = CommandBytes();
  EXPECT_NE(std::find(commands.begin(), commands.end(), 37), commands.end());
}

TEST_F(TestMenuTest, MissingTaxRatesAnsweredYesOpensTheRatesEditorAndChecksAgain) {
  // Every rate reserved: the printer has no rates to sell at.
  std::vector<uint8_t> reserved;
  for (int rate = 0; rate < 7; ++rate) reserved.insert(reserved.end(), {0x80, 0x00});
  Connect(3).WithPrinter([&](emu::Printer& p) { p.Fiscal().rates.SetBytes(reserved); });
  boxes.answers = {app::kIdYes, app::kIdNo};
  ModalHandler editor([&](QWidget* w) { EXPECT_EQ(w, app::fStawkiPodatkowe); });
  Click("Standrukarki1");
  EXPECT_TRUE(editor.handled());
  const QString question =
      QStringLiteral(" Brak stawek podatkowych\rCzy przejść do wprowadzania tych danych?");
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(boxes.shown[0], question, QStringLiteral("Odpowiedz"), app::kPaperQuestionStyle);
  // The rates were left as they were, so the check finds them missing again.
  EXPECT_EQ(boxes.shown[1].text, question);
}

TEST_F(TestMenuTest, ConditionsThatEndAndThatAskAgain) {
  emu::Emulator& printer = Connect(3);
  printer.WithPrinter([](emu::Printer& p) { emu::SetServiceJumper(p, true); });
  Click("Standrukarki1");
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("   Wystawienie paragonu jest niemożliwe.   \r"
                               " Zwora serwisowa jest w pozycji serwisowej."),
                kBlad, app::kErrorStyle);

  boxes.shown.clear();
  printer.WithPrinter([](emu::Printer& p) { emu::SetServiceJumper(p, false); });
  printer.SetPaper(false);
  // Yes asks again, and the paper is still out; No ends.
  boxes.answers = {app::kIdYes, app::kIdNo};
  Click("Standrukarki1");
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(boxes.shown[1],
                QStringLiteral("Brak papieru lub podniesiona głowica mechanizmu drukującego.\r"
                               "Należy założyć papier/lub opuścić głowicę mechanizmu.\r"
                               "Czy sprawdzić ponownie warunki wystawienia paragonu?"),
                kBlad, app::kPaperQuestionStyle);
}

TEST_F(TestMenuTest, NotAFiscalPrinterEndsWithAFullStop) {
  Connect(9);
  Click("Standrukarki1");
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Podłączone urządzenie nie jest drukarką fiskalną."),
                kBlad, app::kErrorStyle);
}

TEST_F(TestMenuTest, DisplayTestOnANegativeLunoShowsThePicturesInOrder) {
  Connect(7).WithPrinter([](emu::Printer& p) { emu::SetNegativeDisplay(p, true); });
  QStringList shown;
  QStringList labels;
  EveryModal record([&](QWidget*) {
    QLabel* image = app::fTestWyswietlacza->ShownImage();
    shown << (image ? image->objectName() : QStringLiteral("none"));
    labels << app::fTestWyswietlacza->Label1->text();
  });
  Click("Wy1");
  EXPECT_EQ(shown, (QStringList{"iTest2", "iTest1", "iTest3Neg", "iTest4Neg"}));
  for (const QString& label : labels) {
    EXPECT_EQ(label, QStringLiteral("Test powinien wyświetlić poniższą bitmapę"));
  }
  EXPECT_TRUE(Eventually([&] { return DisplaySteps().size() == 5; }));
  EXPECT_EQ(DisplaySteps(), (std::vector<int>{0, 1, 3, 4, 2}));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TestMenuTest, DisplayTestOnAPositiveLunoAndOnSegments) {
  Connect(8);
  QStringList shown;
  EveryModal record([&](QWidget*) {
    QLabel* image = app::fTestWyswietlacza->ShownImage();
    shown << (image ? image->objectName() : QStringLiteral("none"));
  });
  Click("Wy1");
  EXPECT_EQ(shown, (QStringList{"iTest1", "iTest2", "ITest3", "ITest4"}));
}

TEST_F(TestMenuTest, DisplayTestOnASegmentDisplay) {
  Connect(6);
  QStringList labels;
  EveryModal record([&](QWidget*) {
    EXPECT_EQ(app::fTestWyswietlacza->ShownImage(), nullptr);
    labels << app::fTestWyswietlacza->Label1->text();
  });
  Click("Wy1");
  ASSERT_EQ(labels.size(), 2);
  EXPECT_EQ(labels[0], QStringLiteral("Test powinien spowodować zapalenie segmentów\n"
                                      "wyświetlacza jak pokazano niżej:            \n"
                                      "                                            \n"
                                      "             RAZEM                                    \n"
                                      "                                            \n"
                                      "               8.8.8.8.8.8.8.8.8.                     "));
  EXPECT_TRUE(labels[1].contains(QStringLiteral("                                RESZTA")));
  EXPECT_TRUE(Eventually([&] { return DisplaySteps().size() == 3; }));
  EXPECT_EQ(DisplaySteps(), (std::vector<int>{0, 1, 2}));
}

TEST_F(TestMenuTest, DisplayAndDrawerNeedASecondGenerationModel) {
  Connect(2);
  Click("Wy1");
  Click("N41");
  ASSERT_EQ(boxes.shown.size(), 2u);
  for (const ShownMessage& m : boxes.shown) {
    ExpectMessage(m, QStringLiteral("Podłączone urządzenie nie jest drukarką drugiej generacji."),
                  kBlad, app::kErrorStyle);
  }
}

TEST_F(TestMenuTest, DrawerTestAsksToCloseTheDrawerFirst) {
  emu::Emulator& printer = Connect(3);
  printer.WithPrinter([](emu::Printer& p) { emu::SetDrawerOpen(p, true); });
  Click("N41");
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("W celu wykonania testu należy zamknąć szufladę.\r"
                               "           Czy kontynuować?                    "),
                QStringLiteral("Pytanie"), app::kQuestionStyle);

  printer.WithPrinter([](emu::Printer& p) { emu::SetDrawerOpen(p, false); });
  boxes.shown.clear();
  Click("N41");
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Szuflada została otwarta"),
                QStringLiteral("Informacja"), app::kInformationStyle);
  const std::vector<uint8_t> commands = CommandBytes();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), 87), 1);

  // A drawer that does not open.
  printer.WithPrinter([](emu::Printer& p) { emu::SetDrawerOpen(p, false); });
  printer.Define(
      87, {.name = "drawer 1 open", .answer = [](emu::Printer&) { return emu::Bytes{emu::kAck}; }});
  boxes.shown.clear();
  Click("N41");
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Szuflada nie została otwarta lub nie jest podłączona"),
                QStringLiteral("Uwaga"), app::kWarningStyle);
}

TEST_F(TestMenuTest, StatusWindowDescribesTheBytesAndStopsWhenClosed) {
  emu::Emulator& printer = Connect(3);
  printer.SetStatusByte(1, 0x3B);
  app::UserDataDeviceType = 3;
  QStringList lines;
  ModalHandler window([&](QWidget* w) {
    EXPECT_EQ(w, app::fBajtyStatusu);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Informacja..."));
    EXPECT_TRUE(app::fBajtyStatusu->tStatus->isActive());
  });
  Click("Bajtystatusu1");
  EXPECT_TRUE(window.handled());
  EXPECT_FALSE(app::fBajtyStatusu->tStatus->isActive());

  printer.SetControllerLost(true);
  printer.SetStatusByte(3, 0x08);
  app::fBajtyStatusu->tStatusTimer();
  lines = app::fBajtyStatusu->Lines();
  EXPECT_EQ(lines, (QStringList{"Wpisane dane o użytkowniku", "Moduł w trybie fiskalnym",
                                "Wersja oprogramowania w module : 03",
                                "Brak komunikacji z kontrolerem drukarki"}))
      << lines.join('|').toStdString();

  printer.SetControllerLost(false);
  app::fBajtyStatusu->tStatusTimer();
  EXPECT_TRUE(app::fBajtyStatusu->Lines().contains(QStringLiteral(
      "Za niskie napięcie baterii na pakiecie głównym (lub podtrzymującej zegar), dalsza praca "
      "możliwa ale powiadom serwis")));
  EXPECT_FALSE(app::fBajtyStatusu->tStatus->isActive());
}

TEST_F(TestMenuTest, StatusWindowClosesOnAFailedReading) {
  Connect(3).SetSilent(true);
  app::fBajtyStatusu->tStatusTimer();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, kBlad);
  EXPECT_EQ(boxes.shown[0].flags, app::kErrorStyle);
}

TEST_F(TestMenuTest, ProgramMemoryTestWarnsFirst) {
  emu::Emulator& printer = Connect(3);
  const QString warning = QStringLiteral(
      "Test powoduje zapis do pamięci drukarki fiskalnej.\rCelem testu jest sprawdzenie "
      "poprawności działania\rpamięci drukarki fiskalnej.\rPonieważ test wiąże się z zapisaniem "
      "informacji do pamięci\rdrukarki fiskalnej, więc nie należy wykonywać go "
      "niepotrzebnie.\rPrzewidziano możliwość wykonania tego testu 255 razy.\rCzy wykonać test?");
  Click("PamicEPROM1");
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], warning, QStringLiteral("Odpowiedz"), app::kFaultQuestionStyle);
  EXPECT_TRUE(printer.Printouts().empty());

  boxes.answers = {app::kIdYes};
  Click("PamicEPROM1");
  EXPECT_EQ(boxes.shown.size(), 2u);
  ASSERT_EQ(printer.Printouts().size(), 1u);
  EXPECT_NE(printer.Printouts()[0].find("POZOSTAŁO TESTÓW: 254"), std::string::npos);
}

TEST_F(TestMenuTest, ProgramMemoryTestOffersToResumeAfterPaperOut) {
  emu::Emulator& printer = Connect(3);
  printer.PaperRunsOutAfter(1);
  boxes.answers = {app::kIdYes, app::kIdNo};
  Click("PamicEPROM1");
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(boxes.shown[1],
                QStringLiteral(" Brak papieru lub podniesiona głowica mechanizmu drukującego\r"
                               "Czy wznowić wydruk po założeniu papieru?"),
                QStringLiteral("Odpowiedz"), app::kPaperQuestionStyle);
}

TEST_F(TestMenuTest, UniqueNumberShownInItsDialog) {
  Connect(7);
  QString label;
  ModalHandler dialog([&](QWidget* w) {
    EXPECT_EQ(w, app::fNumerUnikatowy);
    label = app::fNumerUnikatowy->lNumerUnikatowy->text();
  });
  Click("Numerunikatowy1");
  EXPECT_EQ(label, QStringLiteral("Numer unikatowy drukarki: ABC12345678"));
}

}  // namespace
}  // namespace sigra::testing
