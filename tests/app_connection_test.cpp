// Start-up, the communication dialog and the device checks against an
// emulated printer on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/message_box.h"
#include "app/startup.h"
#include "link/comm.h"
#include "protocol/connection.h"
#include "protocol/operator_port.h"
#include "tests/app_fixture.h"

namespace sigra::testing {
namespace {

using app::GlowneOkno;
using app::Komunikacja;

const QString kNotFiscal = QStringLiteral("Podłączone urządzenie nie jest drukarką fiskalną");

bool PortOpen() {
  return link::PortObject && link::PortObject->IsOpen();
}

bool Enabled(const char* name) {
  return GlowneOkno->MenuItem(QString::fromLatin1(name))->isEnabled();
}

class ConnectionTest : public AppTest {
 protected:
  // Picks the speed option (when given) in the communication dialog opened
  // from the menu, clicks "Zatwierdź" and reports whether the dialog was still
  // open afterwards.
  bool ConfirmInDialog(int speedIndex = -1, int clicks = 1) {
    bool stillOpen = false;
    ModalHandler confirm([&](QWidget* w) {
      EXPECT_EQ(w, Komunikacja);
      if (speedIndex >= 0) Komunikacja->SetSpeedIndex(speedIndex);
      for (int i = 0; i < clicks && Komunikacja->isVisible(); ++i) Komunikacja->Button1->click();
      stillOpen = Komunikacja->isVisible();
    });
    GlowneOkno->Parametry1Click();
    EXPECT_TRUE(confirm.handled());
    return stillOpen;
  }
};

TEST_F(ConnectionTest, StartUpWithPortAndSpeedConnectsOnFirstActivation) {
  StartPrinter(7, 3);
  app::InitMainWindowModule({"com3", "19200"});
  GlowneOkno->show();
  QTRY_VERIFY_WITH_TIMEOUT(!GlowneOkno->PanelText(0).isEmpty(), 10000);

  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(app::FirstActivation);
  EXPECT_EQ(GlowneOkno->PanelText(0), QStringLiteral("VELMO LUNO"));
  EXPECT_EQ(GlowneOkno->PanelText(1), QStringLiteral("COM3, 19200 b/s"));
  EXPECT_EQ(Komunikacja->cbNumerPortu->currentText(), QStringLiteral("COM3"));
  EXPECT_EQ(Komunikacja->SpeedIndex(), 1);
  EXPECT_EQ(app::ConfiguredComPort, 3);
  EXPECT_EQ(app::ConfiguredSpeed, 19200);
  EXPECT_EQ(OperatorPort.port, 3);
  EXPECT_EQ(OperatorPort.baud, 19200);
  EXPECT_EQ(OperatorPort.writeSeconds, 3);
  EXPECT_EQ(OperatorPort.readSeconds, 5);
  EXPECT_TRUE(PortOpen());
  for (const char* name : kTenItems) EXPECT_TRUE(Enabled(name)) << name;
  EXPECT_TRUE(GlowneOkno->ProgressText().isEmpty());
  EXPECT_EQ(GlowneOkno->cursor().shape(), Qt::ArrowCursor);
  EXPECT_FALSE(Komunikacja->isVisible());

  // A later activation neither probes nor reconnects.
  Printer().ClearRecord();
  GlowneOkno->FormActivate();
  EXPECT_TRUE(CommandBytes().empty());
}

TEST_F(ConnectionTest, StartUpOnATx350DisablesTheSecondGenerationEntries) {
  StartPrinter(0, 3);
  StartUp({"COM3", "28800"});
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(Komunikacja->SpeedIndex(), 2);
  EXPECT_EQ(GlowneOkno->PanelText(0), QStringLiteral("TX350A 5-STAWKOWA"));
  for (const char* name : kTenItems) EXPECT_FALSE(Enabled(name)) << name;
}

TEST_F(ConnectionTest, StartUpWithOnlyAPortOpensTheDialogOnThatPort) {
  StartPrinter(7, 3);
  QString selected;
  ModalHandler dialog([&](QWidget* w) {
    EXPECT_EQ(w, Komunikacja);
    selected = Komunikacja->cbNumerPortu->currentText();
  });
  StartUp({"COM3"});
  EXPECT_TRUE(dialog.handled());
  EXPECT_EQ(selected, QStringLiteral("COM3"));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(CommandBytes().empty());
  EXPECT_FALSE(PortOpen());
}

// COM12 is taken like any port the list can hold (a USB adapter's number,
// say); 9601 is no speed, so the dialog opens on COM12 instead of a
// connection.
TEST_F(ConnectionTest, StartUpTakesCom12ButIgnores9601) {
  StartPrinter(7, 12);
  QString selected;
  ModalHandler dialog([&](QWidget* w) {
    EXPECT_EQ(w, Komunikacja);
    selected = Komunikacja->cbNumerPortu->currentText();
  });
  StartUp({"COM12", "9601"});
  EXPECT_TRUE(dialog.handled());
  EXPECT_EQ(selected, QStringLiteral("COM12"));
  EXPECT_EQ(app::ConfiguredSpeed, 0);
  EXPECT_TRUE(CommandBytes().empty());
}

TEST_F(ConnectionTest, OtherDeviceIsNotAFiscalPrinter) {
  StartPrinter(9, 3);
  {
    ModalHandler noDialog([](QWidget*) { ADD_FAILURE() << "no dialog expected"; }, 0);
    StartUp({"com3", "9600"});
  }
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], kNotFiscal, kBlad, 0x2010);
  EXPECT_EQ(GlowneOkno->PanelText(0), QStringLiteral("INNE URZĄDZENIE"));
  EXPECT_TRUE(GlowneOkno->ProgressText().isEmpty());

