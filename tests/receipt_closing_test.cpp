// Closing and cancelling receipts, the payment and after-receipt tables, and
// the day totals.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "protocol/receipt_state.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

class Closing : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    ::ErasePayments();
    ::EraseLines();
  }

  void OpenReceiptOn(int deviceType) {
    StartPrinter(deviceType);
    Connect();
    ASSERT_EQ(::ReceiptBegin(), 0);
  }

  // A sale line worth `value` on rate 1..3, once the printer has all of it.
  void Sell(uint32_t rate, int32_t value) {
    const size_t before = Printer().HostBytes().size();
    int32_t computed = 0;
    ASSERT_EQ(::ReceiptItem(1, "Artykul testowy", rate, 0, value, 0, "szt", 1, &computed), 0);
    // Status 149 and the line: 2 + 51 bytes.
    ASSERT_TRUE(Printer().WaitForHostBytes(before + 53, std::chrono::seconds(2)));
  }

  std::string LastPrintout() {
    const std::vector<std::string> printouts = Printer().Printouts();
    return printouts.empty() ? std::string() : printouts.back();
  }
};

// --- Payment entries ---------------------------------------------------------

TEST_F(Closing, PaymentNumberOutsideOneToFourGives215) {
  EXPECT_EQ(::FillPayment(5, "Karta", 100, 0), 215);
  EXPECT_EQ(::FillPayment(0, "Karta", 100, 0), 215);
  EXPECT_EQ(::pFillPayment(-1, "Karta", 100, 0), 215);
  for (const PaymentEntry& entry : PaymentTable) EXPECT_TRUE(entry.name.empty());
}

TEST_F(Closing, PaymentNameIsCutOrPaddedTo13Characters) {
  EXPECT_EQ(::FillPayment(2, "Karta kredytowa VISA", 1500, 20), 0);
  EXPECT_EQ(PaymentTable[1].name, "Karta kredyto");
  EXPECT_EQ(PaymentTable[1].firstAmount, 1500);
  EXPECT_EQ(PaymentTable[1].secondAmount, 20);
  EXPECT_EQ(::pFillPayment(4, nullptr, 1, 2), 0);
  EXPECT_EQ(PaymentTable[3].name, std::string(13, ' '));
  EXPECT_EQ(::ErasePayments(), 0);
  EXPECT_TRUE(PaymentTable[1].name.empty());
  EXPECT_EQ(PaymentTable[1].firstAmount, 0);
}

// --- Lines after the receipt -------------------------------------------------

TEST_F(Closing, SixLinesFitAndTheSeventhGives216) {
  int32_t freeLines = -1;
  for (int32_t expected : {5, 4, 3, 2, 1, 0}) {
    EXPECT_EQ(::FillLines(1, "Zapraszamy ponownie", &freeLines), 0);
    EXPECT_EQ(freeLines, expected);
  }
  EXPECT_EQ(::FillLines(1, "Zapraszamy ponownie", &freeLines), 216);
  EXPECT_EQ(freeLines, 0);
  EXPECT_EQ(::EraseLines(), 0);
  EXPECT_EQ(::pFillLines(0, "Zapraszamy", &freeLines), 0);
  EXPECT_EQ(freeLines, 5);
}

TEST_F(Closing, LineTypeAbove15Gives215) {
  int32_t freeLines = -1;
  EXPECT_EQ(::FillLines(16, "Zapraszamy", &freeLines), 215);
  EXPECT_EQ(::FillLines(-1, "Zapraszamy", &freeLines), 215);
  EXPECT_EQ(freeLines, -1);
  EXPECT_EQ(::pFillLines(1, "Zapraszamy", nullptr), 225);
  EXPECT_EQ(LinesAfterReceipt[0].lineType, kFreeLine);
}

// --- Closing -----------------------------------------------------------------

TEST_F(Closing, TenPercentOff1005Is904) {
  OpenReceiptOn(3);
  Sell(1, 1005);
  Printer().ClearRecord();
  ASSERT_EQ(::ReceiptEnd(10), 0);
  const Frames sent = Sent();
  ASSERT_GE(sent.size(), 7u);
  EXPECT_EQ(Frames(sent.begin(), sent.begin() + 7),
            Frames({Cmd(149), Cmd(27, {{10}}), Cmd(149), Cmd(7, {Le32(904)}), Cmd(149), Cmd(149),
                    Cmd(36)}));
  EXPECT_FALSE(ReceiptOpen);
  EXPECT_TRUE(HasRow(LastPrintout(), "SUMA PLN", "9,04")) << LastPrintout();
}

