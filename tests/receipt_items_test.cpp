// Opening a receipt and sending its lines, against the emulator's receipt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/code_page.h"
#include "commands/receipt_items.h"
#include "driver_fixture.h"
#include "link/text_1250.h"
#include "protocol/receipt_state.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

// The 49 data bytes of command 6 for a line with an ASCII name and unit.
Frame ItemFrame(char marker, const std::string& name, char message, uint32_t quantity,
                uint8_t decimals, const std::string& unit, uint32_t price, uint8_t rateCode,
                uint32_t value) {
  std::string paddedName = name;
  paddedName.resize(28, ' ');
  std::string paddedUnit = unit;
  paddedUnit.resize(4, ' ');
  return Cmd(6, {{static_cast<uint8_t>(marker)},
                 Bytes(paddedName),
                 {static_cast<uint8_t>(message)},
                 Le32(quantity),
                 {decimals},
                 Bytes(paddedUnit),
                 Le32(price),
                 {27, rateCode},
                 Le32(value)});
}

class ReceiptItems : public DriverTest {
 protected:
  // A printer of this type with rates A..G all defined, connected, receipt open.
  void OpenReceiptOn(int deviceType) {
    StartPrinter(deviceType);
    if (deviceType == 3 || deviceType >= 6) {
      Printer().WithPrinter([](emu::Printer& p) {
        p.Fiscal().rates.SetBytes(
            {0x08, 0x98, 0x02, 0xBC, 0x00, 0x00, 0x40, 0x00, 0x01, 0xF4, 0x03, 0x20, 0x05, 0xDC});
      });
    }
    Connect();
    ASSERT_EQ(::ReceiptBegin(), 0);
    Printer().ClearRecord();
  }

  // The frames of command 6 once `lines` of them arrived.
  Frames ItemFrames(size_t lines) {
    // Each line: status 149 (2 bytes), the line (51 bytes), status 149 again.
    return FramesOf(Sent(lines * 55), 6);
  }
};

// --- Code page 852 ---------------------------------------------------------

TEST(CodePage, EachPolishLetterHasItsCodePage852Code) {
  const std::vector<std::pair<uint8_t, uint8_t>> letters = {
      {165, 164}, {185, 165}, {198, 143}, {230, 134}, {202, 168}, {234, 169},
      {163, 157}, {179, 136}, {209, 227}, {241, 228}, {211, 224}, {243, 162},
      {140, 151}, {156, 152}, {143, 141}, {159, 171}, {175, 189}, {191, 190}};
  for (const auto& [windows, printer] : letters) {
    EXPECT_EQ(ToPrinterCodePage(windows), printer) << int{windows};
    EXPECT_EQ(FromPrinterCodePage(printer), windows) << int{printer};
  }
}

TEST(CodePage, OtherBytesPassUnchanged) {
  EXPECT_EQ(ToPrinterCodePage(std::string("Ab1 %-\x80\xFF")), "Ab1 %-\x80\xFF");
  EXPECT_EQ(FromPrinterCodePage(std::string("Ab1 %-\x80\xFF")), "Ab1 %-\x80\xFF");
  EXPECT_EQ(ToPrinterCodePage(Cp1250FromUtf8("Żółć")), "\xBD\xA2\x88\x86");
}

// --- Article names -----------------------------------------------------------

TEST(ArticleNames, OnlyDigitsLettersAndFiveMarksAreSignificant) {
  EXPECT_EQ(::CharsInArticleName("A-1 +"), 2);
  EXPECT_EQ(::CharsInArticleName(""), 0);
  EXPECT_EQ(::CharsInArticleName(Cp1250FromUtf8("Żółć")), 4);
  EXPECT_EQ(::CharsInArticleName("%,./\\"), 5);
  EXPECT_EQ(::pCharsInArticleName("A-1 +"), 2);
}

TEST(ArticleNames, OnlyTheFirst28CharactersCount) {
  EXPECT_EQ(::CharsInArticleName(std::string(40, 'x')), 28);
  EXPECT_EQ(::CharsInArticleName(std::string(27, ' ') + "ab"), 1);
}