  boxes.shown.clear();
  EXPECT_TRUE(ConfirmInDialog());
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], kNotFiscal, kBlad, 0x2010);
}

TEST_F(ConnectionTest, ConfirmingReopensThePortOfTheStartUpConnection) {
  StartPrinter(8, 3);
  StartUp({"com3", "9600"});
  EXPECT_FALSE(ConfirmInDialog(1));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(GlowneOkno->PanelText(0), QStringLiteral("VELMO LUNO F"));
  EXPECT_EQ(GlowneOkno->PanelText(1), QStringLiteral("COM3, 19200 b/s"));
}

TEST_F(ConnectionTest, PortThatCannotBeOpenedKeepsTheDialogOpen) {
  StartPrinter(7, 3);
  ChooseInDialog(3);
  UnlinkPort(3);
  EXPECT_TRUE(ConfirmInDialog());
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Brak portu COM3 w systemie.\rNależy ustawić parametry komunikacji"),
                kBlad, 0x2010);
  EXPECT_TRUE(Komunikacja->Button1->isEnabled());
}

TEST_F(ConnectionTest, ConfirmedLunoAdaptsTheMenuAndShowsTheDevice) {
  StartPrinter(7, 3);
  ChooseInDialog(3);
  EXPECT_FALSE(ConfirmInDialog(2));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(GlowneOkno->PanelText(0), QStringLiteral("VELMO LUNO"));
  EXPECT_EQ(GlowneOkno->PanelText(1), QStringLiteral("COM3, 28800 b/s"));
  for (const char* name : kTenItems) EXPECT_TRUE(Enabled(name)) << name;
  EXPECT_TRUE(Enabled("Nowadrukarka1"));
  EXPECT_TRUE(Enabled("Finansowypodatkowy1"));
  EXPECT_FALSE(Enabled("Ilo1"));
  EXPECT_TRUE(PortOpen());
}

TEST_F(ConnectionTest, ConfirmedSigraOfTheFirstGenerationDisablesTheTenEntries) {
  StartPrinter(2, 3);
  ChooseInDialog(3);
  EXPECT_FALSE(ConfirmInDialog());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(GlowneOkno->PanelText(0), QStringLiteral("SIGRA I GENERACJI"));
  for (const char* name : kTenItems) EXPECT_FALSE(Enabled(name)) << name;
  EXPECT_TRUE(Enabled("Nowadrukarka1"));
  EXPECT_TRUE(Enabled("Ilo1"));
}

TEST_F(ConnectionTest, LockedLunoKeepsTheDialogOpen) {
  StartPrinter(7, 3).SetStatus(96, 0x05);
  ChooseInDialog(3);
  EXPECT_TRUE(ConfirmInDialog());
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("KASA ZABLOKOWANA: \r\nUSZKODZONA PAMIĘĆ PROGRAMU.\r\nBrak pamięci "
                               "fiskalnej.\r\n"),
                kBlad, 0x2010);
  const std::vector<uint8_t> commands = CommandBytes();
  EXPECT_NE(std::find(commands.begin(), commands.end(), 96), commands.end());
  EXPECT_NE(std::find(commands.begin(), commands.end(), 94), commands.end());
  EXPECT_TRUE(GlowneOkno->ProgressText().isEmpty());
}