TEST_F(Closing, ExactlyDivisibleSharesAreNotRoundedUp) {
  // 93 % of 500 is 465 exactly, which floating point makes 464.99999999999994.
  OpenReceiptOn(3);
  Sell(1, 500);
  ASSERT_EQ(::ReceiptEnd(7), 0);
  EXPECT_TRUE(Contains(Sent(), Cmd(7, {Le32(465)})));
  // Less than half a unit left: 90 % of 1007, 1008 and 1009 are 906.3, 907.2
  // and 908.1.
  ASSERT_EQ(::ReceiptBegin(), 0);
  Sell(1, 1007);
  Sell(2, 1008);
  Sell(3, 1009);
  Printer().ClearRecord();
  ASSERT_EQ(::ReceiptEnd(10), 0);
  EXPECT_TRUE(Contains(Sent(), Cmd(7, {Le32(906 + 907 + 908)})));
}

TEST_F(Closing, MoreThanHalfAUnitLeftRoundsTheShareUp) {
  // 5 % of 19 is 0.95.
  OpenReceiptOn(3);
  Sell(1, 19);
  ASSERT_EQ(::ReceiptEnd(95), 0);
  EXPECT_TRUE(Contains(Sent(), Cmd(7, {Le32(1)})));
}

TEST_F(Closing, DiscountOf100OrMoreSendsNoDiscount) {
  OpenReceiptOn(3);
  Sell(1, 1005);
  Printer().ClearRecord();
  ASSERT_EQ(::ReceiptEnd(150), 0);
  const Frames sent = Sent();
  EXPECT_TRUE(FramesOf(sent, 27).empty());
  EXPECT_TRUE(Contains(sent, Cmd(7, {Le32(1005)})));
  EXPECT_TRUE(HasRow(LastPrintout(), "SUMA PLN", "10,05"));
}

TEST_F(Closing, PaymentsAndLinesGoOutInOrderAndTheirEntriesAreEmptied) {
  OpenReceiptOn(7);
  Sell(1, 1000);
  ASSERT_EQ(::FillPayment(3, "Karta", 700, 0), 0);
  ASSERT_EQ(::FillPayment(1, "Bon", 500, 200), 0);
  int32_t freeLines = 0;
  ASSERT_EQ(::FillLines(2, "Nr karty 1234", &freeLines), 0);
  Printer().ClearRecord();
  ASSERT_EQ(::ReceiptEnd(0), 0);
  const Frames sent = Sent();
  const Frame bon = {1, 'B', 'o', 'n', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  const Frame karta = {3, 'K', 'a', 'r', 't', 'a', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  const Frames expected = {Cmd(149),
                           Cmd(149),
                           Cmd(7, {Le32(1000)}),
                           Cmd(149),
                           Cmd(129, {bon, Le32(500)}),
                           Cmd(130, {bon, Le32(200)}),
                           Cmd(129, {karta, Le32(700)}),
                           Cmd(130, {karta, Le32(0)}),
                           Cmd(9, {Bytes("2Nr karty 1234\n")}),
                           Cmd(149),
                           Cmd(36)};
  ASSERT_GE(sent.size(), expected.size());
  EXPECT_EQ(Frames(sent.begin(), sent.begin() + static_cast<long>(expected.size())), expected);
  for (const PaymentEntry& entry : PaymentTable) EXPECT_TRUE(entry.name.empty());
  EXPECT_EQ(LinesAfterReceipt[0].lineType, kFreeLine);
  const std::string receipt = LastPrintout();
  EXPECT_TRUE(HasRow(receipt, "Bon", "5,00")) << receipt;
  EXPECT_TRUE(HasRow(receipt, "RESZTA", "2,00")) << receipt;
  EXPECT_TRUE(HasRow(receipt, "Karta", "7,00")) << receipt;
  EXPECT_NE(receipt.find("Nr karty 1234"), std::string::npos) << receipt;
}

TEST_F(Closing, OlderModelKeepsItsPaymentsButPrintsTheLines) {
  OpenReceiptOn(0);
  Sell(1, 1000);
  ASSERT_EQ(::FillPayment(1, "Karta", 1000, 0), 0);
  int32_t freeLines = 0;
  ASSERT_EQ(::FillLines(0, "Dziekujemy", &freeLines), 0);
  ASSERT_EQ(::ReceiptEnd(0), 0);
  const Frames sent = Sent();
  EXPECT_TRUE(FramesOf(sent, 129).empty());
  EXPECT_TRUE(FramesOf(sent, 130).empty());
  EXPECT_EQ(FramesOf(sent, 9), Frames({Cmd(9, {Bytes("0Dziekujemy\n")})}));
  EXPECT_EQ(PaymentTable[0].name, "Karta        ");
  EXPECT_EQ(LinesAfterReceipt[0].lineType, kFreeLine);
  EXPECT_NE(LastPrintout().find("Dziekujemy"), std::string::npos);
}

TEST_F(Closing, LongestLineAfterTheReceiptFills255DataBytes) {
  OpenReceiptOn(3);
  Sell(1, 1000);
  int32_t freeLines = 0;
  ASSERT_EQ(::FillLines(1, std::string(254, 'x'), &freeLines), 0);
  EXPECT_EQ(LinesAfterReceipt[0].text.size(), 253u);
  ASSERT_EQ(::ReceiptEnd(0), 0);
  const Frames lines = FramesOf(Sent(), 9);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], Cmd(9, {{'1'}, Bytes(std::string(253, 'x')), {10}}));
}

