// User data, advertising lines and the customer-display image against the
// emulator: the bytes of each transfer, the code page conversions, the XOR
// check bytes and the printer's refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "commands/advertising_lines.h"
#include "commands/display_data.h"
#include "commands/user_data.h"
#include "driver_fixture.h"
#include "link/text_1250.h"
#include "printer_state_helpers.h"
#include "protocol/receipt_state.h"
#include "receipt_helpers.h"

namespace sigra::testing {
namespace {

// "ZAŻÓŁĆ" in code page 852 and in Windows-1250.
const std::string kPolish852 = "ZA\xBD\xE0\x9D\x8F";
const std::string kPolish1250 = "ZA\xAF\xD3\xA3\xC6";

std::string Padded(const std::string& text, size_t width) {
  return text + std::string(width - text.size(), ' ');
}

uint8_t XorOf(const std::string& text) {
  uint8_t check = 0;
  for (char c : text) check ^= static_cast<uint8_t>(c);
  return check;
}

bool Printed(emu::Emulator& printer, const std::string& text) {
  for (const std::string& printout : printer.Printouts()) {
    if (printout.find(text) != std::string::npos) return true;
  }
  return false;
}

using ReadingUserData = DriverTest;

TEST_F(ReadingUserData, LunoFReadsSixLinesWithCommand158) {
  StartPrinter(8);
  Connect();
  Printer().WithPrinter(
      [](emu::Printer& p) { p.UserDataLines().Write(2, 0x03, "ABCDEFGHIJKLMNOPQRST", false); });
  UserDataLines lines;
  uint8_t options = 0xFF;
  ASSERT_EQ(ReadUserData(6, lines, options), 0);
  EXPECT_EQ(lines[1], "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(options, 0x02);
  EXPECT_EQ(lines[0].size(), 40u);
  EXPECT_EQ(Sent(), Frames({{27, 148},
                            {27, 155},
                            {27, 255},
                            {27, 254},
                            {27, 158, 1},
                            {27, 158, 2},
                            {27, 158, 3},
                            {27, 158, 4},
                            {27, 158, 5},
                            {27, 158, 6}}));
}

TEST_F(ReadingUserData, PolishLettersComeBackInWindows1250) {
  StartPrinter(3);
  Connect();
  Printer().WithPrinter(
      [](emu::Printer& p) { p.UserDataLines().Write(1, 0x00, Padded(kPolish852, 40), false); });
  UserDataLines lines;
  uint8_t options = 0;
  ASSERT_EQ(ReadUserData(4, lines, options), 0);
  EXPECT_EQ(lines[0], Padded(kPolish1250, 40));
  EXPECT_TRUE(lines[4].empty());
  EXPECT_EQ(FramesOf(Sent(), 157).size(), 4u);
}

TEST_F(ReadingUserData, PrinterConditionsAndModelsRefuse) {
  StartPrinter(3);
  Connect();
  UserDataLines lines;
  uint8_t options = 0;
  Printer().SetStatus(148, 0x10);
  EXPECT_EQ(ReadUserData(4, lines, options), 107);
  Printer().SetStatus(148, 0x00);
  Printer().SetStatus(155, 0x01);
  EXPECT_EQ(ReadUserData(4, lines, options), 104);
  EXPECT_EQ(Sent(), Frames({{27, 148}, {27, 148}, {27, 155}}));
}

TEST_F(ReadingUserData, ModelWithoutUserDataGives224) {
  StartPrinter(0);
  Connect();
  UserDataLines lines;
  uint8_t options = 0;
  EXPECT_EQ(ReadUserData(4, lines, options), 224);
  EXPECT_EQ(Sent(), Frames({{27, 148}, {27, 155}, {27, 255}}));
}

TEST_F(ReadingUserData, MoreThanSixLinesIsRefusedUnsent) {
  StartPrinter(8);
  Connect();
  UserDataLines lines;
  lines[0] = "old";
  uint8_t options = 0;
  EXPECT_EQ(ReadUserData(7, lines, options), 215);
  EXPECT_TRUE(lines[0].empty());
  EXPECT_TRUE(Sent().empty());
}

using WritingUserData = DriverTest;

TEST_F(WritingUserData, NarrowLineGoesOutIn852PaddedToTwenty) {
  StartPrinter(3);
  Connect();
  ASSERT_EQ(WriteUserDataLine(2, 0x01, kPolish1250), 0);
  Frame expected = {27, 148, 27, 156, 2, 1};
  const std::string text = Padded(kPolish852, 20);
  expected.insert(expected.end(), text.begin(), text.end());
  EXPECT_EQ(Printer().HostBytes(), expected);
  EXPECT_EQ(Peek(Printer(), [](emu::Printer& p) { return p.UserDataLines().Line(2)->text; }), text);
}

TEST_F(WritingUserData, WideLineIsCutAtForty) {
  StartPrinter(3);
  Connect();
  const std::string text(45, 'x');
  ASSERT_EQ(WriteUserDataLine(1, 0x00, text), 0);
  const Frames sent = FramesOf(Sent(), 156);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].size(), 2u + 2u + 40u);
}

TEST_F(WritingUserData, FiscalPrinterRefusesTheTaxNumberLine) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(155, 0x0B);
  EXPECT_EQ(WriteUserDataLine(1, 0x00, std::string(40, 'a')), 0);
  EXPECT_EQ(WriteUserDataLine(4, 0x00, Padded("NIP 526-104-08-28", 40)), 229);
}

