#include "tests/app_fixture.h"

#include <stdlib.h>

#include <QDialog>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/startup.h"
#include "commands/driver_state.h"
#include "link/comm.h"
#include "protocol/connection.h"
#include "protocol/operator_port.h"

namespace sigra::testing {

int ScriptedBoxes::MessageBoxExA(const QString& text, const QString& caption, uint32_t flags) {
  shown.push_back({text, caption, flags});
  if (!answers.empty()) {
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  return (flags & 0x0F) == app::kMbYesNo ? app::kIdNo : app::kIdOk;
}

ModalHandler::ModalHandler(std::function<void(QWidget*)> action, int timeoutMs)
    : action_(std::move(action)), timeoutMs_(timeoutMs) {
  started_.start();
  poll_.setInterval(5);
  QObject::connect(&poll_, &QTimer::timeout, [this] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && !handled_) {
      handled_ = true;
      action_(modal);
    }
    modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<QDialog*>(modal);
        dialog && (handled_ || started_.elapsed() > timeoutMs_)) {
      dialog->reject();
    }
    if (handled_ && !modal) poll_.stop();
  });
  poll_.start();
}

ModalHandler::~ModalHandler() {
  poll_.stop();
}

void AppTest::SetUp() {
  char pattern[] = "/tmp/sigrasw-dosdevices-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  dir_ = pattern;
  setenv("SIGRA_DOSDEVICES", dir_.c_str(), 1);

  ResetDriverState();
  // The operator program keeps its connection open from the start.
  ConnectionOpen = true;

  app::SetMessageBoxes(&boxes);
  app::ConnectDriverFeedback();
  app::InitMainWindowModule({});
  app::CreateForms();

  watchdog_.setInterval(50);
  QObject::connect(&watchdog_, &QTimer::timeout, [this] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != lastModal_) {
      lastModal_ = modal;
      modalSince_.start();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal);
               dialog && modalSince_.elapsed() > 5000) {
      ADD_FAILURE() << "unexpected modal dialog " << dialog->objectName().toStdString();
      dialog->reject();
    }
  });
  watchdog_.start();
}

void AppTest::TearDown() {
  watchdog_.stop();
  for (const ShownMessage& m : boxes.shown) {
    ::testing::Test::RecordProperty("message", m.text.toStdString());
  }
  link::ClosePrinterPort();
  app::DestroyForms();
  app::SetMessageBoxes(nullptr);
  emulator_.reset();
  std::filesystem::remove_all(dir_);
}

emu::Emulator& AppTest::StartPrinter(int deviceType, int port) {
  emulator_ = std::make_unique<emu::Emulator>(deviceType);
  emulator_->LinkAsComPort(dir_, port);
  return *emulator_;
}

void AppTest::UnlinkPort(int port) {
  std::filesystem::remove(dir_ + "/com" + std::to_string(port));
}

std::vector<uint8_t> AppTest::CommandBytes() const {
  std::vector<uint8_t> commands;
  for (const std::vector<uint8_t>& frame : emulator_->Commands()) {
    if (frame.size() >= 2) commands.push_back(frame[1]);
  }
  return commands;
}

void AppTest::StartUp(const QStringList& arguments) {
  app::InitMainWindowModule(arguments);
  app::GlowneOkno->FormActivate();
}

void AppTest::ChooseInDialog(int port) {
  app::Komunikacja->FillPortList();
  app::Komunikacja->SelectPort(static_cast<uint8_t>(port));
}

void ExpectMessage(const ShownMessage& shown, const QString& text, const QString& caption,
                   uint32_t flags) {
  EXPECT_EQ(shown.text, text);
  EXPECT_EQ(shown.caption, caption);
  EXPECT_EQ(shown.flags, flags) << std::hex << shown.flags;
}

}  // namespace sigra::testing
