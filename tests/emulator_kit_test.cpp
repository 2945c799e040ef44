// The emulator left running: its control channel, the state it keeps across
// restarts and its clock that follows the host's.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "driver_fixture.h"
#include "emulator/control_channel.h"
#include "emulator/state_file.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

using namespace std::chrono;

class ControlChannelTest : public DriverTest {};

TEST_F(ControlChannelTest, PaperTakenMidReceiptGivesThePaperCodeAndTheReceiptGoesOn) {
  emu::Emulator& printer = StartPrinter(7);
  emu::ControlChannel channel(printer);
  Connect();
  ASSERT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 2, 0, "szt", 450, &value), 0);
  EXPECT_EQ(channel.Execute("paper out"), "ok");
  value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Mleko 3,2% 1l", 2, 0, 1500, 3, "l", 399, &value), 0);
  EXPECT_EQ(::ReceiptEnd(0), 109);
  EXPECT_EQ(channel.Execute("paper in"), "ok");
  EXPECT_EQ(::PrintResume(), 0);
  ASSERT_EQ(printer.Printouts().size(), 1U);
  const std::string receipt = printer.Printouts().back();
  EXPECT_TRUE(HasRow(receipt, "SUMA PLN", "14,99")) << receipt;
  int32_t receipts = 0;
  EXPECT_EQ(::ReceiptNumber(&receipts), 0);
  EXPECT_EQ(receipts, 1);
}

TEST_F(ControlChannelTest, PaperRunningOutAfterPollsStopsTheNextPrintoutInItsMiddle) {
  emu::Emulator& printer = StartPrinter(7);
  emu::ControlChannel channel(printer);
  Connect();
  EXPECT_EQ(channel.Execute("paper out-after 0"),
            "error: the paper runs out after 1 or more polls, not \"0\"");
  EXPECT_EQ(channel.Execute("paper out-after two"),
            "error: the paper runs out after 1 or more polls, not \"two\"");
  EXPECT_EQ(channel.Execute("paper out-after 1"), "ok");
  // The paper is there until a printout is polled.
  EXPECT_EQ(printer.StatusByte(3) & 0x02, 0);
  ASSERT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 2, 0, "szt", 450, &value), 0);
  // Counted, its printout stopped for the paper.
  EXPECT_EQ(::ReceiptEnd(0), 109);
  int32_t receipts = 0;
  EXPECT_EQ(::ReceiptNumber(&receipts), 0);
  EXPECT_EQ(receipts, 1);
  EXPECT_EQ(printer.StatusByte(3) & 0x40, 0x40);
  EXPECT_EQ(channel.Execute("paper in"), "ok");
  EXPECT_EQ(::PrintResume(), 0);
  EXPECT_EQ(printer.StatusByte(3) & 0x40, 0);
}

TEST_F(ControlChannelTest, ARaisedHeadStopsPrintingUntilItIsLowered) {
  emu::Emulator& printer = StartPrinter(7);
  emu::ControlChannel channel(printer);
  Connect();
  EXPECT_EQ(channel.Execute("head up"), "ok");
  EXPECT_EQ(::PrinterStatusReport(), 109);
  // Paper out as well: lowering the head alone does not let it print.
  EXPECT_EQ(channel.Execute("paper out"), "ok");
  EXPECT_EQ(channel.Execute("head down"), "ok");
  EXPECT_EQ(::PrintResume(), 109);
  EXPECT_EQ(channel.Execute("paper in"), "ok");
  EXPECT_EQ(::PrintResume(), 0);
  // Byte 5 names the head on the models that have it.
  EXPECT_EQ(channel.Execute("head up"), "ok");
  EXPECT_EQ(printer.StatusByte(5) & 0x10, 0x10);
  EXPECT_EQ(printer.StatusByte(3) & 0x02, 0x02);
}

TEST_F(ControlChannelTest, DrawerPowerControllerAndFailureReachTheDriver) {
  emu::Emulator& printer = StartPrinter(7);
  emu::ControlChannel channel(printer);
  Connect();
  EXPECT_EQ(channel.Execute("drawer open"), "ok");
  EXPECT_EQ(channel.Execute("status"), "ok 03 00 00 00 00 00 00 00");
  EXPECT_EQ(channel.Execute("drawer closed"), "ok");
  EXPECT_EQ(channel.Execute("status"), "ok 03 00 00 08 00 00 00 00");

  EXPECT_EQ(channel.Execute("controller lost"), "ok");
  EXPECT_EQ(::PrinterStatusReport(), 102);
  EXPECT_EQ(channel.Execute("controller back"), "ok");
  EXPECT_EQ(channel.Execute("failure on"), "ok");
  EXPECT_EQ(::PrinterStatusReport(), 103);
  EXPECT_EQ(channel.Execute("failure off"), "ok");

  EXPECT_EQ(channel.Execute("power off"), "ok");
  EXPECT_EQ(::CommunicationInit(1, 9600, 1), 21);
  EXPECT_EQ(channel.Execute("power on"), "ok");
  EXPECT_EQ(::CommunicationInit(1, 9600, 1), 0);
  EXPECT_EQ(::PrinterStatusReport(), 0);
}

TEST_F(ControlChannelTest, AWrongLineIsRefusedAndChangesNothing) {
  emu::Emulator& printer = StartPrinter(3);
  emu::ControlChannel channel(printer);
  const std::string before = channel.Execute("status");
  EXPECT_EQ(channel.Execute("paper sideways"),
            "error: unknown command \"paper sideways\" (help lists them)");
  EXPECT_EQ(channel.Execute("   "), "error: empty command (help lists them)");
  EXPECT_EQ(channel.Execute("status"), before);
  EXPECT_EQ(channel.Execute("help").rfind("ok commands: paper out|in", 0), 0U);
}

