// The printer's clock: reading it in both formats, shifting it, initialising
// it after an erased clock memory, and the two dates it keeps for the
// operator.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "commands/clock.h"
#include "commands/special_dates.h"
#include "driver_fixture.h"
#include "printer_state_helpers.h"
#include "protocol/receipt_state.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

// The emulator's clock stands at 17 May 2024, 14:05:09.
constexpr uint8_t kClockMemoryErased = 0x10;
// Status byte 4 with the drawer closed and the service jumper in.
constexpr uint8_t kServiceJumperIn = 0x48;

struct Clock {
  std::string date;
  std::string time;
};

// A command the printer acknowledges, takes `dataLength` bytes of and answers
// with exactly `after`.
emu::Command AnsweringAfterData(size_t dataLength, emu::Bytes after) {
  return {.answer = [](emu::Printer&) { return emu::Bytes{6}; },
          .dataLength = emu::FixedData(dataLength),
          .afterData = [after](emu::Printer&, const emu::Bytes&) { return after; }};
}

Clock ReadTheClock() {
  Clock clock;
  EXPECT_EQ(::ReadClock(clock.date, clock.time), 0);
  return clock;
}

using ReadClockTest = DriverTest;

TEST_F(ReadClockTest, FirstGenerationSigraGivesTheTimeWithoutSeconds) {
  StartPrinter(2);
  Connect();
  const Clock clock = ReadTheClock();
  EXPECT_EQ(clock.date, "2024.05.17");
  EXPECT_EQ(clock.time, "14:05");
  EXPECT_EQ(Sent(), Frames({{27, 255}, {27, 254}, {27, 53}}));
}

TEST_F(ReadClockTest, LunoGivesTheTimeWithSeconds) {
  StartPrinter(7);
  Connect();
  const Clock clock = ReadTheClock();
  EXPECT_EQ(clock.date, "2024.05.17");
  EXPECT_EQ(clock.time, "14:05:09");
  EXPECT_EQ(FramesOf(Sent(), 64), Frames({{27, 64}}));
}

TEST_F(ReadClockTest, DigitBytesAreWrittenAsTheirDecimalValues) {
  StartPrinter(3);
  Connect();
  Printer().AnswerWith(64, {6, 0, 3, 1, 2, 3, 1, 2, 3, 5, 9, 0, 7});
  const Clock clock = ReadTheClock();
  EXPECT_EQ(clock.date, "2003.12.31");
  EXPECT_EQ(clock.time, "23:59:07");
}

TEST_F(ReadClockTest, OpenReceiptGives200AndEmptyTexts) {
  StartPrinter(3);
  Connect();
  ReceiptOpen = true;
  std::string date = "x";
  std::string time = "y";
  EXPECT_EQ(::ReadClock(date, time), 200);
  EXPECT_EQ(date, "");
  EXPECT_EQ(time, "");
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ReadClockTest, ShortFormHasNoCenturyNorSecondsOnEveryModel) {
  StartPrinter(7);
  Connect();
  char buffer[32];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(::pReadClock(buffer), 0);
  EXPECT_STREQ(buffer, "24.05.17;14:05");
  EXPECT_EQ(Sent(), Frames({{27, 53}}));
}

TEST_F(ReadClockTest, ShortFormWithoutABufferGives225) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(::pReadClock(nullptr), 225);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ReadClockTest, FailedShortFormLeavesAnEmptyText) {
  StartPrinter(7);
  Connect();
  Printer().Nak(53);
  char buffer[32] = "old";
  EXPECT_EQ(::pReadClock(buffer), 24);
  EXPECT_STREQ(buffer, "");
}

using ShiftClockTest = DriverTest;

TEST_F(ShiftClockTest, FifteenMinutesBackSendDirectionThenDigits) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(ShiftClock(0, 15), 0);
  EXPECT_EQ(Sent(11), Frames({{27, 255}, {27, 254}, {27, 102}, {27, 54, 0, 1, 5}}));
  EXPECT_EQ(ReadTheClock().time, "13:50:09");
}

