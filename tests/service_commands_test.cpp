// The service operations against the emulator: drawer, driver information,
// register number, feed lines, rounding, the configuration block, the display
// test, the price-quote buffer, the program-memory test, the lock state and
// the control print of the names database.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "commands/device_settings.h"
#include "commands/names_print.h"
#include "commands/printer_options.h"
#include "commands/service_commands.h"
#include "driver_fixture.h"
#include "link/text_1250.h"
#include "printer_state_helpers.h"
#include "protocol/receipt_state.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

constexpr uint8_t kDrawerClosed = 0x08;

bool PrintedLine(emu::Emulator& printer, const std::string& line) {
  for (const std::string& printout : printer.Printouts()) {
    for (const std::string& printed : Lines(printout)) {
      if (printed == line) return true;
    }
  }
  return false;
}

using Drawer = DriverTest;

TEST_F(Drawer, EachDrawerHasItsCommandAndTheFirstOpens) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(::OpenDrawer(2), 0);
  EXPECT_EQ(::OpenDrawer(3), 0);
  EXPECT_EQ(Printer().StatusByte(4) & kDrawerClosed, kDrawerClosed);
  EXPECT_EQ(::OpenDrawer(1), 0);
  EXPECT_EQ(Sent(), Frames({{27, 88}, {27, 89}, {27, 87}}));
  EXPECT_TRUE(Eventually([&] { return (Printer().StatusByte(4) & kDrawerClosed) == 0; }));
}

TEST_F(Drawer, NumbersOutsideOneToThreeGive212AndSendNothing) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(::OpenDrawer(0), 212);
  EXPECT_EQ(::OpenDrawer(4), 212);
  EXPECT_TRUE(Sent().empty());
}

using DriverInformation = DriverTest;

TEST_F(DriverInformation, VersionFillsSixBytesWithoutAPrinter) {
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(::pDllVersion(buffer), 0);
  EXPECT_STREQ(buffer, "10.00");
  EXPECT_EQ(buffer[6], '#');
  std::string text;
  EXPECT_EQ(::DllVersion(text), 0);
  EXPECT_EQ(text, "10.00");
  EXPECT_EQ(::pDllVersion(nullptr), 225);
}

TEST_F(DriverInformation, AuthorIsTheSameInBothForms) {
  char buffer[64] = {};
  EXPECT_EQ(::pDllAuthor(buffer), 0);
  std::string text;
  EXPECT_EQ(::DllAuthor(text), 0);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text, buffer);
  EXPECT_EQ(::pDllAuthor(nullptr), 225);
}

using RegisterNumber = DriverTest;

TEST_F(RegisterNumber, NumberThenOperatorCodeGoOutAsTheyAre) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(WriteRegisterNumber("07", "AB"), 0);
  EXPECT_EQ(Sent(6), Frames({{27, 67, '0', '7', 'A', 'B'}}));
  EXPECT_TRUE(Eventually([&] {
    return Peek(Printer(), [](emu::Printer& p) { return p.Service().registerNumber; }) ==
           std::array<uint8_t, 4>{'0', '7', 'A', 'B'};
  }));
}

TEST_F(RegisterNumber, TextsOfAnotherLengthAreRefusedUnsent) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(WriteRegisterNumber("7", "AB"), 215);
  EXPECT_EQ(WriteRegisterNumber("07", "ABC"), 215);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(RegisterNumber, OpenReceiptGives200) {
  StartPrinter(3);
  Connect();
  ReceiptOpen = true;
  EXPECT_EQ(WriteRegisterNumber("07", "AB"), 200);
  EXPECT_TRUE(Sent().empty());
}

using FeedLines = DriverTest;

TEST_F(FeedLines, LunoFTakesCommand237) {
  StartPrinter(8);
  Connect();
  EXPECT_EQ(WriteFeedLines(5), 0);
  EXPECT_EQ(Sent(7), Frames({{27, 255}, {27, 254}, {27, 237, 5}}));
  EXPECT_TRUE(Eventually(
      [&] { return Peek(Printer(), [](emu::Printer& p) { return p.Service().feedLines; }) == 5; }));
}

TEST_F(FeedLines, SecondGenerationSigraTakesCommand70) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(WriteFeedLines(5), 0);
  EXPECT_EQ(Sent(7), Frames({{27, 255}, {27, 254}, {27, 70, 5}}));
}

