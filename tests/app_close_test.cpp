// Closing the main window the way the window system does (its close button),
// against an emulated printer on a line of 9600 bit/s: during a command the
// close waits for the command's end, outside one it closes at once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/message_box.h"
#include "link/comm.h"
#include "tests/app_fixture.h"

namespace sigra::testing {
namespace {

using app::GlowneOkno;

constexpr int kLineRate = 9600;

bool PortOpen() {
  return link::PortObject && link::PortObject->IsOpen();
}

// The window system's close request, as its close button sends it: through
// the platform window, delivered at once.
bool RequestClose() {
  QWindow* handle = GlowneOkno->windowHandle();
  if (handle == nullptr) {
    ADD_FAILURE() << "the main window has no window of the window system";
    return GlowneOkno->close();
  }
  return handle->close();
}

// Sends one close request as soon as the printer prints, that is from a turn
// of the message loop inside the running command, and notes what it found.
class CloseWhilePrinting {
 public:
  explicit CloseWhilePrinting(emu::Emulator& printer, std::function<void()> after = {}) {
    timer_.setInterval(2);
    QObject::connect(&timer_, &QTimer::timeout, [this, &printer, after] {
      if (!printer.Printing()) return;
      timer_.stop();
      sent = true;
      accepted = RequestClose();
      openAfterRequest = GlowneOkno->isVisible();
      portOpenAfterRequest = PortOpen();
      note = GlowneOkno->statusBar()->currentMessage();
      if (after) after();
    });
    timer_.start();
  }

  bool sent = false;
  bool accepted = false;
  bool openAfterRequest = false;
  bool portOpenAfterRequest = false;
  QString note;

 private:
  QTimer timer_;
};

// Notes whether the main window was still there when each message came.
class WindowWatchingBoxes : public ScriptedBoxes {
 public:
  int MessageBoxExA(const QString& text, const QString& caption, uint32_t flags) override {
    windowOpen.push_back(GlowneOkno->isVisible());
    if (onMessage) onMessage(text);
    return ScriptedBoxes::MessageBoxExA(text, caption, flags);
  }
  std::vector<bool> windowOpen;
  std::function<void(const QString&)> onMessage;
};

class CloseTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    // The tests run without the application's own loop: the last window's
    // closing must not leave a quit behind for the loops of later dialogs.
    quitOnLastWindow_ = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    previous_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() / ("sigra-close-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
    AppTest::TearDown();
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLastWindow_);
  }

  // The program started on COM3 at 9600 bit/s and shown, then the line made
  // as slow as a real one.
  emu::Emulator& Connect(int type) {
    emu::Emulator& printer = StartPrinter(type, 3);
    StartUp({"COM3", "9600"});
    EXPECT_TRUE(boxes.shown.empty());
    boxes.shown.clear();
    GlowneOkno->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(GlowneOkno->isVisible());
    EXPECT_TRUE(PortOpen());
    printer.SetLineRate(kLineRate);
    printer.ClearRecord();
    return printer;
  }
  void SoldReceipts(uint16_t count) {
    Printer().WithPrinter([count](emu::Printer& p) { p.Fiscal().receiptCounter = count; });
  }
  uint16_t DailyReports() {
    uint16_t count = 0;
    Printer().WithPrinter([&](emu::Printer& p) { count = p.Memory().DailyReportCount(); });
    return count;
  }
  static void Trigger(const char* item) {
    QAction* action = GlowneOkno->MenuItem(QString::fromLatin1(item));
    ASSERT_NE(action, nullptr) << item;
    action->trigger();
  }
  // "baza.txt" of `count` articles with rates A to D.
  static void WriteNames(int count) {
    std::ofstream file("baza.txt", std::ios::binary);
    for (int i = 1; i <= count; ++i) {
      file << "TOWAR NR " << i << '\t' << static_cast<char>('A' + i % 4) << "\r\n";
    }
  }
  // Waits for the window's deferred work, at most `ms` milliseconds.
  static void LetTheLoopRun(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }

 private:
  bool quitOnLastWindow_ = true;
  std::filesystem::path previous_;
  std::filesystem::path dir_;
};

TEST_F(CloseTest, DailyReportRunsToItsEndAndThenTheProgramCloses) {
  emu::Emulator& printer = Connect(7);
  SoldReceipts(3);
  ASSERT_EQ(DailyReports(), 0u);
  boxes.answers = {app::kIdYes};
  CloseWhilePrinting request(printer);
  Trigger("Fiskalnydobowy1");

  ASSERT_TRUE(request.sent) << "the command never turned the message loop while printing";
  // The request was held, the port left alone.
  EXPECT_FALSE(request.accepted);
  EXPECT_TRUE(request.openAfterRequest);
  EXPECT_TRUE(request.portOpenAfterRequest);
  EXPECT_EQ(request.note, QStringLiteral("Zamknięcie po zakończeniu pracy drukarki..."));
  // The operator saw the question that began the report, and nothing else.
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Czy wykonać raport dobowy?"));
  // The whole report printed and the day was closed once.
  EXPECT_FALSE(printer.Printing());
  ASSERT_EQ(printer.Printouts().size(), 1u);
  EXPECT_NE(printer.Printouts()[0].find("RAPORT FISKALNY DOBOWY"), std::string::npos);
  EXPECT_NE(printer.Printouts()[0].find("LICZBA PARAGONÓW"), std::string::npos);
  EXPECT_EQ(DailyReports(), 1u);
  // Then the program closed, and its port with it.
  EXPECT_FALSE(GlowneOkno->isVisible());
  EXPECT_FALSE(PortOpen());
}