TEST_F(Closing, EmptyReceiptRefusedWithANakClosesWithoutError) {
  OpenReceiptOn(3);
  EXPECT_EQ(::ReceiptEnd(0), 0);
  EXPECT_FALSE(ReceiptOpen);
  EXPECT_TRUE(Printer().Printouts().empty());
}

TEST_F(Closing, EmptyReceiptNotAnsweredGivesTheTimeoutAndStaysOpen) {
  OpenReceiptOn(3);
  Printer().AnswerWith(36, {});
  EXPECT_EQ(::ReceiptEnd(0), 21);
  EXPECT_TRUE(ReceiptOpen);
}

TEST_F(Closing, ReceiptWithLinesRefusedWithANakGives24AndCloses) {
  OpenReceiptOn(3);
  Sell(1, 1000);
  Printer().Nak(36);
  EXPECT_EQ(::ReceiptEnd(0), 24);
  EXPECT_FALSE(ReceiptOpen);
}

TEST_F(Closing, TotalThePrinterDisagreesWithGives210) {
  OpenReceiptOn(3);
  Sell(1, 1000);
  RateTotals[0] += 1;
  EXPECT_EQ(::ReceiptEnd(0), 210);
  EXPECT_FALSE(ReceiptOpen);
  EXPECT_TRUE(FramesOf(Sent(), 36).empty());
  EXPECT_NE(LastPrintout().find("PARAGON ANULOWANY"), std::string::npos);
}

TEST_F(Closing, CancellationShownAfterTheEndGives210) {
  OpenReceiptOn(3);
  Sell(1, 1000);
  Printer().Define(36, {.answer = [](emu::Printer& p) {
                     p.SetBit(149, 4, true);
                     return emu::Bytes{6};
                   }});
  EXPECT_EQ(::ReceiptEnd(0), 210);
  EXPECT_FALSE(ReceiptOpen);
}

TEST_F(Closing, WithoutAReceiptGives201) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(::ReceiptEnd(0), 201);
  EXPECT_EQ(::ReceiptCancel(), 201);
  EXPECT_TRUE(Sent().empty());
}

// --- Cancelling --------------------------------------------------------------

TEST_F(Closing, CancelSendsTheUndiscountedSumAndTheConnectionCheck) {
  OpenReceiptOn(3);
  Sell(1, 1000);
  Sell(2, 250);
  Printer().ClearRecord();
  ASSERT_EQ(::ReceiptCancel(), 0);
  const Frames sent = Sent();
  ASSERT_GE(sent.size(), 3u);
  EXPECT_EQ(Frames(sent.begin(), sent.begin() + 3),
            Frames({Cmd(149), Cmd(7, {Le32(1250)}), Cmd(35)}));
  EXPECT_FALSE(ReceiptOpen);
  EXPECT_EQ(ReceiptItemCount, 0);
  EXPECT_NE(LastPrintout().find("PARAGON ANULOWANY"), std::string::npos);
}

TEST_F(Closing, CancelOfAnEmptyReceiptRefusedWithANakSucceeds) {
  OpenReceiptOn(3);
  EXPECT_EQ(::ReceiptCancel(), 0);
  EXPECT_FALSE(ReceiptOpen);
}