TEST_F(ConnectionTest, LockByteOfOtherPrintersIsNotAsked) {
  StartPrinter(3, 3).SetStatus(96, 0x05);
  ChooseInDialog(3);
  EXPECT_FALSE(ConfirmInDialog());
  EXPECT_TRUE(boxes.shown.empty());
  const std::vector<uint8_t> commands = CommandBytes();
  EXPECT_EQ(std::find(commands.begin(), commands.end(), 96), commands.end());
}

TEST(LockText, EveryReasonInOrderWithoutBitSix) {
  EXPECT_EQ(app::LockMessage(0xFF),
            QStringLiteral("KASA ZABLOKOWANA: \r\nUSZKODZONA PAMIĘĆ PROGRAMU.\r\nBłąd odczytu z "
                           "pamięci fiskalnej.\r\nBrak pamięci fiskalnej.\r\nUszkodzone dane w "
                           "pamięci nieulotnej.\r\nBrak danych producenta w pamięci "
                           "fiskalnej.\r\nNiezgodna pamięć fiskalna.\r\nUszkodzona pamięć "
                           "programu.\r\n"));
  EXPECT_EQ(app::LockMessage(0x40), QStringLiteral("KASA ZABLOKOWANA: \r\n"));
}

TEST_F(ConnectionTest, ErasedClockIsAskedAgainOnEachConfirmation) {
  StartPrinter(7, 3).SetStatus(148, 0x10);
  ChooseInDialog(3);
  EXPECT_TRUE(ConfirmInDialog(0, 2));
  ASSERT_EQ(boxes.shown.size(), 2u);
  for (const ShownMessage& shown : boxes.shown) {
    ExpectMessage(shown,
                  QStringLiteral(" Pamięć CMOS jest skasowana.\rCzy przejść do ustawiania zegara?"),
                  kBlad, 0x2014);
  }
  EXPECT_EQ(GlowneOkno->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ConnectionTest, EscapeClosesTheDialogWithoutTouchingTheConnection) {
  StartPrinter(7, 3);
  StartUp({"com3", "9600"});
  ASSERT_TRUE(PortOpen());
  Printer().ClearRecord();
  Komunikacja->SetSpeedIndex(2);
  ModalHandler escape([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  GlowneOkno->Parametry1Click();
  EXPECT_TRUE(escape.handled());
  EXPECT_FALSE(Komunikacja->isVisible());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(CommandBytes().empty());
  EXPECT_TRUE(PortOpen());
  EXPECT_EQ(app::ConfiguredSpeed, 9600);
  EXPECT_EQ(GlowneOkno->PanelText(1), QStringLiteral("COM3, 9600 b/s"));
}

TEST_F(ConnectionTest, PaperOutAndReadOnlyGiveKindSix) {
  StartPrinter(7, 3);
  StartUp({"com3", "9600"});
  Printer().SetStatusByte(1, 0x04);
  Printer().SetStatusByte(3, 0x02);
  bool failed = true;
  uint8_t kind = 0;
  EXPECT_FALSE(app::CheckPrinterErrors(failed, kind));
  EXPECT_FALSE(failed);
  EXPECT_EQ(kind, 6);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(GlowneOkno->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ConnectionTest, FourStatusBytesNeverGiveKindsThreeOrSeven) {
  StartPrinter(2, 3);
  StartUp({"com3", "9600"});
  Printer().SetStatusByte(5, 0x40);
  Printer().SetStatusByte(7, 0x02);
  bool failed = true;
  uint8_t kind = 9;
  EXPECT_TRUE(app::CheckPrinterErrors(failed, kind));
  EXPECT_EQ(kind, 0);
}

TEST_F(ConnectionTest, StatusChecksReportAFailedRead) {
  StartPrinter(7, 3);
  StartUp({"com3", "9600"});
  Printer().Nak(91);
  bool failed = false;
  uint8_t kind = 0;
  EXPECT_FALSE(app::CheckPrinterErrors(failed, kind));
  EXPECT_TRUE(failed);
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("NAK na sekwencję sterującą."), kBlad, 0x2010);
  EXPECT_EQ(GlowneOkno->cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(GlowneOkno->ProgressText().isEmpty());
}

TEST_F(ConnectionTest, StatusChecksReadTheirBits) {
  StartPrinter(7, 3);
  StartUp({"com3", "9600"});
  Printer().SetStatusByte(1, 0x08);
  Printer().SetStatusByte(2, 0x10);
  Printer().SetStatusByte(4, 0x00);
  bool failed = true;
  EXPECT_TRUE(app::PrinterInFiscalMode(failed));
  EXPECT_FALSE(app::PrinterReadOnly(failed));
  EXPECT_TRUE(app::ClockMemoryErased(failed));
  EXPECT_TRUE(app::DrawerOpen(failed));
  Printer().SetStatusByte(4, 0x08);
  EXPECT_FALSE(app::DrawerOpen(failed));
  EXPECT_FALSE(failed);
}

TEST_F(ConnectionTest, DeviceStepRefusesAnOtherDevice) {
  StartPrinter(9, 3);
  ChooseInDialog(3);
  uint8_t type = 0;
  EXPECT_FALSE(app::DeviceStep(type));
  EXPECT_EQ(type, 9);
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], kNotFiscal, kBlad, 0x2010);
  EXPECT_TRUE(GlowneOkno->ProgressText().isEmpty());
}

TEST_F(ConnectionTest, ClockAndFiscalModeSteps) {
  StartPrinter(7, 3);
  StartUp({"com3", "9600"});
  Printer().SetStatusByte(2, 0x10);
  EXPECT_FALSE(app::ClockStep());
  Printer().SetStatusByte(2, 0x00);
  Printer().SetStatusByte(1, 0x00);
  EXPECT_TRUE(app::ClockStep());
  EXPECT_FALSE(app::FiscalModeStep());
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Skasowana pamięć CMOS. Wejdź do inicjowania zegara."), kBlad,
                0x2010);
  ExpectMessage(
      boxes.shown[1],
      QStringLiteral(
          "Drukarka pracuje w trybie szkoleniowym.\r    Wydruk raportu nie jest możliwy."),
      QStringLiteral("Informacja"), 0x2040);
}

TEST_F(ConnectionTest, SecondGenerationStep) {
  EXPECT_TRUE(app::SecondGenerationStep(3, {3, 6, 7, 8}, false));
  EXPECT_FALSE(app::SecondGenerationStep(2, {3, 6, 7, 8}, false));
  EXPECT_FALSE(app::SecondGenerationStep(0, {3}, true));
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Podłączone urządzenie nie jest drukarką drugiej generacji"), kBlad,
                0x2010);
  EXPECT_EQ(boxes.shown[1].text,
            QStringLiteral("Podłączone urządzenie nie jest drukarką drugiej generacji."));
}

