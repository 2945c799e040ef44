// A receipt whose closing is cut by a power loss: what the driver returns at
// each point of the closing, what the printer keeps, and the recovery a
// point-of-sale program runs to learn whether the receipt was fiscalised
// without ever selling it twice.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "driver_fixture.h"
#include "emulator/control_channel.h"
#include "protocol/receipt_state.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

using namespace std::chrono;
using emu::PowerCut;

constexpr int32_t kNoFault = 0;

struct Sale {
  int32_t endResult = -1;
  // Whether the printer fiscalised the receipt, as the recovery concluded;
  // empty when the printer could not be reached again.
  std::optional<bool> fiscalised;
  int32_t counter = 0;
};

class RecoveryTest : public DriverTest {
 protected:
  // The recovery of the C example: the receipt counter before the receipt,
  // and after a failed closing a new connection and the counter again.
  Sale SellWithRecovery(int32_t amount) {
    Sale sale;
    int32_t before = 0;
    if (::ReceiptNumber(&before) != 0) return sale;
    int32_t result = ::ReceiptBegin();
    int32_t value = 0;
    if (result == 0)
      result = ::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", amount, &value);
    if (result == 0) result = ::ReceiptEnd(0);
    sale.endResult = result;
    if (result == 0) {
      sale.fiscalised = true;
      sale.counter = before + 1;
      return sale;
    }
    const auto deadline = steady_clock::now() + seconds(20);
    while (::CommunicationInit(1, 9600, 1) != 0) {
      if (steady_clock::now() > deadline) return sale;
      std::this_thread::sleep_for(milliseconds(100));
    }
    if (::ReceiptNumber(&sale.counter) != 0) return sale;
    sale.fiscalised = sale.counter == before + 1;
    return sale;
  }

  void Cut(PowerCut point, std::optional<milliseconds> downtime) {
    Printer().WithPrinter([&](emu::Printer& p) { p.ArmPowerCut(point, downtime); });
  }

  uint16_t Counter() {
    uint16_t counter = 0;
    Printer().WithPrinter([&](emu::Printer& p) { counter = p.Fiscal().receiptCounter; });
    return counter;
  }

  // The totals of the fiscal receipts on paper, cancelled ones left out.
  std::multiset<std::string> FiscalReceiptTotals() {
    std::multiset<std::string> totals;
    for (const std::string& printout : Printer().Printouts()) {
      if (printout.find("PARAGON ANULOWANY") != std::string::npos) continue;
      for (const std::string& line : Lines(printout)) {
        if (line.rfind("SUMA PLN", 0) == 0) totals.insert(line.substr(line.rfind(' ') + 1));
      }
    }
    return totals;
  }

  void Start() {
    StartPrinter(3);
    Connect();
  }
};

// --- What the printer does when its power goes -----------------------------

TEST_F(RecoveryTest, PowerLostBeforeTheEndCancelsTheReceiptOnPowerUp) {
  Start();
  Cut(PowerCut::BeforeReceiptEnd, std::nullopt);
  ASSERT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", 450, &value), 0);
  EXPECT_EQ(::ReceiptEnd(0), 21);
  EXPECT_TRUE(Printer().Printouts().empty());
  Printer().WithPrinter([](emu::Printer& p) { p.SwitchOn(); });
  EXPECT_EQ(Counter(), 0);
  EXPECT_EQ(Printer().StatusByte(3) & 0x10, 0x10);
  const std::vector<std::string> printouts = Printer().Printouts();
  ASSERT_EQ(printouts.size(), 1U);
  EXPECT_NE(printouts[0].find("PARAGON ANULOWANY"), std::string::npos) << printouts[0];
  // The next receipt clears the cancellation.
  ASSERT_EQ(::CommunicationInit(1, 9600, 1), 0);
  ASSERT_EQ(::ReceiptBegin(), 0);
  EXPECT_EQ(Printer().StatusByte(3) & 0x10, 0);
}

TEST_F(RecoveryTest, PowerLostMidReceiptMakesTheEndReport210) {
  Start();
  emu::ControlChannel channel(Printer());
  ASSERT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", 450, &value), 0);
  EXPECT_EQ(channel.Execute("power off"), "ok");
  EXPECT_EQ(channel.Execute("power on"), "ok");
  EXPECT_EQ(::ReceiptEnd(0), 210);
  EXPECT_FALSE(ReceiptOpen);
  EXPECT_EQ(Counter(), 0);
}

TEST_F(RecoveryTest, ThePrinterComesBackByItselfAfterItsTimeOff) {
  Start();
  emu::ControlChannel channel(Printer());
  EXPECT_EQ(channel.Execute("cut after-ack 300"), "ok");
  ASSERT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", 450, &value), 0);
  EXPECT_EQ(::ReceiptEnd(0), 21);
  ASSERT_EQ(::CommunicationInit(1, 9600, 1), 0);
  int32_t counter = 0;
  EXPECT_EQ(::ReceiptNumber(&counter), 0);
  EXPECT_EQ(counter, 1);
  // The interrupted printout was finished once the printer was back.
  EXPECT_FALSE(Printer().Printing());
  EXPECT_EQ(FiscalReceiptTotals(), std::multiset<std::string>{"4,50"});
}

