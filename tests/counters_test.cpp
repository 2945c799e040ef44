// The printer's counters and numbers, its line feed and its power-off.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "commands/feed_and_power.h"
#include "driver_fixture.h"
#include "printer_state_helpers.h"
#include "protocol/receipt_state.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

using ReceiptNumberTest = DriverTest;

TEST_F(ReceiptNumberTest, CounterOfTheDayIsTwoBytesLowFirst) {
  StartPrinter(3);
  Connect();
  Printer().WithPrinter([](emu::Printer& p) { p.Fiscal().receiptCounter = 0x0102; });
  int32_t counter = -1;
  EXPECT_EQ(::ReceiptNumber(&counter), 0);
  EXPECT_EQ(counter, 258);
  EXPECT_EQ(Sent(), Frames({{27, 255}, {27, 254}, {27, 102}}));
}

TEST_F(ReceiptNumberTest, LunoIsAskedTheLongAnswerWhenTheCounterIsZero) {
  StartPrinter(7);
  Connect();
  int32_t counter = -1;
  EXPECT_EQ(::ReceiptNumber(&counter), 0);
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(Sent(), Frames({{27, 255}, {27, 254}, {27, 102}, {27, 247}}));
}

TEST_F(ReceiptNumberTest, MissingCounterGives225) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(::ReceiptNumber(nullptr), 225);
  EXPECT_TRUE(Sent().empty());
}

using NumbersTest = DriverTest;

TEST_F(NumbersTest, PrinterNumberIsTwoDigitCharactersThenTheOperatorCode) {
  StartPrinter(3);
  Connect();
  Printer().AnswerWith(216, {6, 0x30, 0x37, 0x41, 0x42});
  int32_t number = -1;
  std::string code = "old";
  EXPECT_EQ(::PrinterNumber(&number, code), 0);
  EXPECT_EQ(number, 7);
  EXPECT_EQ(code, "AB");
  EXPECT_EQ(Sent(), Frames({{27, 216}}));
}

TEST_F(NumbersTest, PrinterNumberReadsWhatTheRegisterNumberWrote) {
  StartPrinter(7);
  Connect();
  Printer().WithPrinter([](emu::Printer& p) { p.Service().registerNumber = {'4', '2', 'X', 'Y'}; });
  int32_t number = -1;
  std::string code;
  EXPECT_EQ(::PrinterNumber(&number, code), 0);
  EXPECT_EQ(number, 42);
  EXPECT_EQ(code, "XY");
}

TEST_F(NumbersTest, DailyReportNumberCountsTheDailyReports) {
  StartPrinter(3);
  Connect();
  Printer().WithPrinter([](emu::Printer& p) {
    for (int n = 0; n < 258; ++n) p.Memory().AddDailyReport(p.Clock().Today(), 1, {});
  });
  int32_t counter = -1;
  EXPECT_EQ(::DailyReportNumber(&counter), 0);
  EXPECT_EQ(counter, 258);
  EXPECT_EQ(Sent(), Frames({{27, 217}}));
}

TEST_F(NumbersTest, UniqueNumberHasASpaceAfterItsPrefixInTheStringForm) {
  StartPrinter(3);
  Connect();
  std::string number = "old";
  EXPECT_EQ(::ReadUniqueNumber(number), 0);
  EXPECT_EQ(number, "ABC 12345678");
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(::pReadUniqueNumber(buffer), 0);
  EXPECT_EQ(std::string(buffer, 12), std::string("ABC12345678\0", 12));
  EXPECT_EQ(Sent(), Frames({{27, 113}, {27, 113}}));
  EXPECT_EQ(::pReadUniqueNumber(nullptr), 225);
}

TEST_F(NumbersTest, FailedReadLeavesTheStringEmpty) {
  StartPrinter(3);
  Connect();
  Printer().Nak(113);
  std::string number = "old";
  EXPECT_EQ(::ReadUniqueNumber(number), 24);
  EXPECT_EQ(number, "");
}

TEST_F(NumbersTest, OpenReceiptGives200BeforeAnyCommand) {
  StartPrinter(3);
  Connect();
  ReceiptOpen = true;
  int32_t value = 0;
  std::string text;
  EXPECT_EQ(::ReceiptNumber(&value), 200);
  EXPECT_EQ(::PrinterNumber(&value, text), 200);
  EXPECT_EQ(::DailyReportNumber(&value), 200);
  EXPECT_EQ(::ReadUniqueNumber(text), 200);
  EXPECT_EQ(::WriteLineFeed(3), 200);
  EXPECT_TRUE(Sent().empty());
}

using LineFeedAndPower = DriverTest;

TEST_F(LineFeedAndPower, LineFeedSendsTheLowByte) {
  StartPrinter(8);
  Connect();
  EXPECT_EQ(::WriteLineFeed(0x105), 0);
  EXPECT_EQ(Sent(3), Frames({{27, 70, 5}}));
  EXPECT_TRUE(Eventually(
      [&] { return Peek(Printer(), [](emu::Printer& p) { return p.Service().feedLines; }) == 5; }));
}

TEST_F(LineFeedAndPower, PowerOffSendsFiveZerosAndThePrinterFallsSilent) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(PowerOff(), 0);
  EXPECT_EQ(Sent(7), Frames({{27, 253, 0x30, 0x30, 0x30, 0x30, 0x30}}));
  int32_t counter = 0;
  EXPECT_EQ(::ReceiptNumber(&counter), 21);
}

TEST_F(LineFeedAndPower, OlderModelRefusesThePowerOff) {
  StartPrinter(2);
  Connect();
  EXPECT_EQ(PowerOff(), 24);
}

}  // namespace
}  // namespace sigra::testing
