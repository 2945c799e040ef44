// The fixture of the tax-rate and names-database tests: the operator program
// offscreen against the emulator, with the rates editor at hand.
#ifndef SIGRA_TESTS_TAX_RATE_FIXTURE_H
#define SIGRA_TESTS_TAX_RATE_FIXTURE_H

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

using app::fOdczytStawek;
using app::fStawkiPodatkowe;
using app::GlowneOkno;

constexpr uint8_t kUserDataBit = 0x02;  // status byte 1
constexpr uint8_t kNamesFull = 0x01;    // status byte 2

// Two bytes per rate, most significant first, as a seven-rate printer takes them.
inline std::vector<uint8_t> SevenRates(std::initializer_list<uint16_t> rates) {
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


}  // namespace sigra::testing

#endif