TEST(ArticleNames, NullNameGives225) {
  EXPECT_EQ(::pCharsInArticleName(nullptr), 225);
}

TEST(ArticleNames, ShortNamesPassOnlyOnTheNewerModels) {
  std::string padded;
  DeviceType = 0;
  EXPECT_EQ(PrepareArticleName("Ser zolty", padded), 202);
  EXPECT_EQ(padded, "Ser zolty                   ");
  DeviceType = 3;
  EXPECT_EQ(PrepareArticleName("Ser zolty", padded), 0);
  DeviceType = 2;
  EXPECT_EQ(PrepareArticleName("Ser zolty twardy", padded), 0);
}

TEST(ArticleNames, PreparedNameEndsAtItsFirstNul) {
  std::string padded;
  DeviceType = 3;
  EXPECT_EQ(PrepareArticleName(std::string("Ser\0zolty twardy", 16), padded), 202);
  EXPECT_EQ(padded, "Ser" + std::string(25, ' '));
}

// --- Receipt opening ---------------------------------------------------------

using ReceiptOpening = DriverTest;

TEST_F(ReceiptOpening, ChecksTheStatusAndRatesThenOpens) {
  StartPrinter(3);
  Connect();
  ASSERT_EQ(::ReceiptBegin(), 0);
  EXPECT_TRUE(ReceiptOpen);
  const Frames sent = Sent();
  ASSERT_GE(sent.size(), 6u);
  EXPECT_EQ(Frames(sent.begin(), sent.begin() + 5),
            Frames({Cmd(155), Cmd(148), Cmd(149), Cmd(150), Cmd(209)}));
  EXPECT_EQ(sent.back(), Cmd(33));
}

TEST_F(ReceiptOpening, SecondBeginGives200) {
  StartPrinter(3);
  Connect();
  ASSERT_EQ(::ReceiptBegin(), 0);
  Printer().ClearRecord();
  EXPECT_EQ(::ReceiptBegin(), 200);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ReceiptOpening, BeginWeighsClockMemoryBeforeAReadOnlyModule) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(155, 0x07);
  Printer().SetStatus(148, 0x10);
  EXPECT_EQ(::ReceiptBegin(), 107);
  EXPECT_EQ(::ReceiptConditions(), 105);
  EXPECT_FALSE(ReceiptOpen);
}

TEST_F(ReceiptOpening, BeginWithoutRatesGives113) {
  StartPrinter(3);
  Printer().WithPrinter([](emu::Printer& p) {
    p.Fiscal().rates.SetBytes({0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0});
  });
  Connect();
  EXPECT_EQ(::ReceiptBegin(), 113);
  EXPECT_TRUE(FramesOf(Sent(), 33).empty());
}

TEST_F(ReceiptOpening, BeginWithoutPaperGives109) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(149, 0x02);
  EXPECT_EQ(::ReceiptBegin(), 109);
  EXPECT_FALSE(ReceiptOpen);
}

TEST_F(ReceiptOpening, ConditionsOnALunoAskTheEuroChangeover) {
  StartPrinter(7);
  Connect();
  Printer().WithPrinter([](emu::Printer& p) { p.Fiscal().euroChangeoverDue = true; });
  EXPECT_EQ(::ReceiptConditions(), 237);
  EXPECT_EQ(Sent(), Frames({Cmd(255), Cmd(254), Cmd(245)}));
}

TEST_F(ReceiptOpening, ConditionsOnASigraDoNotAskTheEuroChangeover) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(::ReceiptConditions(), 0);
  const Frames sent = Sent();
  EXPECT_TRUE(FramesOf(sent, 245).empty());
  EXPECT_EQ(Frames(sent.begin(), sent.begin() + 6),
            Frames({Cmd(255), Cmd(254), Cmd(155), Cmd(148), Cmd(149), Cmd(150)}));
}

TEST_F(ReceiptOpening, ConditionsReportMissingMakerDataAndTheServiceJumper) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(150, 0x40);
  EXPECT_EQ(::ReceiptConditions(), 101);
  Printer().SetStatus(155, 0x02);
  EXPECT_EQ(::ReceiptConditions(), 100);
}

