// What a sale line or a payment the printer would not take does to the
// receipt, and what a receipt that ends unprinted leaves for the next one:
// judged by the bytes the printer received and by its paper.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "protocol/receipt_state.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

constexpr int32_t kMostAmount = std::numeric_limits<int32_t>::max();

class ReceiptRefusals : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    ::ErasePayments();
    ::EraseLines();
  }

  // A printer of this type with its rates as a new one has them (A 22 %,
  // B 7 %, C 0 %, D exempt on seven-rate models, the rest not defined).
  void OpenReceiptOn(int deviceType) {
    StartPrinter(deviceType);
    Connect();
    ASSERT_EQ(::ReceiptBegin(), 0);
    Printer().ClearRecord();
  }

  std::vector<std::string> Printouts() { return Printer().Printouts(); }

  bool PaperShows(const std::string& text) {
    for (const std::string& printout : Printouts()) {
      if (printout.find(text) != std::string::npos) return true;
    }
    return false;
  }

  // The next customer's receipt: one line, no payment or line filled for it.
  void SellNextReceipt() {
    Printer().ClearRecord();
    ASSERT_EQ(::ReceiptBegin(), 0);
    int32_t value = 0;
    ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", 450, &value), 0);
    ASSERT_EQ(::ReceiptEnd(0), 0);
  }

  // Payment "Karta" 999,00 and one line after the receipt.
  void FillTables() {
    ASSERT_EQ(::pFillPayment(1, "Karta", 99900, 0), 0);
    int32_t freeLines = 0;
    ASSERT_EQ(::pFillLines(0, "Stara linia", &freeLines), 0);
  }

  void ExpectTablesEmpty() {
    for (const PaymentEntry& entry : PaymentTable) EXPECT_TRUE(entry.name.empty());
    for (const AfterReceiptLine& line : LinesAfterReceipt) EXPECT_EQ(line.lineType, kFreeLine);
  }

  void ExpectNoOldPaymentOrLine(const Frames& sent) {
    EXPECT_TRUE(FramesOf(sent, 129).empty());
    EXPECT_TRUE(FramesOf(sent, 130).empty());
    EXPECT_TRUE(FramesOf(sent, 9).empty());
    const std::string receipt = Printouts().back();
    EXPECT_EQ(receipt.find("Karta"), std::string::npos) << receipt;
    EXPECT_EQ(receipt.find("Stara linia"), std::string::npos) << receipt;
    EXPECT_TRUE(HasRow(receipt, "SUMA PLN", "4,50")) << receipt;
  }
};

// --- A receipt that ends unprinted takes its tables with it ------------------

struct UnprintedEnd {
  const char* name;
  // Ends the open receipt (one line sold, tables filled) without a printout
  // of it; gives the result of the call that learnt it.
  std::function<int32_t(emu::Emulator&)> end;
};

void PrintTo(const UnprintedEnd& c, std::ostream* os) { *os << c.name; }

class UnprintedReceipt : public ReceiptRefusals,
                         public ::testing::WithParamInterface<UnprintedEnd> {};

TEST_P(UnprintedReceipt, LeavesNoPaymentOrLineForTheNextReceipt) {
  OpenReceiptOn(7);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Kawa mielona 250g", 1, 0, 1, 0, "szt", 1549, &value), 0);
  FillTables();
  const int32_t result = GetParam().end(Printer());
  EXPECT_TRUE(result == 0 || result == 210) << result;
  EXPECT_FALSE(ReceiptOpen);
  ExpectTablesEmpty();
  EXPECT_FALSE(PaperShows("Karta"));
  SellNextReceipt();
  ExpectNoOldPaymentOrLine(Sent());
}