TEST_F(WritingUserData, LostControllerGives102BeforeTheLine) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(148, 0x80);
  EXPECT_EQ(WriteUserDataLine(1, 0x00, std::string(40, 'a')), 102);
  EXPECT_EQ(Sent(), Frames({{27, 148}}));
}

using PrintingUserData = DriverTest;

TEST_F(PrintingUserData, FourGivenLinesGoWithTheirWidthsAndOneByteMore) {
  StartPrinter(3);
  Connect();
  const UserDataLines lines = {
      "SKLEP", std::string(40, 'b'), "ul. Polna 1", Padded("NIP 526-104-08-28", 40), "", ""};
  ASSERT_EQ(PrintUserData(4, lines), 0);
  Frame expected = {27, 51};
  for (const std::string& line : {Padded("SKLEP", 20), std::string(40, 'b'),
                                  Padded("ul. Polna 1", 20), Padded("NIP 526-104-08-28", 40)}) {
    expected.push_back(line.size() == 20 ? 1 : 0);
    expected.insert(expected.end(), line.begin(), line.end());
  }
  expected.push_back(0);
  const Frames sent = FramesOf(Sent(), 51);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], expected);
  EXPECT_FALSE(Printer().Printing());
  EXPECT_TRUE(Printed(Printer(), "NIP 526-104-08-28"));
}

TEST_F(PrintingUserData, SixLinesPrintWhatThePrinterHolds) {
  StartPrinter(7);
  Connect();
  const UserDataLines lines;
  ASSERT_EQ(PrintUserData(6, lines), 0);
  const Frames sent = FramesOf(Sent(), 241);
  EXPECT_EQ(sent, Frames({{27, 241}}));
  EXPECT_TRUE(Printed(Printer(), "NIP 123-456-32-18"));
}

TEST_F(PrintingUserData, ErasedClockStopsItBeforePrinting) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(148, 0x10);
  EXPECT_EQ(PrintUserData(6, UserDataLines{}), 107);
  EXPECT_TRUE(FramesOf(Sent(), 241).empty());
  EXPECT_TRUE(Printer().Printouts().empty());
}

using AdvertisingLine = DriverTest;

TEST_F(AdvertisingLine, TextGoesIn852WithTheXorOfTheConvertedBytes) {
  StartPrinter(7);
  Connect();
  ASSERT_EQ(WriteAdvertisingLine(0, kPolish1250), 0);
  const std::string sent = Padded(kPolish852, 40);
  Frame expected = {27, 46, 0};
  expected.insert(expected.end(), sent.begin(), sent.end());
  expected.push_back(XorOf(sent));
  EXPECT_EQ(Sent(), Frames({{27, 148}, {27, 195}, expected}));
  EXPECT_EQ(Peek(Printer(), [](emu::Printer& p) { return *p.Display().Line(0); }), sent);
}

TEST_F(AdvertisingLine, PrinterSetToWindows1250TakesTheTextUnconverted) {
  StartPrinter(8);
  Connect();
  Printer().WithPrinter([](emu::Printer& p) { p.Service().settings[0] |= 0x08; });
  ASSERT_EQ(WriteAdvertisingLine(1, kPolish1250), 0);
  const Frames sent = FramesOf(Sent(), 46);
  ASSERT_EQ(sent.size(), 1u);
  const std::string expected = Padded(kPolish1250, 40);
  EXPECT_EQ(std::string(sent[0].begin() + 3, sent[0].begin() + 43), expected);
  EXPECT_EQ(sent[0].back(), XorOf(expected));
}

