// The device settings dialog of the Luno printers, offscreen against the
// emulator: what it reads, the order of the group writes, and the program
// following a new line speed.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "app/device_checks.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/dialogs/f_ustawienia.h"
#include "app/dialogs/radio_group.h"
#include "emulator/command_table.h"
#include "emulator/line_speed.h"
#include "tests/app_fixture.h"

namespace sigra::testing {
namespace {

using app::fUstawienia;
using app::GlowneOkno;

constexpr uint8_t kSettingsWrite = 222;
constexpr uint8_t kSettingsRead = 223;
constexpr uint8_t kLunoFeedLines = 237;

class SettingsTest : public AppTest {
 protected:
  emu::Emulator& Start(int type, uint32_t speed = 9600) {
    emu::Emulator& printer = StartPrinter(type, 3);
    ChooseInDialog(3);
    app::Komunikacja->SelectSpeed(static_cast<uint16_t>(speed));
    if (type == 7 || type == 8) printer.FixLineSpeed(speed);
    return printer;
  }

  // Shows the dialog, which reads the printer, then runs `act` on it.
  void InDialog(const std::function<void()>& act) {
    ModalHandler handler([&](QWidget* w) {
      ASSERT_EQ(w, fUstawienia);
      QTRY_VERIFY_WITH_TIMEOUT(fUstawienia->bZapis->isEnabled(), 10000);
      act();
    });
    fUstawienia->exec();
    EXPECT_TRUE(handler.handled());
  }

  // The group of each settings write, and 100 for the extra-lines write, in
  // the order the printer received them.
  std::vector<int> Writes() {
    std::vector<int> writes;
    for (const std::vector<uint8_t>& frame : Printer().Commands()) {
      if (frame.size() >= 3 && frame[1] == kSettingsWrite) writes.push_back(frame[2]);
      if (frame.size() >= 2 && frame[1] == kLunoFeedLines) writes.push_back(100);
    }
    return writes;
  }

  std::vector<uint8_t> LastWriteOf(int group) {
    std::vector<uint8_t> data;
    for (const std::vector<uint8_t>& frame : Printer().Commands()) {
      if (frame.size() == 6 && frame[1] == kSettingsWrite && frame[2] == group) {
        data.assign(frame.begin() + 3, frame.end());
      }
    }
    return data;
  }

