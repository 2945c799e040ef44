// The "&Ustawienia" menu and its dialogs against an emulated printer: the
// register number and operator code, the paper feed, the rounding and the two
// dates a Luno keeps.
#include <gtest/gtest.h>

#include <QAction>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "app/device_checks.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/message_box.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_data_euro_przeglad.h"
#include "app/dialogs/f_ilosc_wierszy.h"
#include "app/dialogs/f_numer_kasy.h"
#include "app/dialogs/f_sposob_zaokraglania.h"
#include "app/dialogs/f_ustawienia.h"
#include "app/dialogs/radio_group.h"
#include "emulator/tester_states.h"
#include "tests/app_fixture.h"
#include "tests/printer_state_helpers.h"

namespace sigra::testing {
namespace {

using app::GlowneOkno;

class SettingsTest : public AppTest {
 protected:
  // A printer of this type on COM3, connected as after the start-up.
  emu::Emulator& Connect(int type) {
    emu::Emulator& printer = StartPrinter(type, 3);
    ChooseInDialog(3);
    uint8_t connected = 0;
    bool failed = false;
    EXPECT_TRUE(app::CheckFiscalDevice(connected, failed));
    return printer;
  }

  // The data of the last frame of `command` the printer received.
  std::vector<uint8_t> LastData(uint8_t command) {
    std::vector<uint8_t> data;
    for (const std::vector<uint8_t>& frame : Printer().Commands()) {
      if (frame.size() >= 2 && frame[1] == command) data.assign(frame.begin() + 2, frame.end());
    }
    return data;
  }

  // Whether the printer received `data` with the last frame of `command`,
  // within the time it takes the data to arrive.
  bool Received(uint8_t command, const std::vector<uint8_t>& data) {
    return Eventually([&] { return LastData(command) == data; });
  }