TEST_F(ShiftClockTest, AnHourForwardIsSent) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(ShiftClock(1, 60), 0);
  EXPECT_EQ(ReadTheClock().time, "15:05:09");
  EXPECT_EQ(FramesOf(Sent(), 54), Frames({{27, 54, 1, 6, 0}}));
}

TEST_F(ShiftClockTest, PrinterShiftsOnceADayAndIgnoresTheSecond) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(ShiftClock(1, 10), 0);
  EXPECT_EQ(ShiftClock(1, 10), 0);
  // The refusal shows only in the clock, which moved once.
  EXPECT_EQ(ReadTheClock().time, "14:15:09");
}

TEST_F(ShiftClockTest, ReceiptsInTheDayGive218WithoutTheShift) {
  StartPrinter(3);
  Connect();
  Printer().WithPrinter([](emu::Printer& p) { p.Fiscal().receiptCounter = 2; });
  EXPECT_EQ(ShiftClock(0, 15), 218);
  EXPECT_TRUE(FramesOf(Sent(), 54).empty());
}

TEST_F(ShiftClockTest, OpenReceiptGives200) {
  StartPrinter(3);
  Connect();
  ReceiptOpen = true;
  EXPECT_EQ(ShiftClock(0, 15), 200);
  EXPECT_TRUE(Sent().empty());
}

class InitClockTest : public DriverTest {
 protected:
  void TearDown() override {
    SetClockEraseProgress({});
    DriverTest::TearDown();
  }

  // Counts what the dialog's progress view would show.
  void WatchProgress() {
    SetClockEraseProgress({.begin = [this] { ++begun_; }, .step = [this] { ++steps_; }});
  }

  int begun_ = 0;
  int steps_ = 0;
};

TEST_F(InitClockTest, IntactClockMemoryGives230AndSendsNoClock) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(InitClock(24, 6, 1, 8, 30, 0), 230);
  EXPECT_EQ(Sent(), Frames({{27, 148}}));
}

TEST_F(InitClockTest, SigraInFiscalModeIsAskedStatus150AndTakesTenDigits) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(148, kClockMemoryErased);
  Printer().SetStatus(155, 0x0B);
  EXPECT_EQ(InitClock(24, 6, 1, 8, 30, 0), 0);
  const Frames sent = Sent();
  ASSERT_GE(sent.size(), 6u);
  EXPECT_EQ(Frames(sent.begin(), sent.begin() + 6),
            Frames({{27, 148},
                    {27, 155},
                    {27, 150},
                    {27, 255},
                    {27, 254},
                    Cmd(52, {{2, 4, 0, 6, 0, 1, 0, 8, 3, 0}})}));
  EXPECT_EQ(Printer().Status(148) & kClockMemoryErased, 0);
  const Clock clock = ReadTheClock();
  EXPECT_EQ(clock.date, "2024.06.01");
  EXPECT_EQ(clock.time, "08:30:00");
}

TEST_F(InitClockTest, LunoFIsFollowedThroughItsErasingUntilTheZero) {
  StartPrinter(8);
  Connect();
  Printer().SetStatus(148, kClockMemoryErased);
  WatchProgress();
  EXPECT_EQ(InitClock(24, 6, 1, 8, 30, 15), 0);
  EXPECT_EQ(FramesOf(Sent(), 65), Frames({Cmd(65, {{2, 4, 0, 6, 0, 1, 0, 8, 3, 0, 1, 5}})}));
  EXPECT_TRUE(FramesOf(Sent(), 150).empty());
  EXPECT_EQ(begun_, 1);
  EXPECT_EQ(steps_, 16);
  // The confirmation is printed and waited for.
  EXPECT_FALSE(Printer().Printing());
  EXPECT_EQ(ReadTheClock().time, "08:30:15");
}