class StateFileTest : public DriverTest {
 protected:
  std::string Path() const { return Dir() + "/state"; }
};

TEST_F(StateFileTest, ARestartedPrinterKeepsItsDayAndItsMemory) {
  emu::Emulator& first = StartPrinter(7);
  Connect();
  ASSERT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 2, 0, "szt", 450, &value), 0);
  ASSERT_EQ(::ReceiptEnd(0), 0);
  std::string saved;
  first.WithPrinter([&](emu::Printer& printer) {
    printer.Memory().AddDailyReport(emu::Date{2024y, May, 16d}, 4, {100, 0, 0, 0, 0, 0, 0});
    printer.Memory().uniqueNumber = "XYZ87654321";
    printer.Clock().Shift(minutes(-15));
    saved = emu::StateText(printer);
    EXPECT_NE(saved.find("\nclock-erased 0\n"), std::string::npos) << saved;
  });
  ::CommunicationEnd();
  emu::WriteStateFile(Path(), saved);

  emu::Emulator& second = StartPrinter(7);
  second.WithPrinter([&](emu::Printer& printer) {
    EXPECT_TRUE(emu::LoadStateFile(printer, Path()));
    EXPECT_EQ(emu::StateText(printer), saved);
    EXPECT_TRUE(printer.Clock().ShiftedToday());
  });
  Connect();
  int32_t counter = 0;
  EXPECT_EQ(::ReceiptNumber(&counter), 0);
  EXPECT_EQ(counter, 1);
  char total[14] = {};
  EXPECT_EQ(::pReadSelTotal("A", total), 0);
  EXPECT_STREQ(total, "900");
  EXPECT_EQ(::DailyReportNumber(&counter), 0);
  EXPECT_EQ(counter, 1);
  std::string unique;
  EXPECT_EQ(::ReadUniqueNumber(unique), 0);
  EXPECT_EQ(unique, "XYZ 87654321");
  char clock[15] = {};
  EXPECT_EQ(::pReadClock(clock), 0);
  EXPECT_STREQ(clock, "24.05.17;13:50");
  // The day goes on: the daily report closes it with both days' receipts
  // in the fiscal memory.
  EXPECT_EQ(::DailyReport(0), 0);
  EXPECT_EQ(::DailyReportNumber(&counter), 0);
  EXPECT_EQ(counter, 2);
}

TEST_F(StateFileTest, AnErasedClockStaysErasedThroughARestart) {
  std::string saved;
  StartPrinter(3).WithPrinter([&](emu::Printer& printer) {
    printer.SetStatusByte(2, 0x10);
    saved = emu::StateText(printer);
  });
  StartPrinter(3).WithPrinter([&](emu::Printer& printer) {
    emu::ApplyState(printer, saved);
    EXPECT_EQ(printer.StatusByte(2), 0x10);
  });
}

TEST_F(StateFileTest, NoFileLeavesTheNewPrinterAndAWrongFileIsRefused) {
  emu::Emulator& printer = StartPrinter(7);
  printer.WithPrinter([&](emu::Printer& model) {
    const std::string fresh = emu::StateText(model);
    EXPECT_FALSE(emu::LoadStateFile(model, Path()));
    EXPECT_EQ(emu::StateText(model), fresh);

    const auto refused = [&](const std::string& text) -> std::string {
      try {
        emu::ApplyState(model, text);
      } catch (const std::runtime_error& error) {
        return error.what();
      }
      return "taken";
    };
    EXPECT_EQ(refused("sigra-emu state 1\ntype 3\n"),
              "line 2: the state is of a printer of device type 3, not 7");
    EXPECT_EQ(refused("sigra-emu state 1\nreceipt-counter 70000\n"),
              "line 2: \"70000\" is out of range");
    EXPECT_EQ(refused("sigra-emu state 1\nrates 0898\n"),
              "line 2: the rates do not fit this model");
    EXPECT_EQ(refused("sigra-emu state 1\nday-totals 1 2 3\n"), "line 2: a field is missing");
    EXPECT_EQ(refused("receipt-counter 3\n"), "line 1: not a sigra-emu state");
    EXPECT_EQ(refused(""), "the state is empty");
  });
}

TEST_F(StateFileTest, WritingReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
  emu::WriteStateFile(Path(), "old\n");
  emu::WriteStateFile(Path(), "new state\n");
  std::ifstream file(Path());
  std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "new state\n");
  EXPECT_FALSE(std::filesystem::exists(Path() + ".new"));
  EXPECT_THROW(emu::WriteStateFile(Dir() + "/no-such-folder/state", "x"), std::system_error);
}

TEST(PrinterClockTest, AClockFollowingTheHostRunsWithItAtTheOffsetSettingMakes) {
  emu::PrinterClock clock;
  clock.FollowHost();
  const auto host = [] { return floor<seconds>(system_clock::now()); };
  EXPECT_LE(abs((clock.Now() - host()).count()), 1);
  clock.Set(sys_days(2030y / January / 2) + hours(8));
  const seconds offset = *clock.HostOffset();
  EXPECT_LE(abs((clock.Now() - (sys_days(2030y / January / 2) + hours(8))).count()), 1);
  clock.Shift(minutes(30));
  EXPECT_EQ(*clock.HostOffset(), offset + minutes(30));
  EXPECT_TRUE(clock.ShiftedToday());
}

TEST(PrinterClockTest, TheClockStandsStillUnlessToldToFollowTheHost) {
  emu::PrinterClock clock;
  EXPECT_FALSE(clock.HostOffset());
  EXPECT_EQ(clock.Text(), "2024.05.17 14:05");
  clock.Advance(minutes(2));
  EXPECT_EQ(clock.Text(), "2024.05.17 14:07");
}

}  // namespace
}  // namespace sigra::testing