TEST_F(FeedLines, ReadBackFromALuno) {
  StartPrinter(7);
  Connect();
  Printer().WithPrinter([](emu::Printer& p) { p.Service().feedLines = 12; });
  int32_t lines = -1;
  EXPECT_EQ(ReadFeedLines(lines), 0);
  EXPECT_EQ(lines, 12);
  EXPECT_EQ(Sent(), Frames({{27, 238}}));
}

using Rounding = DriverTest;

TEST_F(Rounding, ModeGoesOutAsADigitAndComesBackAsANumber) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(WriteRounding(2), 0);
  int32_t mode = -1;
  EXPECT_EQ(ReadRounding(mode), 0);
  EXPECT_EQ(mode, 2);
  EXPECT_EQ(Sent(), Frames({{27, 116, 0x32}, {27, 210}}));
}

TEST_F(Rounding, PrinterWithoutRoundingModesRefusesTheReading) {
  StartPrinter(2);
  Connect();
  int32_t mode = -1;
  EXPECT_EQ(ReadRounding(mode), 24);
  EXPECT_EQ(mode, -1);
}

using Settings = DriverTest;

TEST_F(Settings, GroupIsReadAfterTheVerdictByte) {
  StartPrinter(7);
  Connect();
  uint8_t backlight = 0, contrast = 0, volume = 0;
  EXPECT_EQ(ReadSetting(4, backlight, contrast, volume), 0);
  EXPECT_EQ(Sent(), Frames({{27, 223, 4}}));
  EXPECT_EQ(backlight, 12);
  EXPECT_EQ(contrast, 8);
  EXPECT_EQ(volume, 8);
}

TEST_F(Settings, GroupIsWrittenAndReadBack) {
  StartPrinter(8);
  Connect();
  EXPECT_EQ(WriteSetting(3, 60, 15, 2), 0);
  uint8_t delay = 0, minutes = 0, timeout = 0;
  EXPECT_EQ(ReadSetting(3, delay, minutes, timeout), 0);
  EXPECT_EQ(Sent(), Frames({{27, 222, 3, 60, 15, 2}, {27, 223, 3}}));
  EXPECT_EQ(delay, 60);
  EXPECT_EQ(minutes, 15);
  EXPECT_EQ(timeout, 2);
}

TEST_F(Settings, RefusedGroupOrValueGives215) {
  StartPrinter(7);
  Connect();
  uint8_t a = 1, b = 2, c = 3;
  EXPECT_EQ(ReadSetting(5, a, b, c), 215);
  EXPECT_EQ(a, 1);
  // A volume of 17 is beyond the printer's 16.
  EXPECT_EQ(WriteSetting(4, 12, 8, 17), 215);
  EXPECT_EQ(ReadSetting(4, a, b, c), 0);
  EXPECT_EQ(c, 8);
}

TEST_F(Settings, AnyOtherVerdictGives23) {
  StartPrinter(7);
  Connect();
  Printer().Define(223, {.answer = [](emu::Printer&) { return emu::Bytes{6}; },
                         .dataLength = emu::FixedData(1),
                         .afterData =
                             [](emu::Printer&, const emu::Bytes&) {
                               return emu::Bytes{1, 0, 0, 0};
                             }});
  uint8_t a = 0, b = 0, c = 0;
  EXPECT_EQ(ReadSetting(0, a, b, c), 23);
}

TEST_F(Settings, ModelsWithoutTheBlockRefuseIt) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(WriteSetting(0, 4, 0, 0), 24);
}

using DisplayTestStep = DriverTest;

TEST_F(DisplayTestStep, StatusIsReadThenTheStepSent) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(148, 0x40);
  EXPECT_EQ(DisplayTest(1), 0);
  EXPECT_EQ(Sent(5), Frames({{27, 148}, {27, 50, 1}}));
}

TEST_F(DisplayTestStep, OpenReceiptGives200AfterTheStatus) {
  StartPrinter(3);
  Connect();
  ReceiptOpen = true;
  EXPECT_EQ(DisplayTest(0), 200);
  EXPECT_EQ(Sent(), Frames({{27, 148}}));
}

using PriceBuffer = DriverTest;

TEST_F(PriceBuffer, ClearingEmptiesThePharmacyBuffer) {
  StartPrinter(8);
  Connect();
  Printer().SetStatusByte(8, 0x03);
  EXPECT_EQ(ClearPriceBuffer(), 0);
  EXPECT_EQ(Sent(), Frames({{27, 148}, {27, 119}}));
  EXPECT_TRUE(Eventually([&] { return Printer().StatusByte(8) == 0; }));
}

