// The operator program's forms created afresh for each test, a scripted
// stand-in for the message boxes and, on demand, an emulated printer linked
// as a COM port of a private dosdevices folder.
#ifndef SIGRA_TESTS_APP_FIXTURE_H
#define SIGRA_TESTS_APP_FIXTURE_H

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "emulator/emulator.h"

// Readable QStrings in the failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace sigra::testing {

// The menu entries that only second-generation printers enable.
inline constexpr const char* kTenItems[] = {"Odczytuytkownika1",
                                            "Miesiczny1",
                                            "Miesiczny2",
                                            "Wedugnumerw1",
                                            "Wedugnumerw2",
                                            "Opiswstaych1",
                                            "Zdalnewyaczeniedrukarki1",
                                            "Wy1",
                                            "N41",
                                            "Zapis1"};

struct ShownMessage {
  QString text;
  QString caption;
  uint32_t flags;
};

// Records every message and answers from a queue; with the queue empty it
// answers OK, or No to a question.
class ScriptedBoxes : public app::MessageBoxes {
 public:
  int MessageBoxExA(const QString& text, const QString& caption, uint32_t flags) override;

  std::vector<ShownMessage> shown;
  std::deque<int> answers;
};

// Runs `action` on the first modal widget that appears, then rejects any
// dialog still open, so that a failed check cannot leave a test hanging.
class ModalHandler {
 public:
  explicit ModalHandler(std::function<void(QWidget*)> action, int timeoutMs = 10000);
  ~ModalHandler();
  ModalHandler(const ModalHandler&) = delete;
  ModalHandler& operator=(const ModalHandler&) = delete;

  bool handled() const { return handled_; }

 private:
  std::function<void(QWidget*)> action_;
  QTimer poll_;
  QElapsedTimer started_;
  int timeoutMs_;
  bool handled_ = false;
};

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts a printer of this type linked as COM`port`.
  emu::Emulator& StartPrinter(int deviceType, int port = 3);
  emu::Emulator& Printer() { return *emulator_; }
  void UnlinkPort(int port);
  // The command bytes of each frame the printer received, without the ESC.
  std::vector<uint8_t> CommandBytes() const;

  // Runs the first activation with these command-line arguments.
  void StartUp(const QStringList& arguments);

  // Fills the communication dialog's port list and selects COM`port`.
  void ChooseInDialog(int port);

  ScriptedBoxes boxes;

 private:
  // Closes a modal dialog that no test action handles within a few seconds.
  QTimer watchdog_;
  QWidget* lastModal_ = nullptr;
  QElapsedTimer modalSince_;
  std::string dir_;
  std::unique_ptr<emu::Emulator> emulator_;
};

void ExpectMessage(const ShownMessage& shown, const QString& text, const QString& caption,
                   uint32_t flags);

// The captions of the program's message boxes.
inline const QString kBlad = QStringLiteral("Błąd");
inline const QString kInformacja = QStringLiteral("Informacja");

// The data bytes of every frame of `command` the printer received.
using Frames = std::vector<std::vector<uint8_t>>;
inline Frames DataOf(const emu::Emulator& printer, uint8_t command) {
  Frames found;
  for (const std::vector<uint8_t>& frame : printer.Commands()) {
    if (frame.size() >= 2 && frame[1] == command)
      found.emplace_back(frame.begin() + 2, frame.end());
  }
  return found;
}

}  // namespace sigra::testing

#endif