INSTANTIATE_TEST_SUITE_P(
    EachWay, UnprintedReceipt,
    ::testing::Values(
        UnprintedEnd{"CancelledByTheHost", [](emu::Emulator&) { return ::ReceiptCancel(); }},
        UnprintedEnd{"CancelledByThePrinterBeforeTheEnd",
                     [](emu::Emulator& printer) {
                       printer.WithPrinter([](emu::Printer& p) { p.CancelReceipt("test"); });
                       return ::ReceiptEnd(0);
                     }},
        // The printer disagrees with the total and cancels before the
        // payments go out.
        UnprintedEnd{"TotalRefusedAtTheEnd",
                     [](emu::Emulator&) {
                       RateTotals[0] += 1;
                       return ::ReceiptEnd(0);
                     }},
        // Rate E is not defined: the printer cancels the receipt for the line.
        UnprintedEnd{"CancelledByThePrinterForALine",
                     [](emu::Emulator&) {
                       int32_t value = 0;
                       return ::pReceiptItem(1, "Herbata czarna", 5, 0, 1, 0, "szt", 599, &value);
                     }},
        UnprintedEnd{"CancelledByThePrinterFoundByTheNextLine",
                     [](emu::Emulator& printer) {
                       printer.WithPrinter([](emu::Printer& p) { p.CancelReceipt("test"); });
                       int32_t value = 0;
                       return ::pReceiptItem(1, "Herbata czarna", 1, 0, 1, 0, "szt", 599, &value);
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReceiptRefusals, CancelOfAReceiptThePrinterCancelledGives210AndEmptiesTheTables) {
  OpenReceiptOn(3);
  FillTables();
  Printer().WithPrinter([](emu::Printer& p) { p.CancelReceipt("test"); });
  EXPECT_EQ(::ReceiptCancel(), 210);
  ExpectTablesEmpty();
}

TEST_F(ReceiptRefusals, TablesFilledBeforeTheReceiptBeganStillGoOut) {
  StartPrinter(7);
  Connect();
  FillTables();
  ASSERT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Kawa mielona 250g", 1, 0, 1, 0, "szt", 1549, &value), 0);
  Printer().ClearRecord();
  ASSERT_EQ(::ReceiptEnd(0), 0);
  const Frames sent = Sent();
  EXPECT_EQ(FramesOf(sent, 129).size(), 1u);
  EXPECT_EQ(FramesOf(sent, 9), Frames({Cmd(9, {Bytes("0Stara linia\n")})}));
  EXPECT_TRUE(HasRow(Printouts().back(), "Karta", "999,00")) << Printouts().back();
}

TEST_F(ReceiptRefusals, ClosingCutByTheLineKeepsTheTablesForTheRetry) {
  OpenReceiptOn(7);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Kawa mielona 250g", 1, 0, 1, 0, "szt", 1549, &value), 0);
  FillTables();
  Printer().AnswerWith(149, {});
  EXPECT_EQ(::ReceiptEnd(0), 21);
  EXPECT_TRUE(ReceiptOpen);
  EXPECT_EQ(PaymentTable[0].name, "Karta        ");
  EXPECT_EQ(LinesAfterReceipt[0].text, "Stara linia");
}

// --- Lines refused before anything is sent ------------------------------------

struct RefusedLine {
  const char* name;
  int deviceType;
  int32_t sale;
  const char* article;
  uint32_t rate;
  int32_t quantity;
  int32_t decimals;
  int32_t price;
  int32_t value;
  int32_t result;
};

void PrintTo(const RefusedLine& c, std::ostream* os) { *os << c.name; }

class RefusedItem : public ReceiptRefusals, public ::testing::WithParamInterface<RefusedLine> {};

TEST_P(RefusedItem, SendsNothingAndLeavesTheReceiptOpenForACorrectedLine) {
  const RefusedLine& line = GetParam();
  OpenReceiptOn(line.deviceType);
  FillTables();
  int32_t value = line.value;
  EXPECT_EQ(::pReceiptItem(line.sale, line.article, line.rate, 0, line.quantity, line.decimals,
                           "szt", line.price, &value),
            line.result);
  EXPECT_EQ(value, line.value);
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(ReceiptOpen);
  EXPECT_EQ(ReceiptItemCount, 0);

  // The corrected line and the closing go through, with the tables.
  value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", 450, &value), 0);
  ASSERT_EQ(::ReceiptEnd(0), 0);
  ASSERT_EQ(Printouts().size(), 1u);
  const std::string receipt = Printouts().back();
  EXPECT_TRUE(HasRow(receipt, "SUMA PLN", "4,50")) << receipt;
  EXPECT_NE(receipt.find("Stara linia"), std::string::npos) << receipt;
  EXPECT_EQ(FramesOf(Sent(), 6).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    EachArgument, RefusedItem,
    ::testing::Values(
        RefusedLine{"RateZero", 3, 1, "Chleb razowy", 0, 1, 0, 450, 0, 215},
        RefusedLine{"RateEight", 3, 1, "Chleb razowy", 8, 1, 0, 450, 0, 215},
        RefusedLine{"Rate255", 3, 1, "Chleb razowy", 255, 1, 0, 450, 0, 215},
        RefusedLine{"RateAllOnes", 3, 1, "Chleb razowy", 0xFFFFFFFF, 1, 0, 450, 0, 215},
        RefusedLine{"ZeroQuantity", 3, 1, "Chleb razowy", 1, 0, 0, 450, 0, 215},
        RefusedLine{"NegativeQuantity", 3, 1, "Chleb razowy", 1, -2, 0, 450, 0, 215},
        RefusedLine{"ZeroPrice", 3, 1, "Chleb razowy", 1, 1, 0, 0, 0, 215},
        RefusedLine{"NegativePrice", 3, 1, "Chleb razowy", 1, 1, 0, -450, 0, 215},
        RefusedLine{"ZeroPriceWithAGivenValue", 3, 1, "Chleb razowy", 1, 1, 0, 0, 450, 215},
        RefusedLine{"VoidOfZeroQuantity", 3, 2, "Chleb razowy", 1, 0, 0, 450, 0, 215},
        RefusedLine{"DecimalsBeyondFour", 3, 1, "Chleb razowy", 1, 10000, 5, 450, 45, 206},
        // Ten significant characters on the older models, five on the newer.
        RefusedLine{"NineSignificantOnAnOlderModel", 0, 1, "Ser zolty", 1, 1, 0, 450, 0, 202},
        RefusedLine{"FourSignificantOnALuno", 7, 1, "Ser - 1 + +", 1, 1, 0, 450, 0, 202},
        RefusedLine{"EmptyName", 3, 1, "", 1, 1, 0, 450, 0, 202}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReceiptRefusals, TooFewSignificantCharactersHasItsOwnText) {
  OpenReceiptOn(0);
  int32_t value = 0;
  const int32_t result = ::pReceiptItem(1, "Ser zolty", 1, 0, 1, 0, "kg", 2500, &value);
  ASSERT_EQ(result, 202);
  char text[622];
  ASSERT_EQ(::pErrMessage(result, text), 0);
  EXPECT_STREQ(text, "Za ma\xB3o znak\xF3w znacz\xB9" "cych (parametr <Nazwa> w ReceiptItem).");
}

// --- Lines the printer cancels the receipt for ---------------------------------

struct CancellingLine {
  const char* name;
  int32_t sale;
  uint32_t rate;
  int32_t quantity;
  int32_t price;
  int32_t value;
};

void PrintTo(const CancellingLine& c, std::ostream* os) { *os << c.name; }

class CancellingItem : public ReceiptRefusals,
                       public ::testing::WithParamInterface<CancellingLine> {};

TEST_P(CancellingItem, Gives210FromThatLinesCall) {
  const CancellingLine& line = GetParam();
  OpenReceiptOn(3);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", 450, &value), 0);
  value = line.value;
  EXPECT_EQ(::pReceiptItem(line.sale, "Herbata czarna", line.rate, 0, line.quantity, 0, "szt",
                           line.price, &value),
            210);
  EXPECT_FALSE(ReceiptOpen);
  const Frames sent = Sent();
  ASSERT_EQ(sent.size(), 6u);
  EXPECT_EQ(sent[3], Cmd(149));
  EXPECT_EQ(sent[4][1], 6);
  EXPECT_EQ(sent[5], Cmd(149));
  ASSERT_EQ(Printouts().size(), 1u);
  EXPECT_NE(Printouts().back().find("PARAGON ANULOWANY"), std::string::npos);
  // The next call knows there is no receipt any more.
  EXPECT_EQ(::ReceiptEnd(0), 201);
}

INSTANTIATE_TEST_SUITE_P(
    EachReason, CancellingItem,
    ::testing::Values(
        // Rate E is not defined on a new printer.
        CancellingLine{"RateNotDefined", 1, 5, 1, 599, 0},
        CancellingLine{"ValueNotQuantityTimesPrice", 1, 1, 2, 599, 1000},
        CancellingLine{"VoidBeyondTheSales", 2, 2, 1, 599, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Totals beyond a signed 32-bit amount -------------------------------------

struct TotalCase {
  const char* name;
  // Lines accepted first: rate and price, quantity 1.
  std::vector<std::pair<uint32_t, int32_t>> accepted;
  uint32_t rate;
  int32_t price;
  const char* total;  // on the paper once the receipt closes
};

void PrintTo(const TotalCase& c, std::ostream* os) { *os << c.name; }

class TotalOverflow : public ReceiptRefusals, public ::testing::WithParamInterface<TotalCase> {};

TEST_P(TotalOverflow, LineThatWouldPassTheLimitIsRefusedAndNothingSent) {
  const TotalCase& c = GetParam();
  OpenReceiptOn(3);
  for (const auto& [rate, price] : c.accepted) {
    int32_t value = 0;
    ASSERT_EQ(::pReceiptItem(1, "Zestaw mebli", rate, 0, 1, 0, "kpl", price, &value), 0);
  }
  Printer().ClearRecord();
  int32_t value = 0;
  EXPECT_EQ(::pReceiptItem(1, "Zestaw mebli", c.rate, 0, 1, 0, "kpl", c.price, &value), 215);
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(ReceiptOpen);
  ASSERT_EQ(::ReceiptEnd(0), 0);
  ASSERT_EQ(Printouts().size(), 1u);
  EXPECT_TRUE(HasRow(Printouts().back(), "SUMA PLN", c.total)) << Printouts().back();
}

INSTANTIATE_TEST_SUITE_P(
    EachTotal, TotalOverflow,
    ::testing::Values(
        TotalCase{"OneRate", {{1, kMostAmount}}, 1, 1, "21474836,47"},
        TotalCase{"TheReceipt", {{1, kMostAmount - 10}}, 2, 11, "21474836,37"},
        TotalCase{"TheReceiptOverThreeRates",
                  {{1, 1000000000}, {2, 1000000000}},
                  3,
                  147483648,
                  "20000000,00"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReceiptRefusals, TotalOfExactlyTheLimitIsSold) {
  OpenReceiptOn(3);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Zestaw mebli", 1, 0, 1, 0, "kpl", kMostAmount - 1, &value), 0);
  value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Zestaw mebli", 2, 0, 1, 0, "kpl", 1, &value), 0);
  // A voided line brings the total down and makes room again.
  value = 0;
  ASSERT_EQ(::pReceiptItem(2, "Zestaw mebli", 2, 0, 1, 0, "kpl", 1, &value), 0);
  value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Zestaw mebli", 3, 0, 1, 0, "kpl", 1, &value), 0);
  ASSERT_EQ(::ReceiptEnd(0), 0);
  EXPECT_TRUE(HasRow(Printouts().back(), "SUMA PLN", "21474836,47")) << Printouts().back();
}

// --- Payments ------------------------------------------------------------------

TEST_F(ReceiptRefusals, NegativePaymentAmountsGive215AndNeverReachThePaper) {
  OpenReceiptOn(7);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", 450, &value), 0);
  EXPECT_EQ(::pFillPayment(1, "Gotowka", -500, 0), 215);
  EXPECT_EQ(::pFillPayment(2, "Gotowka", 500, -1), 215);
  EXPECT_EQ(::FillPayment(3, "Gotowka", std::numeric_limits<int32_t>::min(), 0), 215);
  ExpectTablesEmpty();
  // A zero change is an ordinary payment.
  EXPECT_EQ(::pFillPayment(4, "Karta", 450, 0), 0);
  Printer().ClearRecord();
  ASSERT_EQ(::ReceiptEnd(0), 0);
  const Frames payments = FramesOf(Sent(), 129);
  ASSERT_EQ(payments.size(), 1u);
  EXPECT_EQ(payments[0][2], 4);
  const std::string receipt = Printouts().back();
  EXPECT_EQ(receipt.find("Gotowka"), std::string::npos) << receipt;
  for (const std::string& line : Lines(receipt)) {
    EXPECT_EQ(line.find(" -"), std::string::npos) << "a negative amount: " << line;
  }
  EXPECT_TRUE(HasRow(receipt, "Karta", "4,50")) << receipt;
}

}  // namespace
}  // namespace sigra::testing