TEST_F(PriceBuffer, ErasedClockOrLostControllerStopsIt) {
  StartPrinter(8);
  Connect();
  Printer().SetStatus(148, 0x90);
  EXPECT_EQ(ClearPriceBuffer(), 107);
  Printer().SetStatus(148, 0x80);
  EXPECT_EQ(ClearPriceBuffer(), 102);
  EXPECT_EQ(Sent(), Frames({{27, 148}, {27, 148}}));
}

using ProgramMemoryTest = DriverTest;

TEST_F(ProgramMemoryTest, PrintsBetweenTwoPrintControls) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(EpromTest(), 0);
  const Frames sent = Sent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.front(), Frame({27, 148}));
  EXPECT_EQ(FramesOf(sent, 39).size(), 1u);
  EXPECT_EQ(sent.back(), Frame({27, 149}));
  EXPECT_FALSE(Printer().Printing());
  EXPECT_TRUE(PrintedLine(Printer(), "POZOSTAŁO TESTÓW: 254"));
}

TEST_F(ProgramMemoryTest, PrinterThatHasNoTestsLeftRefuses) {
  StartPrinter(3);
  Connect();
  Printer().WithPrinter([](emu::Printer& p) { p.Service().programTestsLeft = 0; });
  EXPECT_EQ(EpromTest(), 24);
  EXPECT_TRUE(Printer().Printouts().empty());
}

using LockState = DriverTest;

TEST_F(LockState, BothBytesAreReadSecondFirst) {
  StartPrinter(7);
  Connect();
  Printer().SetStatus(96, 0x05);
  Printer().SetStatus(94, 0x20);
  uint8_t first = 0, second = 0;
  EXPECT_EQ(ReadLockState(first, second), 0);
  EXPECT_EQ(first, 0x20);
  EXPECT_EQ(second, 0x05);
  EXPECT_EQ(Sent(), Frames({{27, 96}, {27, 94}}));
}

using NamesPrint = DriverTest;

TEST_F(NamesPrint, RecordsGoWithoutHeaderBetweenTheTwoCommands) {
  StartPrinter(3);
  Connect();
  ASSERT_EQ(BeginNamesPrint(), 0);
  ASSERT_EQ(SendNamesRecord("CHLEB RAZOWY", 'B'), 0);
  // Names go in the printer's code page, as on a receipt.
  ASSERT_EQ(SendNamesRecord(Cp1250FromUtf8("ŻUREK 0,5l"), 'A'), 0);
  ASSERT_EQ(EndNamesPrint(), 0);

  std::vector<uint8_t> expected = {27, 63, 'B'};
  const std::string first = "CHLEB RAZOWY" + std::string(16, ' ');
  expected.insert(expected.end(), first.begin(), first.end());
  expected.push_back('A');
  const std::string second = "\xBDUREK 0,5l" + std::string(18, ' ');
  expected.insert(expected.end(), second.begin(), second.end());
  expected.insert(expected.end(), {27, 81});
  const std::vector<uint8_t> sent = Printer().HostBytes();
  ASSERT_GE(sent.size(), expected.size());
  EXPECT_EQ(std::vector<uint8_t>(sent.begin(), sent.begin() + expected.size()), expected);
  EXPECT_FALSE(Printer().Printing());
  EXPECT_TRUE(PrintedLine(Printer(), "CHLEB RAZOWY" + std::string(18, ' ') + "B"));
  EXPECT_TRUE(PrintedLine(Printer(), "ŻUREK 0,5l" + std::string(20, ' ') + "A"));
  EXPECT_TRUE(PrintedLine(Printer(), "POZYCJI: 2"));
}

TEST_F(NamesPrint, NameWithTooFewSignificantCharactersIsNotSent) {
  StartPrinter(2);
  Connect();
  EXPECT_EQ(SendNamesRecord("MAKA", 'A'), 202);
  EXPECT_TRUE(Printer().HostBytes().empty());
}

TEST_F(NamesPrint, OpenReceiptStopsEveryStep) {
  StartPrinter(3);
  Connect();
  ReceiptOpen = true;
  EXPECT_EQ(BeginNamesPrint(), 200);
  EXPECT_EQ(SendNamesRecord("CHLEB RAZOWY", 'A'), 200);
  EXPECT_EQ(EndNamesPrint(), 200);
  EXPECT_TRUE(Printer().HostBytes().empty());
}

}  // namespace
}  // namespace sigra::testing