  emu::SettingsBlock Block() {
    emu::SettingsBlock block{};
    Printer().WithPrinter([&](emu::Printer& p) { block = p.Service().settings; });
    return block;
  }
};

TEST_F(SettingsTest, ShowingReadsTheBlockIntoTheControls) {
  emu::Emulator& printer = Start(7);
  printer.WithPrinter([](emu::Printer& p) {
    p.Service().settings = {0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 120, 7, 3, 5, 9, 16};
    p.Service().feedLines = 6;
  });
  InDialog([&] {
    EXPECT_EQ(fUstawienia->rgSzybkosc->ItemIndex(), 0);
    EXPECT_EQ(fUstawienia->rgWydruk->ItemIndex(), 1);
    EXPECT_EQ(fUstawienia->rgZera->ItemIndex(), 1);
    EXPECT_EQ(fUstawienia->rgSposobWyswietlenia->ItemIndex(), 0);
    EXPECT_EQ(fUstawienia->rgStronaKodowa->ItemIndex(), 1);
    EXPECT_EQ(fUstawienia->seReklama->value(), 120);
    EXPECT_EQ(fUstawienia->seCzasWyl->value(), 7);
    EXPECT_EQ(fUstawienia->cbTimeout->currentText(), QStringLiteral("3 sekundy"));
    EXPECT_EQ(fUstawienia->sePodsw->value(), 5);
    EXPECT_EQ(fUstawienia->seKontrast->value(), 9);
    EXPECT_EQ(fUstawienia->seGlosnosc->value(), 16);
    EXPECT_EQ(fUstawienia->seLinie->value(), 6);
    EXPECT_TRUE(fUstawienia->rgWydruk->isEnabled());
    EXPECT_TRUE(fUstawienia->rgZera->isEnabled());
    // "03" follows "02".
    fUstawienia->rgWydruk->Item(0)->click();
    EXPECT_FALSE(fUstawienia->rgZera->isEnabled());
  });
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsTest, AVolumeChangeWritesGroupsFourThreeAndZeroOnly) {
  emu::Emulator& printer = Start(7);
  // Bits the dialog does not edit go back as read.
  printer.WithPrinter([](emu::Printer& p) { p.Service().settings[0] |= 0xC0; });
  InDialog([&] {
    printer.ClearRecord();
    fUstawienia->seGlosnosc->setValue(3);
    fUstawienia->bZapis->click();
  });
  EXPECT_EQ(Writes(), (std::vector<int>{4, 3, 0, 100}));
  EXPECT_EQ(Block()[14], 3);
  EXPECT_EQ(LastWriteOf(0)[0] & 0xC0, 0xC0);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsTest, ChangingTo28800FollowsThePrinterBeforeGroupZero) {
  emu::Emulator& printer = Start(7, 9600);
  InDialog([&] {
    printer.ClearRecord();
    fUstawienia->rgSzybkosc->Item(2)->click();
    fUstawienia->bZapis->click();
    EXPECT_TRUE(boxes.shown.empty());
    // The next command reaches the printer at the new speed.
    printer.ClearRecord();
    fUstawienia->bOdczyt->click();
    EXPECT_EQ(fUstawienia->rgSzybkosc->ItemIndex(), 2);
  });
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(emu::LineSpeed(Block()), 28800u);
  EXPECT_EQ(app::ConfiguredSpeed, 28800);
  EXPECT_EQ(app::Komunikacja->SpeedIndex(), 2);
  EXPECT_EQ(GlowneOkno->PanelText(1), QStringLiteral("COM3, 28800 b/s"));
  for (const std::string& line : printer.Journal()) {
    EXPECT_EQ(line.find("not understood"), std::string::npos) << line;
  }
}

TEST_F(SettingsTest, TheWriteOrderOfEachSpeedChange) {
  struct Change {
    uint32_t from;
    int to;  // rgSzybkosc index
    std::vector<int> writes;
  };
  const Change changes[] = {{9600, 2, {4, 3, 2, 0, 100}},
                            {28800, 0, {4, 3, 0, 2, 0, 100}},
                            {28800, 1, {4, 3, 0, 2, 0, 100}},
                            {9600, 1, {4, 3, 0, 100}},
                            {19200, 0, {4, 3, 0, 100}}};
  for (const Change& change : changes) {
    emu::Emulator& printer = Start(8, change.from);
    InDialog([&] {
      printer.ClearRecord();
      fUstawienia->rgSzybkosc->Item(change.to)->click();
      fUstawienia->bZapis->click();
    });
    EXPECT_EQ(Writes(), change.writes) << change.from << " to index " << change.to;
    EXPECT_EQ(emu::LineSpeed(Block()), static_cast<uint32_t>(change.to * 9600 + 9600));
    EXPECT_EQ(app::ConfiguredSpeed, change.to * 9600 + 9600);
    EXPECT_TRUE(boxes.shown.empty()) << change.from;
    boxes.shown.clear();
  }
}

TEST_F(SettingsTest, ALunoFKeepsItsSingleLineBitAsRead) {
  emu::Emulator& printer = Start(8);
  printer.WithPrinter([](emu::Printer& p) { p.Service().settings[0] |= 0x01; });
  InDialog([&] {
    EXPECT_FALSE(fUstawienia->rgWydruk->isEnabled());
    EXPECT_EQ(fUstawienia->rgWydruk->ItemIndex(), 1);
    printer.ClearRecord();
    fUstawienia->bZapis->click();
  });
  EXPECT_EQ(LastWriteOf(0)[0] & 0x01, 0x01);
}

TEST_F(SettingsTest, AnotherPrinterIsRefusedBeforeAnythingIsRead) {
  emu::Emulator& printer = Start(6);
  InDialog([] {});
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Podłączone urządzenie nie jest drukarką LUNO/LUNO F"),
                QStringLiteral("Błąd"), 0x2010);
  for (const std::vector<uint8_t>& frame : printer.Commands()) {
    EXPECT_NE(frame[1], kSettingsRead);
  }
}

TEST_F(SettingsTest, DefaultsThenClosingSendNothing) {
  emu::Emulator& printer = Start(7);
  const emu::SettingsBlock before = Block();
  InDialog([&] {
    printer.ClearRecord();
    fUstawienia->bDomyslne->click();
    EXPECT_EQ(fUstawienia->seCzasWyl->value(), 30);
    EXPECT_EQ(fUstawienia->sePodsw->value(), 12);
    EXPECT_EQ(fUstawienia->rgSposobWyswietlenia->ItemIndex(), 1);
    EXPECT_EQ(fUstawienia->seReklama->value(), 46);
  });
  EXPECT_TRUE(printer.HostBytes().empty());
  EXPECT_EQ(Block(), before);
}

TEST_F(SettingsTest, ARefusedGroupIsShownAndTheButtonsComeBack) {
  emu::Emulator& printer = Start(7);
  InDialog([&] {
    printer.Define(kSettingsWrite,
                   {.answer = [](emu::Printer&) { return emu::Bytes{emu::kAck}; },
                    .dataLength = emu::FixedData(4),
                    .afterData = [](emu::Printer&, const emu::Bytes&) { return emu::Bytes{108}; }});
    fUstawienia->bZapis->click();
    EXPECT_TRUE(fUstawienia->bZapis->isEnabled());
    EXPECT_TRUE(fUstawienia->bOdczyt->isEnabled());
  });
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Parametr przekazany do funkcji poza zakresem."),
                QStringLiteral("Błąd"), 0x2010);
}

TEST_F(SettingsTest, AProgramAtAnotherSpeedGetsNoAnswer) {
  emu::Emulator& printer = Start(7, 9600);
  printer.FixLineSpeed(28800);
  InDialog([] {});
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("TIMEOUT")))
      << boxes.shown[0].text.toStdString();
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Błąd"));
  for (const std::vector<uint8_t>& frame : printer.Commands()) EXPECT_NE(frame[1], kSettingsRead);
}

}  // namespace
}  // namespace sigra::testing