TEST_F(ConnectionTest, PrintStepOffersToResumeAfterPaperOut) {
  StartPrinter(7, 3);
  StartUp({"com3", "9600"});
  const QString question = QStringLiteral(
      " Brak papieru lub podniesiona głowica mechanizmu drukującego\rCzy wznowić wydruk po "
      "założeniu papieru?");
  boxes.answers = {app::kIdYes};
  int prints = 0;
  EXPECT_EQ(app::PrintStep(7,
                           [&] {
                             ++prints;
                             return 109;
                           }),
            0);
  EXPECT_EQ(prints, 1);
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], question, QStringLiteral("Odpowiedz"), 0x2034);

  boxes.shown.clear();
  EXPECT_EQ(app::PrintStep(7, [] { return 109; }), 109);  // answered No
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, question);
  EXPECT_EQ(GlowneOkno->cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(GlowneOkno->ProgressText().isEmpty());

  boxes.shown.clear();
  EXPECT_EQ(app::PrintStep(7, [] { return 103; }), 103);
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Awaria drukarki."), kBlad, 0x2010);
}

TEST_F(ConnectionTest, AboutBox) {
  QString caption;
  QString version;
  ModalHandler about([&](QWidget* w) {
    caption = w->windowTitle();
    version = w->findChild<QWidget*>(QStringLiteral("lWersja"))->property("text").toString();
    w->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
  });
  GlowneOkno->Oprogramie1Click();
  EXPECT_TRUE(about.handled());
  EXPECT_EQ(caption, QStringLiteral("O programie"));
  EXPECT_EQ(version, QStringLiteral("WERSJA 3.02 z dnia 31.10.2007r."));
}

TEST_F(ConnectionTest, ClosingTheMainWindowClosesThePort) {
  StartPrinter(7, 3);
  StartUp({"com3", "9600"});
  ASSERT_TRUE(PortOpen());
  GlowneOkno->close();
  EXPECT_FALSE(PortOpen());
}

}  // namespace
}  // namespace sigra::testing