TEST_F(AdvertisingLine, FortySpacesCarryAZeroCheckByte) {
  StartPrinter(7);
  Connect();
  ASSERT_EQ(WriteAdvertisingLine(2, std::string(40, ' ')), 0);
  const Frames sent = FramesOf(Sent(), 46);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].back(), 0);
}

TEST_F(AdvertisingLine, ReadBackGivesTheTextAndItsFlag) {
  StartPrinter(7);
  Connect();
  ASSERT_EQ(WriteAdvertisingLine(1, kPolish1250), 0);
  Printer().ClearRecord();
  std::string text;
  uint8_t flag = 0;
  ASSERT_EQ(ReadAdvertisingLine(1, text, flag), 0);
  EXPECT_EQ(text, Padded(kPolish1250, 40));
  EXPECT_EQ(flag & 0x01, 0x01);
  EXPECT_EQ(Sent(), Frames({{27, 148}, {27, 195}, {27, 56, 1}}));
  ASSERT_EQ(ReadAdvertisingLine(2, text, flag), 0);
  EXPECT_EQ(flag & 0x01, 0);
}

TEST_F(AdvertisingLine, PrinterRefusalsFollowTheBlockTable) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(WriteAdvertisingLine(3, "x"), 223);
  ASSERT_EQ(WriteAdvertisingLine(0, "Promocja"), 0);
  EXPECT_EQ(WriteAdvertisingLine(0, "Promocja"), 234);
  Printer().WithPrinter([](emu::Printer& p) { p.Display().awaitingDailyReport = true; });
  EXPECT_EQ(WriteAdvertisingLine(0, "Nowa promocja"), 235);
}

TEST_F(AdvertisingLine, EveryVerdictByteHasItsResult) {
  StartPrinter(7);
  Connect();
  const std::pair<uint8_t, int32_t> verdicts[] = {{200, 232}, {201, 233}, {7, 23}};
  for (const auto& [verdict, result] : verdicts) {
    Printer().Define(
        46,
        {.answer = [](emu::Printer&) { return emu::Bytes{6}; },
         .dataLength = emu::FixedData(42),
         .afterData = [verdict](emu::Printer&, const emu::Bytes&) { return emu::Bytes{verdict}; }});
    EXPECT_EQ(WriteAdvertisingLine(0, "x"), result) << int{verdict};
  }
}

TEST_F(AdvertisingLine, ModelWithoutTheDisplayRefuses) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(WriteAdvertisingLine(0, "x"), 24);
}

using ClearingAdvertisingLines = DriverTest;

TEST_F(ClearingAdvertisingLines, LinesAreErasedUnlessTheyAwaitAReport) {
  StartPrinter(7);
  Connect();
  ASSERT_EQ(WriteAdvertisingLine(0, "Promocja"), 0);
  Printer().WithPrinter([](emu::Printer& p) { p.Display().awaitingDailyReport = true; });
  EXPECT_EQ(ClearAdvertisingLines(), 235);
  EXPECT_TRUE(Peek(Printer(), [](emu::Printer& p) { return p.Display().Line(0).has_value(); }));
  Printer().WithPrinter([](emu::Printer& p) { p.Display().awaitingDailyReport = false; });
  EXPECT_EQ(ClearAdvertisingLines(), 0);
  EXPECT_FALSE(Peek(Printer(), [](emu::Printer& p) { return p.Display().Line(0).has_value(); }));
  EXPECT_EQ(FramesOf(Sent(), 58), Frames({{27, 58}, {27, 58}}));
}

TEST_F(ClearingAdvertisingLines, UnknownAnswerGives23) {
  StartPrinter(7);
  Connect();
  Printer().AnswerWith(58, {6, 9});
  EXPECT_EQ(ClearAdvertisingLines(), 23);
}

class DisplayImageTest : public DriverTest {
 protected:
  // Row r holds the bytes r, r + 1, ... with their XOR last.
  void FillBitmap() {
    for (size_t r = 0; r < kDisplayRows; ++r) {
      uint8_t check = 0;
      for (size_t i = 0; i + 1 < kDisplayRowBytes; ++i) {
        DisplayBitmapData[r][i] = static_cast<uint8_t>(r + i);
        check ^= DisplayBitmapData[r][i];
      }
      DisplayBitmapData[r][kDisplayRowBytes - 1] = check;
    }
  }
};