TEST_F(ReceiptOpening, ConditionsWithAReceiptOpenGive200) {
  StartPrinter(3);
  Connect();
  ASSERT_EQ(::ReceiptBegin(), 0);
  EXPECT_EQ(::ReceiptConditions(), 200);
}

// --- Sale and voided lines ---------------------------------------------------

TEST_F(ReceiptItems, ValueIsComputedRoundedAndWrittenBack) {
  OpenReceiptOn(3);
  int32_t value = 0;
  ASSERT_EQ(::ReceiptItem(1, "Mleko 3,2% 1l", 1, 0, 1500, 3, "l", 399, &value), 0);
  EXPECT_EQ(value, 599);
  EXPECT_EQ(RateTotals[0], 599);
  EXPECT_EQ(ReceiptItemCount, 1);
  EXPECT_EQ(Sent(55), Frames({Cmd(149),
                              ItemFrame(' ', "Mleko 3,2% 1l", '0', 1500, 3, "l", 399, 1, 599),
                              Cmd(149)}));
}

TEST_F(ReceiptItems, GivenValueIsSentUnchangedForThePrinterToJudge) {
  OpenReceiptOn(3);
  int32_t value = 700;
  // 1.5 x 3.99 is 5.99: the printer cancels the receipt for this line.
  EXPECT_EQ(::ReceiptItem(1, "Mleko 3,2% 1l", 1, 0, 1500, 3, "l", 399, &value), 210);
  EXPECT_EQ(value, 700);
  EXPECT_EQ(ItemFrames(1),
            Frames({ItemFrame(' ', "Mleko 3,2% 1l", '0', 1500, 3, "l", 399, 1, 700)}));
}

TEST_F(ReceiptItems, VoidedLineOnRateSevenGoesOutWithCodeFiveAndIsSubtracted) {
  OpenReceiptOn(3);
  int32_t value = 0;
  ASSERT_EQ(::ReceiptItem(1, "Witaminy C 100", 7, 2, 2, 0, "op", 500, &value), 0);
  value = 0;
  ASSERT_EQ(::ReceiptItem(2, "Witaminy C 100", 7, 2, 1, 0, "op", 500, &value), 0);
  EXPECT_EQ(RateTotals[6], 500);
  EXPECT_EQ(ItemFrames(2),
            Frames({ItemFrame(' ', "Witaminy C 100", '2', 2, 0, "op", 500, 5, 1000),
                    ItemFrame('-', "Witaminy C 100", '2', 1, 0, "op", 500, 5, 500)}));
  EXPECT_EQ(::ReceiptEnd(0), 0);
  EXPECT_TRUE(HasRow(Printer().Printouts().back(), "SUMA PLN", "5,00"));
}

TEST_F(ReceiptItems, RatesFiveAndSixHaveCodesSixAndSeven) {
  OpenReceiptOn(3);
  int32_t value = 0;
  ASSERT_EQ(::ReceiptItem(1, "Chleb razowy", 5, 0, 1, 0, "szt", 300, &value), 0);
  value = 0;
  ASSERT_EQ(::ReceiptItem(1, "Chleb razowy", 6, 0, 1, 0, "szt", 300, &value), 0);
  const Frames items = ItemFrames(2);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0][2 + 44], 6);
  EXPECT_EQ(items[1][2 + 44], 7);
  EXPECT_EQ(RateTotals[4], 300);
  EXPECT_EQ(RateTotals[5], 300);
}

TEST_F(ReceiptItems, PolishLetterGoesOutInCodePage852AndTheNameIsPadded) {
  OpenReceiptOn(3);
  int32_t value = 0;
  ASSERT_EQ(::ReceiptItem(1, Cp1250FromUtf8("ąbc Kiełbasa"), 1, 0, 1, 0, "kg", 1990, &value), 0);
  const Frames items = ItemFrames(1);
  ASSERT_EQ(items.size(), 1u);
  const Frame name(items[0].begin() + 3, items[0].begin() + 31);
  EXPECT_EQ(name, Bytes("\xA5"
                        "bc Kie\x88"
                        "basa" +
                        std::string(16, ' ')));
  EXPECT_EQ(::ReceiptEnd(0), 0);
  EXPECT_NE(Printer().Printouts().back().find("ąbc Kiełbasa"), std::string::npos);
}