TEST_F(CloseTest, NamesControlPrintRunsToItsEndAndThenTheProgramCloses) {
  emu::Emulator& printer = Connect(3);
  WriteNames(100);
  CloseWhilePrinting request(printer);
  Trigger("Wydrukkontrolnynazwistawek1");

  ASSERT_TRUE(request.sent) << "the command never turned the message loop while printing";
  EXPECT_FALSE(request.accepted);
  EXPECT_TRUE(request.openAfterRequest);
  EXPECT_TRUE(request.portOpenAfterRequest);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  EXPECT_FALSE(printer.Printing());
  ASSERT_EQ(printer.Printouts().size(), 1u);
  const std::string paper = printer.Printouts()[0];
  EXPECT_NE(paper.find("TOWAR NR 100"), std::string::npos);
  EXPECT_NE(paper.find("POZYCJI: 100\n"), std::string::npos);
  EXPECT_FALSE(GlowneOkno->isVisible());
  EXPECT_FALSE(PortOpen());
}

// The paper runs out after the close request: the question is asked with the
// window still there, the operator loads paper and answers Yes, the report
// ends, and only then does the window close.
TEST_F(CloseTest, AMessageOfTheCommandIsAnsweredBeforeTheWindowCloses) {
  emu::Emulator& printer = Connect(7);
  SoldReceipts(3);
  WindowWatchingBoxes watching;
  watching.answers = {app::kIdYes};
  watching.onMessage = [&](const QString& text) {
    if (text.contains(u"Czy wznowić wydruk")) {
      printer.SetPaper(true);
      watching.answers.push_front(app::kIdYes);
    }
  };
  app::SetMessageBoxes(&watching);
  CloseWhilePrinting request(printer, [&] { printer.SetPaper(false); });
  Trigger("Fiskalnydobowy1");
  app::SetMessageBoxes(&boxes);

  ASSERT_TRUE(request.sent);
  ASSERT_EQ(watching.shown.size(), 2u);
  EXPECT_EQ(watching.shown[0].text, QStringLiteral("Czy wykonać raport dobowy?"));
  EXPECT_TRUE(watching.shown[1].text.contains(u"Czy wznowić wydruk po założeniu papieru?"));
  EXPECT_EQ(watching.windowOpen, (std::vector<bool>{true, true}));
  EXPECT_FALSE(printer.Printing());
  ASSERT_EQ(printer.Printouts().size(), 1u);
  EXPECT_EQ(DailyReports(), 1u);
  EXPECT_FALSE(GlowneOkno->isVisible());
}

// The same with the box on the screen: the window stays while the box waits
// for its answer, even when asked to close once more meanwhile.
TEST_F(CloseTest, TheCommandsOwnBoxOnTheScreenKeepsTheWindowUntilAnswered) {
  emu::Emulator& printer = Connect(7);
  SoldReceipts(3);
  app::SetMessageBoxes(nullptr);
  bool openWhileAsked = false;
  bool openAfterSecondRequest = false;
  int questions = 0;
  // The question before the report, then the one after the paper ran out.
  QTimer answering;
  answering.setInterval(5);
  QObject::connect(&answering, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    ++questions;
    if (questions == 2) {
      openWhileAsked = GlowneOkno->isVisible();
      RequestClose();
      openAfterSecondRequest = GlowneOkno->isVisible();
      printer.SetPaper(true);
    }
    auto* message = qobject_cast<QMessageBox*>(box);
    if (message != nullptr && message->button(QMessageBox::Yes) != nullptr) {
      message->button(QMessageBox::Yes)->click();
    } else {
      box->reject();
    }
  });
  answering.start();
  CloseWhilePrinting request(printer, [&] { printer.SetPaper(false); });
  Trigger("Fiskalnydobowy1");
  answering.stop();
  app::SetMessageBoxes(&boxes);

  ASSERT_TRUE(request.sent);
  EXPECT_EQ(questions, 2);
  EXPECT_TRUE(openWhileAsked);
  EXPECT_TRUE(openAfterSecondRequest);
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(DailyReports(), 1u);
  EXPECT_FALSE(GlowneOkno->isVisible());
}

// A command run other than through the menu, as the driver's message loop
// turns: the close waits for the loop to be the program's own again.
TEST_F(CloseTest, ACommandRunOutsideTheMenuIsNotCutEither) {
  emu::Emulator& printer = Connect(7);
  SoldReceipts(3);
  boxes.answers = {app::kIdYes};
  CloseWhilePrinting request(printer);
  GlowneOkno->Fiskalnydobowy1Click();

  ASSERT_TRUE(request.sent);
  EXPECT_TRUE(request.openAfterRequest);
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(DailyReports(), 1u);
  EXPECT_FALSE(printer.Printing());
  LetTheLoopRun(200);
  EXPECT_FALSE(GlowneOkno->isVisible());
  EXPECT_FALSE(PortOpen());
}

TEST_F(CloseTest, WithoutACommandTheWindowClosesAtOnce) {
  Connect(7);
  EXPECT_TRUE(RequestClose());
  EXPECT_FALSE(GlowneOkno->isVisible());
  EXPECT_FALSE(PortOpen());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(CloseTest, AfterACommandHasEndedTheWindowClosesAtOnce) {
  emu::Emulator& printer = Connect(7);
  Trigger("Stanudrukarki1");
  ASSERT_EQ(printer.Printouts().size(), 1u);
  EXPECT_TRUE(GlowneOkno->isVisible());
  EXPECT_TRUE(RequestClose());
  EXPECT_FALSE(GlowneOkno->isVisible());
  EXPECT_FALSE(PortOpen());
}

}  // namespace
}  // namespace sigra::testing