TEST_F(InitClockTest, ErasingThatBreaksOffGives21) {
  StartPrinter(7);
  Connect();
  Printer().SetStatus(148, kClockMemoryErased);
  Printer().Define(65, AnsweringAfterData(12, {1, 2}));
  WatchProgress();
  EXPECT_EQ(InitClock(24, 6, 1, 8, 30, 0), 21);
  EXPECT_EQ(steps_, 2);
}

TEST_F(InitClockTest, DateBeforeTheLastDailyReportLeavesTheMemoryErased) {
  StartPrinter(3);
  Connect();
  Printer().WithPrinter([](emu::Printer& p) {
    p.Memory().AddDailyReport(emu::Date(std::chrono::year(2024) / 5 / 16), 1, {});
  });
  Printer().SetStatus(148, kClockMemoryErased);
  EXPECT_EQ(InitClock(24, 5, 1, 8, 30, 0), 0);
  EXPECT_EQ(Printer().Status(148) & kClockMemoryErased, kClockMemoryErased);
}

using SpecialDates = DriverTest;

TEST_F(SpecialDates, WrittenDateGoesOutInPackedBcdAndReadsBack) {
  StartPrinter(7);
  Connect();
  Printer().SetStatusByte(4, kServiceJumperIn);
  EXPECT_EQ(WriteSpecialDate(kNextInspectionDate, 3, 12, 31), 0);
  uint8_t year = 0, month = 0, day = 0;
  EXPECT_EQ(ReadSpecialDate(kNextInspectionDate, year, month, day), 0);
  EXPECT_EQ(Sent(), Frames({{27, 249, 1, 0x03, 0x12, 0x31}, {27, 250, 1}}));
  EXPECT_EQ(year, 3);
  EXPECT_EQ(month, 12);
  EXPECT_EQ(day, 31);
}

TEST_F(SpecialDates, PackedBcdAnswerIsDecoded) {
  StartPrinter(7);
  Connect();
  Printer().Define(250, AnsweringAfterData(1, {0, 0x02, 0x01, 0x15}));
  uint8_t year = 0, month = 0, day = 0;
  EXPECT_EQ(ReadSpecialDate(kEuroChangeoverDate, year, month, day), 0);
  EXPECT_EQ(year, 2);
  EXPECT_EQ(month, 1);
  EXPECT_EQ(day, 15);
}

TEST_F(SpecialDates, PrinterWithoutTheDateAnswersZeros) {
  StartPrinter(8);
  Connect();
  uint8_t year = 9, month = 9, day = 9;
  EXPECT_EQ(ReadSpecialDate(kEuroChangeoverDate, year, month, day), 0);
  EXPECT_EQ(year + month + day, 0);
}

TEST_F(SpecialDates, WriteWithTheServiceJumperOutIsRefusedWith214) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(WriteSpecialDate(kEuroChangeoverDate, 25, 1, 1), 214);
  uint8_t year = 9, month = 9, day = 9;
  EXPECT_EQ(ReadSpecialDate(kEuroChangeoverDate, year, month, day), 0);
  EXPECT_EQ(year + month + day, 0);
}

TEST_F(SpecialDates, RefusedReadGives23) {
  StartPrinter(7);
  Connect();
  uint8_t year = 0, month = 0, day = 0;
  EXPECT_EQ(ReadSpecialDate(2, year, month, day), 23);
}

TEST_F(SpecialDates, AnswerThatBreaksOffGives21) {
  StartPrinter(7);
  Connect();
  Printer().Define(250, AnsweringAfterData(1, {0, 0x02}));
  uint8_t year = 0, month = 0, day = 0;
  EXPECT_EQ(ReadSpecialDate(kEuroChangeoverDate, year, month, day), 21);
}

TEST_F(SpecialDates, ModelWithoutKeptDatesRefusesTheCommand) {
  StartPrinter(3);
  Connect();
  uint8_t year = 0, month = 0, day = 0;
  EXPECT_EQ(ReadSpecialDate(kEuroChangeoverDate, year, month, day), 24);
  EXPECT_EQ(WriteSpecialDate(kEuroChangeoverDate, 25, 1, 1), 24);
}

}  // namespace
}  // namespace sigra::testing