TEST_F(ReceiptItems, FortyCharacterNameIsCutTo28) {
  OpenReceiptOn(3);
  int32_t value = 0;
  const std::string name = "Sok jablkowy naturalny tloczony 1l karton";
  ASSERT_EQ(::pReceiptItem(1, name.c_str(), 1, 0, 1, 0, "szt", 450, &value), 0);
  EXPECT_EQ(ItemFrames(1),
            Frames({ItemFrame(' ', name.substr(0, 28), '0', 1, 0, "szt", 450, 1, 450)}));
}

TEST_F(ReceiptItems, WithoutAReceiptGives201AndSendsNothing) {
  StartPrinter(3);
  Connect();
  int32_t value = 0;
  EXPECT_EQ(::ReceiptItem(1, "Chleb razowy", 1, 0, 1, 0, "szt", 300, &value), 201);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ReceiptItems, ReceiptCancelledByThePrinterGives210) {
  // The printer has cancelled the receipt on its own before the line.
  OpenReceiptOn(0);
  Printer().WithPrinter([](emu::Printer& p) { p.CancelReceipt("test"); });
  int32_t value = 0;
  EXPECT_EQ(::ReceiptItem(1, "Ser zolty twardy", 1, 0, 1, 0, "kg", 2500, &value), 210);
  EXPECT_FALSE(ReceiptOpen);
  EXPECT_TRUE(FramesOf(Sent(), 6).empty());
  ASSERT_FALSE(Printer().Printouts().empty());
  EXPECT_NE(Printer().Printouts().back().find("PARAGON ANULOWANY"), std::string::npos);
}

TEST_F(ReceiptItems, ComputedValueWithDecimalsBeyondFourGives206) {
  OpenReceiptOn(3);
  int32_t value = 0;
  EXPECT_EQ(::ReceiptItem(1, "Chleb razowy", 1, 0, 150000, 5, "kg", 399, &value), 206);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(::ReceiptItem(1, "Chleb razowy", 1, 0, 1, -1, "kg", 399, &value), 206);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(ReceiptItemCount, 0);
}

TEST_F(ReceiptItems, GivenValueWithDecimalsBeyondFourGives206Too) {
  // The printer would cancel the receipt for such a line.
  OpenReceiptOn(3);
  int32_t value = 599;
  EXPECT_EQ(::ReceiptItem(1, "Chleb razowy", 1, 0, 150000, 5, "kg", 399, &value), 206);
  EXPECT_EQ(value, 599);
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(ReceiptOpen);
}

TEST_F(ReceiptItems, ComputedValueBeyondA32BitAmountGives227) {
  OpenReceiptOn(3);
  int32_t value = 0;
  // 100000 x 50000 wraps to 705032704 in 32 bits.
  EXPECT_EQ(::ReceiptItem(1, "Chleb razowy", 1, 0, 100000, 0, "szt", 50000, &value), 227);
  EXPECT_EQ(::ReceiptItem(1, "Chleb razowy", 1, 0, 2, 0, "szt", -300, &value), 215);
  EXPECT_EQ(value, 0);
  // Exact beyond 32 bits before the division: 5000000 x 1000 / 1000.
  EXPECT_EQ(::ReceiptItem(1, "Chleb razowy", 1, 0, 5000000, 3, "kg", 1000, &value), 0);
  EXPECT_EQ(value, 5000000);
}