TEST_F(DisplayImageTest, ImageIsWrittenRowByRowAndReadBack) {
  StartPrinter(7);
  Connect();
  FillBitmap();
  ASSERT_EQ(WriteDisplayData(), 0);
  const Frames rows = FramesOf(Sent(), 45);
  ASSERT_EQ(rows.size(), kDisplayRows);
  Frame row10 = {27, 45, 10};
  std::copy(DisplayBitmapData[10].begin(), DisplayBitmapData[10].end(), std::back_inserter(row10));
  EXPECT_EQ(rows[10], row10);

  for (DisplayRow& row : DisplayReadbackData) row.fill(0xEE);
  ASSERT_EQ(ReadDisplayData(), 0);
  for (size_t r = 0; r < kDisplayRows; ++r) {
    EXPECT_EQ(DisplayReadbackData[r][0], 0xEE);
    EXPECT_TRUE(std::equal(DisplayBitmapData[r].begin(), DisplayBitmapData[r].end() - 1,
                           DisplayReadbackData[r].begin() + 1))
        << "row " << r;
  }
}

TEST_F(DisplayImageTest, SameImageAgainIsReportedAtTheLastRow) {
  StartPrinter(8);
  Connect();
  FillBitmap();
  ASSERT_EQ(WriteDisplayData(), 0);
  Printer().ClearRecord();
  EXPECT_EQ(WriteDisplayData(), 234);
  EXPECT_EQ(FramesOf(Sent(), 45).size(), kDisplayRows);
}

TEST_F(DisplayImageTest, RefusalAtRowTenStopsTheTransfer) {
  StartPrinter(7);
  Connect();
  FillBitmap();
  Printer().Define(45, {.answer = [](emu::Printer&) { return emu::Bytes{6}; },
                        .dataLength = emu::FixedData(26),
                        .afterData =
                            [](emu::Printer&, const emu::Bytes& data) {
                              return emu::Bytes{static_cast<uint8_t>(data[0] == 10 ? 201 : 0)};
                            }});
  EXPECT_EQ(WriteDisplayData(), 233);
  EXPECT_EQ(FramesOf(Sent(), 45).size(), 11u);
}

TEST_F(DisplayImageTest, WrongCheckByteGives232) {
  StartPrinter(7);
  Connect();
  FillBitmap();
  DisplayBitmapData[0][kDisplayRowBytes - 1] ^= 0x01;
  EXPECT_EQ(WriteDisplayData(), 232);
  EXPECT_EQ(FramesOf(Sent(), 45).size(), 1u);
}

TEST_F(DisplayImageTest, PrinterWithoutAnImageGives238AtRowZero) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(ReadDisplayData(), 238);
  EXPECT_EQ(FramesOf(Sent(), 47), Frames({{27, 47, 0}}));
}

TEST_F(DisplayImageTest, OnlyTheLunoModelsHaveIt) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(WriteDisplayData(), 224);
  EXPECT_EQ(ReadDisplayData(), 224);
  EXPECT_EQ(Sent(), Frames({{27, 255}, {27, 254}, {27, 255}, {27, 254}}));
  EXPECT_EQ(ClearDisplayData(), 224);
}

TEST_F(DisplayImageTest, OpenReceiptGives200) {
  StartPrinter(7);
  Connect();
  ReceiptOpen = true;
  EXPECT_EQ(WriteDisplayData(), 200);
  EXPECT_EQ(ReadDisplayData(), 200);
  EXPECT_EQ(ClearDisplayData(), 200);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(DisplayImageTest, ClearingErasesTheImageUnlessItAwaitsAReport) {
  StartPrinter(8);
  Connect();
  FillBitmap();
  ASSERT_EQ(WriteDisplayData(), 0);
  Printer().WithPrinter([](emu::Printer& p) { p.Display().awaitingDailyReport = true; });
  EXPECT_EQ(ClearDisplayData(), 235);
  Printer().WithPrinter([](emu::Printer& p) { p.Display().awaitingDailyReport = false; });
  EXPECT_EQ(ClearDisplayData(), 0);
  EXPECT_FALSE(Peek(Printer(), [](emu::Printer& p) { return p.Display().HasImage(); }));
  EXPECT_EQ(ReadDisplayData(), 238);
}

}  // namespace
}  // namespace sigra::testing