  // Opens the date dialog from the menu and runs `action` in it.
  void InDateDialog(const char* item, const std::function<void()>& action) {
    ModalHandler dialog([&](QWidget* w) {
      EXPECT_EQ(w, app::fDataEuroPrzeglad);
      action();
    });
    GlowneOkno->MenuItem(QString::fromLatin1(item))->trigger();
    EXPECT_TRUE(dialog.handled());
  }
};

TEST_F(SettingsTest, LunoSettingsEntryOpensTheDeviceSettings) {
  Connect(7);
  ModalHandler dialog([&](QWidget* w) { EXPECT_EQ(w, app::fUstawienia); });
  GlowneOkno->MenuItem(QStringLiteral("Ustawienia2"))->trigger();
  EXPECT_TRUE(dialog.handled());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsTest, RegisterNumberAndCodeArePaddedToTwoCharacters) {
  Connect(3);
  app::fNumerKasy->seNrKasy->setValue(7);
  app::fNumerKasy->eKod->clear();
  app::fNumerKasy->Button1Click();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(Received(67, {'0', '7', ' ', ' '}));

  app::fNumerKasy->seNrKasy->setValue(12);
  app::fNumerKasy->eKod->setText(QStringLiteral("K"));
  app::fNumerKasy->Button1Click();
  EXPECT_TRUE(Received(67, {'1', '2', ' ', 'K'}));
}

TEST_F(SettingsTest, RegisterNumberCommandShowsWhatThePrinterHolds) {
  Connect(7).WithPrinter([](emu::Printer& p) {
    p.Service().registerNumber = {'4', '2', 'A', 'B'};
  });
  int number = 0;
  QString code;
  ModalHandler dialog([&](QWidget* w) {
    EXPECT_EQ(w, app::fNumerKasy);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Odpowiedz..."));
    number = app::fNumerKasy->seNrKasy->value();
    code = app::fNumerKasy->eKod->text();
  });
  GlowneOkno->Nrkasyikodobsugujcego1Click();
  EXPECT_EQ(number, 42);
  EXPECT_EQ(code, QStringLiteral("AB"));
}

TEST_F(SettingsTest, FeedLinesMayBeZeroOnALunoOnly) {
  Connect(7);
  int least = -1;
  ModalHandler luno([&](QWidget*) { least = app::fIloscWierszy->seIloscWierszy->minimum(); });
  GlowneOkno->Ilo1Click();
  EXPECT_EQ(least, 0);
  EXPECT_EQ(app::fIloscWierszy->seIloscWierszy->value(), 0);
  app::fIloscWierszy->seIloscWierszy->setValue(5);
  app::fIloscWierszy->Button1Click();
  EXPECT_TRUE(Received(237, {5}));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsTest, FeedLinesAtLeastThreeOnASigra) {
  Connect(3);
  int least = -1;
  ModalHandler sigra([&](QWidget*) { least = app::fIloscWierszy->seIloscWierszy->minimum(); });
  GlowneOkno->Ilo1Click();
  EXPECT_EQ(least, 3);
  app::fIloscWierszy->Button1Click();
  EXPECT_TRUE(Received(70, {3}));
}

TEST_F(SettingsTest, RoundingIsReadOnShowingAndWritten) {
  Connect(3).WithPrinter([](emu::Printer& p) { p.Service().rounding = 2; });
  int shown = -1;
  ModalHandler dialog([&](QWidget*) {
    shown = app::fSposobZaokraglania->rgZaokraglanie->ItemIndex();
    app::fSposobZaokraglania->rgZaokraglanie->SetItemIndex(1);
    app::fSposobZaokraglania->Button1->click();
  });
  GlowneOkno->Sposbzaokrglania1Click();
  EXPECT_EQ(shown, 2);
  EXPECT_TRUE(Received(116, {'1'}));
  EXPECT_EQ(Peek(Printer(), [](emu::Printer& p) { return p.Service().rounding; }), 1);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsTest, RoundingRefusedByThePrinterCountsAsToAGrosz) {
  Connect(2);
  app::fSposobZaokraglania->rgZaokraglanie->SetItemIndex(2);
  int shown = -1;
  ModalHandler dialog(
      [&](QWidget*) { shown = app::fSposobZaokraglania->rgZaokraglanie->ItemIndex(); });
  GlowneOkno->Sposbzaokrglania1Click();
  EXPECT_EQ(shown, 0);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsTest, InspectionDateNeverSetOffersTodayAYearAhead) {
  Connect(7);
  QDate offered;
  QString caption;
  InDateDialog("Datanastpnegoprzegldu1", [&] {
    offered = app::fDataEuroPrzeglad->dtDate->date();
    caption = app::fDataEuroPrzeglad->windowTitle();
  });
  EXPECT_FALSE(app::EuroDateMode);
  EXPECT_EQ(caption, QStringLiteral("Data następnego przeglądu okresowego"));
  EXPECT_EQ(offered, QDate::currentDate().addYears(1));
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("W drukarce brak daty kolejnego przeglądu"),
                QStringLiteral("UWAGA"), app::kWarningStyle);
}

TEST_F(SettingsTest, EuroDateReadAndAnInvalidOneReported) {
  emu::Emulator& printer = Connect(8);
  printer.WithPrinter([](emu::Printer& p) { p.Memory().keptDates[0] = {9, 2, 28}; });
  QDate shown;
  InDateDialog("Datawprowadzeniaeuro1", [&] { shown = app::fDataEuroPrzeglad->dtDate->date(); });
  EXPECT_TRUE(app::EuroDateMode);
  EXPECT_EQ(app::fDataEuroPrzeglad->windowTitle(), QStringLiteral("Data wprowadzenia euro"));
  EXPECT_EQ(shown, QDate(2009, 2, 28));
  EXPECT_TRUE(boxes.shown.empty());

  printer.WithPrinter([](emu::Printer& p) { p.Memory().keptDates[0] = {9, 2, 30}; });
  app::fDataEuroPrzeglad->bOdczytClick();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("W drukarce wpisana niewłaściwa data przejścia na euro"),
                QStringLiteral("Błąd"), app::kWarningStyle);
}

TEST_F(SettingsTest, DateWrittenOnlyWithTheServiceJumperSet) {
  emu::Emulator& printer = Connect(7);
  app::EuroDateMode = false;
  app::fDataEuroPrzeglad->dtDate->setDate(QDate(2031, 5, 6));
  // The jumper is in its normal position: asked twice, then given up.
  boxes.answers = {app::kIdYes, app::kIdNo};
  app::fDataEuroPrzeglad->bZapisClick();
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Ustawienie daty jest niemożliwe.\r"
                               "Zwora serwisowa jest w pozycji normalnej.        \r"
                               "Czy sprawdzić stan zwory ponownie?        "),
                QStringLiteral("Błąd"), app::kFaultQuestionStyle);
  EXPECT_TRUE(LastData(249).empty());

  printer.WithPrinter([](emu::Printer& p) { emu::SetServiceJumper(p, true); });
  boxes.shown.clear();
  app::fDataEuroPrzeglad->bZapisClick();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Zapisano datę następnego przeglądu do drukarki fiskalnej"),
                QStringLiteral("Informacja"), app::kInformationStyle);
  // Kind 1, then 31, 5, 6 in packed BCD.
  EXPECT_TRUE(Received(249, {1, 0x31, 0x05, 0x06}));
  EXPECT_EQ(GlowneOkno->cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
}  // namespace sigra::testing