TEST_F(RecoveryTest, ACutNeedsAKnownPointAndAPlainTime) {
  Start();
  emu::ControlChannel channel(Printer());
  EXPECT_EQ(channel.Execute("cut sometime"),
            "error: cut at before-end, after-ack or printing, not \"sometime\"");
  EXPECT_EQ(channel.Execute("cut printing -5"), "error: the time off is milliseconds, not \"-5\"");
  EXPECT_EQ(channel.Execute("cut printing 5s"), "error: the time off is milliseconds, not \"5s\"");
  EXPECT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", 450, &value), 0);
  EXPECT_EQ(::ReceiptEnd(0), 0);
}

// --- The driver's own paths ----------------------------------------------------

TEST_F(RecoveryTest, ARefusedEndOfAReceiptThePrinterCancelledGives210) {
  for (const bool withLine : {false, true}) {
    Start();
    Printer().Define(36, {.answer = [](emu::Printer& p) {
                       p.CancelReceipt("refused");
                       return emu::Bytes{0x15};
                     }});
    ASSERT_EQ(::ReceiptBegin(), 0);
    int32_t value = 0;
    if (withLine) {
      ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", 450, &value), 0);
    }
    EXPECT_EQ(::ReceiptEnd(0), 210) << (withLine ? "with a line" : "without lines");
    EXPECT_FALSE(ReceiptOpen);
  }
}

TEST_F(RecoveryTest, AConnectionAfterAClosingTheLineCutLeavesNoReceiptOpen) {
  Start();
  ASSERT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", 450, &value), 0);
  Printer().AnswerWith(36, {});
  EXPECT_EQ(::ReceiptEnd(0), 21);
  EXPECT_TRUE(ReceiptOpen);
  Printer().ClearFaults();
  ASSERT_EQ(::CommunicationInit(1, 9600, 1), 0);
  EXPECT_FALSE(ReceiptOpen);
  int32_t counter = -1;
  EXPECT_EQ(::ReceiptNumber(&counter), 0);
  EXPECT_EQ(counter, 0);
  ASSERT_EQ(Printer().Printouts().size(), 1U);
  EXPECT_NE(Printer().Printouts()[0].find("PARAGON ANULOWANY"), std::string::npos);
  EXPECT_EQ(::ReceiptBegin(), 0);
}

// --- The driver's answer at each point, and the recovery's conclusion -------

struct PointCase {
  PowerCut point;
  bool fiscalised;
};

class RecoveryAtPoint : public RecoveryTest, public ::testing::WithParamInterface<PointCase> {};

TEST_P(RecoveryAtPoint, TheRecoveryConcludesWhatThePrinterDid) {
  Start();
  Cut(GetParam().point, milliseconds(200));
  const Sale sale = SellWithRecovery(1234);
  EXPECT_EQ(sale.endResult, 21);
  ASSERT_TRUE(sale.fiscalised.has_value());
  EXPECT_EQ(*sale.fiscalised, GetParam().fiscalised);
  EXPECT_EQ(Counter(), GetParam().fiscalised ? 1 : 0);
  EXPECT_EQ(FiscalReceiptTotals().size(), GetParam().fiscalised ? 1U : 0U);
  // The next sale goes through and is the only other receipt.
  const Sale next = SellWithRecovery(99);
  EXPECT_EQ(next.endResult, 0);
  EXPECT_EQ(Counter(), GetParam().fiscalised ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(Points, RecoveryAtPoint,
                         ::testing::Values(PointCase{PowerCut::BeforeReceiptEnd, false},
                                           PointCase{PowerCut::AfterReceiptEndAck, true},
                                           PointCase{PowerCut::WhilePrinting, true}));

// --- The till that follows the recovery never sells a receipt twice ---------

TEST_F(RecoveryTest, TwoHundredSalesWithRandomCutsLeaveOneReceiptPerFiscalisedSale) {
  Start();
  std::mt19937 random(17);
  std::uniform_int_distribution<int> pick(0, 3);
  std::multiset<std::string> expected;
  int fiscalised = 0;
  uint64_t fiscalisedSum = 0;
  for (int i = 0; i < 200; ++i) {
    const int point = pick(random);
    if (point != kNoFault) Cut(static_cast<PowerCut>(point - 1), milliseconds(100));
    const int32_t amount = 100 + i;
    const Sale sale = SellWithRecovery(amount);
    ASSERT_TRUE(sale.fiscalised.has_value()) << "sale " << i;
    EXPECT_EQ(sale.endResult == 0, point == kNoFault) << "sale " << i;
    EXPECT_EQ(*sale.fiscalised, point != 1) << "sale " << i << " cut at " << point;
    if (*sale.fiscalised) {
      ++fiscalised;
      fiscalisedSum += static_cast<uint64_t>(amount);
      expected.insert(std::to_string(amount / 100) + "," + std::to_string(amount % 100 / 10) +
                      std::to_string(amount % 10));
    }
  }
  EXPECT_EQ(Counter(), fiscalised);
  EXPECT_EQ(FiscalReceiptTotals(), expected);
  uint64_t dayTotal = 0;
  Printer().WithPrinter([&](emu::Printer& p) {
    for (uint64_t total : p.Fiscal().dayTotals) dayTotal += total;
  });
  EXPECT_EQ(dayTotal, fiscalisedSum);
}

}  // namespace
}  // namespace sigra::testing