TEST_F(ReceiptItems, NullValuePointerGives225) {
  OpenReceiptOn(3);
  EXPECT_EQ(::pReceiptItem(1, "Chleb razowy", 1, 0, 1, 0, "szt", 300, nullptr), 225);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ReceiptItems, NullTextsAreEmpty) {
  OpenReceiptOn(3);
  int32_t value = 0;
  // An empty name has no significant character.
  EXPECT_EQ(::pReceiptItem(1, nullptr, 1, 0, 1, 0, "szt", 300, &value), 202);
  EXPECT_TRUE(Sent().empty());
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy", 1, 0, 1, 0, nullptr, 300, &value), 0);
  EXPECT_EQ(ItemFrames(1), Frames({ItemFrame(' ', "Chleb razowy", '0', 1, 0, "", 300, 1, 300)}));
}

TEST_F(ReceiptItems, LineCountStopsAt255RatherThanLookingEmpty) {
  OpenReceiptOn(3);
  ReceiptItemCount = 255;
  int32_t value = 0;
  ASSERT_EQ(::ReceiptItem(1, "Chleb razowy", 1, 0, 1, 0, "szt", 300, &value), 0);
  EXPECT_EQ(ReceiptItemCount, 255);
}

// --- Package lines and subtotal ----------------------------------------------

TEST_F(ReceiptItems, PackageLineGoesOutWithItsMarkersAndIsAcknowledged) {
  OpenReceiptOn(3);
  EXPECT_EQ(::PackageItem(0, 12, 3, 150), 0);
  EXPECT_EQ(::PackageItem(3, 0x1234, 0x10002, -50), 0);
  EXPECT_EQ(FramesOf(Sent(), 23),
            Frames({Cmd(23, {{' ', 'S', 12, 0, 3, 0}, Le32(150)}),
                    Cmd(23, {{'-', 'Z', 0x34, 0x12, 2, 0}, Le32(static_cast<uint32_t>(-50))})}));
  EXPECT_EQ(RateTotals[0], 0);
  EXPECT_EQ(ReceiptItemCount, 0);
}

TEST_F(ReceiptItems, PackageParamOutOfRangeGives214) {
  OpenReceiptOn(3);
  EXPECT_EQ(::PackageItem(4, 12, 3, 150), 214);
  EXPECT_EQ(::PackageItem(-1, 12, 3, 150), 214);
  EXPECT_TRUE(FramesOf(Sent(), 23).empty());
}

TEST_F(ReceiptItems, PackageLineOnAnOlderModelGives213) {
  OpenReceiptOn(0);
  EXPECT_EQ(::PackageItem(0, 12, 3, 150), 213);
  EXPECT_EQ(::PrintSubtotal(), 213);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ReceiptItems, PackageLineWithoutAReceiptGives201) {
  for (int type : {0, 3}) {
    StartPrinter(type);
    Connect();
    EXPECT_EQ(::PackageItem(0, 12, 3, 150), 201) << type;
    EXPECT_EQ(::PrintSubtotal(), 201) << type;
  }
}

TEST_F(ReceiptItems, PackageLineRefusedAfterItsDataGives24) {
  OpenReceiptOn(7);
  Printer().Define(
      23, {.dataLength = emu::FixedData(10),
           .afterData = [](emu::Printer&, const emu::Bytes&) { return emu::Bytes{0x15}; }});
  EXPECT_EQ(::PackageItem(1, 12, 3, 150), 24);
}

TEST_F(ReceiptItems, PackageLineNotAnsweredAfterItsDataGives21) {
  OpenReceiptOn(7);
  Printer().Define(23, {.dataLength = emu::FixedData(10)});
  EXPECT_EQ(::PackageItem(1, 12, 3, 150), 21);
}

TEST_F(ReceiptItems, SubtotalIsPrintedInTheReceipt) {
  OpenReceiptOn(7);
  int32_t value = 0;
  ASSERT_EQ(::ReceiptItem(1, "Chleb razowy", 1, 0, 2, 0, "szt", 300, &value), 0);
  ASSERT_EQ(::PrintSubtotal(), 0);
  EXPECT_EQ(FramesOf(Sent(57), 128), Frames({Cmd(128)}));
  ASSERT_EQ(::ReceiptEnd(0), 0);
  EXPECT_TRUE(HasRow(Printer().Printouts().back(), "PODSUMA", "6,00"));
}

}  // namespace
}  // namespace sigra::testing