TEST_F(Closing, CancelRefusedForAReceiptWithLinesKeepsItOpen) {
  OpenReceiptOn(3);
  Sell(1, 1000);
  Printer().Nak(35);
  EXPECT_EQ(::ReceiptCancel(), 24);
  EXPECT_TRUE(ReceiptOpen);
}

// --- Day totals ----------------------------------------------------------------

TEST_F(Closing, DayTotalsShowTheSoldReceipt) {
  OpenReceiptOn(3);
  Sell(1, 1005);
  Sell(2, 300);
  ASSERT_EQ(::ReceiptEnd(10), 0);
  Printer().ClearRecord();
  std::string total;
  ASSERT_EQ(::ReadTotal(total), 0);
  EXPECT_EQ(total, "1174");
  EXPECT_EQ(Sent(), Frames({Cmd(255), Cmd(254), Cmd(209), Cmd(218)}));
  ASSERT_EQ(::ReadSelTotal("A", total), 0);
  EXPECT_EQ(total, "904");
  ASSERT_EQ(::ReadSelTotal("B", total), 0);
  EXPECT_EQ(total, "270");
}

TEST_F(Closing, TotalsAreFortyBitAmounts) {
  StartPrinter(7);
  Connect();
  std::vector<uint8_t> answer = {6, 1, 0, 0, 0, 1};
  answer.resize(36, 0);
  answer[6] = 2;
  Printer().AnswerWith(218, answer);
  std::string total;
  ASSERT_EQ(::ReadTotal(total), 0);
  EXPECT_EQ(total, "4294967299");
  char buffer[14] = {};
  ASSERT_EQ(::pReadSelTotal("A", buffer), 0);
  EXPECT_STREQ(buffer, "4294967297");
}

TEST_F(Closing, SumOfAllRatesIsGivenWithAnUndefinedRate) {
  StartPrinter(3);
  Connect();
  Printer().WithPrinter(
      [](emu::Printer& p) { p.Fiscal().dayTotals = {100, 200, 0, 400, 0, 0, 0}; });
  char total[14] = {};
  ASSERT_EQ(::pReadSelTotal("+", total), 0);
  EXPECT_STREQ(total, "700");
  EXPECT_EQ(::pReadSelTotal("E", total), 226);
  EXPECT_EQ(::pReadSelTotal("D", total), 0);
  EXPECT_STREQ(total, "400");
}

TEST_F(Closing, SelectionOtherThanARateLetterOrPlusGives223) {
  StartPrinter(3);
  Connect();
  std::string total;
  EXPECT_EQ(::ReadSelTotal("a", total), 223);
  EXPECT_EQ(::ReadSelTotal("AB", total), 223);
  EXPECT_EQ(::ReadSelTotal("H", total), 223);
  EXPECT_EQ(total, "");
  // The selection is judged after the day totals were read.
  EXPECT_EQ(FramesOf(Sent(), 218).size(), 3u);
}

TEST_F(Closing, TotalsOnAModelWithoutThemGive224) {
  StartPrinter(2);
  Connect();
  std::string total;
  EXPECT_EQ(::ReadTotal(total), 224);
  EXPECT_EQ(::ReadSelTotal("+", total), 224);
  EXPECT_EQ(Sent(), Frames({Cmd(255), Cmd(254), Cmd(255), Cmd(254)}));
}

TEST_F(Closing, TotalsWithAReceiptOpenGive200) {
  OpenReceiptOn(3);
  std::string total;
  EXPECT_EQ(::ReadTotal(total), 200);
  EXPECT_EQ(::ReadSelTotal("A", total), 200);
}

TEST_F(Closing, TotalWithoutRatesGives113) {
  StartPrinter(8);
  Printer().WithPrinter([](emu::Printer& p) {
    p.Fiscal().rates.SetBytes({0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0});
  });
  Connect();
  std::string total;
  EXPECT_EQ(::ReadTotal(total), 113);
  EXPECT_TRUE(FramesOf(Sent(), 218).empty());
}

TEST_F(Closing, TotalsIntoANullBufferGive225) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(::pReadTotal(nullptr), 225);
  EXPECT_EQ(::pReadSelTotal("+", nullptr), 225);
  EXPECT_TRUE(Sent().empty());
}

}  // namespace
}  // namespace sigra::testing
