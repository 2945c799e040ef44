// A whole sale on each family of printers, from the connection to the receipt
// on the emulator's paper.
#include <gtest/gtest.h>

#include <string>

#include "driver_fixture.h"
#include "link/text_1250.h"
#include "protocol/receipt_state.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

class ReceiptJourney : public DriverTest {
 protected:
  // Sells on rates A, B and C (22 %, 7 %, 0 %), voids one line, fills two
  // payments and a line after the receipt, and closes with 10 % off. The
  // rates' totals are 1998 + 1005 + 250 = 3253; after the discount
  // 1798 + 904 + 225 = 2927.
  void SellAndClose() {
    ASSERT_EQ(::ReceiptBegin(), 0);
    int32_t value = 0;
    ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 2, 0, "szt", 999, &value), 0);
    EXPECT_EQ(value, 1998);
    value = 0;
    ASSERT_EQ(::pReceiptItem(1, "Mleko 3,2% 1l", 2, 0, 1500, 3, "l", 670, &value), 0);
    EXPECT_EQ(value, 1005);
    value = 0;
    ASSERT_EQ(::pReceiptItem(1, "Ksiazka kucharska", 3, 0, 1, 0, "szt", 250, &value), 0);
    value = 0;
    ASSERT_EQ(::ReceiptItem(1, Cp1250FromUtf8("Jabłka lobo 1kg"), 3, 0, 1, 0, "kg", 420, &value),
              0);
    value = 420;
    ASSERT_EQ(::ReceiptItem(2, Cp1250FromUtf8("Jabłka lobo 1kg"), 3, 0, 1, 0, "kg", 420, &value),
              0);
    EXPECT_EQ(RateTotals[0], 1998);
    EXPECT_EQ(RateTotals[1], 1005);
    EXPECT_EQ(RateTotals[2], 250);
    ASSERT_EQ(::pFillPayment(1, "Karta", 2000, 0), 0);
    ASSERT_EQ(::pFillPayment(2, Cp1250FromUtf8("Gotówka").c_str(), 1000, 73), 0);
    int32_t freeLines = 0;
    ASSERT_EQ(::pFillLines(0, "Dziekujemy za zakupy", &freeLines), 0);
    ASSERT_EQ(::ReceiptEnd(10), 0);
    EXPECT_FALSE(ReceiptOpen);
  }

  // The one receipt on the paper, after the opening's printouts.
  std::string TheReceipt() {
    const std::vector<std::string> printouts = Printer().Printouts();
    EXPECT_EQ(printouts.size(), 1u);
    return printouts.empty() ? std::string() : printouts.back();
  }

  void ExpectFiscalPart(const std::string& receipt) {
    EXPECT_NE(receipt.find("PARAGON FISKALNY"), std::string::npos) << receipt;
    EXPECT_NE(receipt.find("Chleb razowy 500g"), std::string::npos) << receipt;
    EXPECT_NE(receipt.find("STORNO Jabłka lobo 1kg"), std::string::npos) << receipt;
    EXPECT_TRUE(HasRow(receipt, "  1,500 l x 6,70", "10,05 B")) << receipt;
    EXPECT_TRUE(HasRow(receipt, "RABAT 10%", "-3,26")) << receipt;
    EXPECT_TRUE(HasRow(receipt, "SPRZED. OPODAT. A", "17,98")) << receipt;
    EXPECT_TRUE(HasRow(receipt, "SPRZED. OPODAT. B", "9,04")) << receipt;
    EXPECT_TRUE(HasRow(receipt, "SPRZED. OPODAT. C", "2,25")) << receipt;
    EXPECT_TRUE(HasRow(receipt, "SUMA PLN", "29,27")) << receipt;
    EXPECT_NE(receipt.find("Dziekujemy za zakupy"), std::string::npos) << receipt;
    EXPECT_NE(receipt.find("PARAGON NR 1"), std::string::npos) << receipt;
  }
};

TEST_F(ReceiptJourney, Tx350PrintsTheReceiptWithoutPaymentEntries) {
  StartPrinter(1);
  Connect();
  SellAndClose();
  const std::string receipt = TheReceipt();
  ExpectFiscalPart(receipt);
  // This model takes no payment entries; they stay filled for the caller.
  EXPECT_EQ(receipt.find("Karta"), std::string::npos) << receipt;
  EXPECT_EQ(PaymentTable[0].name, "Karta        ");
  EXPECT_TRUE(FramesOf(Sent(), 129).empty());
}

TEST_F(ReceiptJourney, SigraPrintsTheReceiptWithBothPayments) {
  StartPrinter(3);
  Connect();
  SellAndClose();
  const std::string receipt = TheReceipt();
  ExpectFiscalPart(receipt);
  EXPECT_TRUE(HasRow(receipt, "Karta", "20,00")) << receipt;
  EXPECT_TRUE(HasRow(receipt, "Gotówka", "10,00")) << receipt;
  EXPECT_TRUE(HasRow(receipt, "RESZTA", "0,73")) << receipt;
  std::string total;
  EXPECT_EQ(::ReadTotal(total), 0);
  EXPECT_EQ(total, "2927");
}

TEST_F(ReceiptJourney, LunoPrintsTheReceiptWithBothPayments) {
  StartPrinter(7);
  Connect();
  ASSERT_EQ(::ReceiptConditions(), 0);
  SellAndClose();
  const std::string receipt = TheReceipt();
  ExpectFiscalPart(receipt);
  EXPECT_TRUE(HasRow(receipt, "Karta", "20,00")) << receipt;
  EXPECT_TRUE(HasRow(receipt, "Gotówka", "10,00")) << receipt;
  char total[14] = {};
  EXPECT_EQ(::pReadSelTotal("B", total), 0);
  EXPECT_STREQ(total, "904");
}

// The printer is switched off and on in the middle of a receipt; the
// point-of-sale program connects again and sells the whole receipt anew.
TEST_F(ReceiptJourney, ReconnectAfterThePrinterRestartedInAReceiptSellsAFreshOne) {
  StartPrinter(3);
  Connect();
  ASSERT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 2, 0, "szt", 999, &value), 0);
  ASSERT_EQ(::CommunicationEnd(), 0);

  StartPrinter(3);
  Connect();
  EXPECT_FALSE(ReceiptOpen);
  EXPECT_EQ(ReceiptItemCount, 0);
  EXPECT_EQ(RateTotals[0], 0);
  SellAndClose();
  ExpectFiscalPart(TheReceipt());
}

}  // namespace
}  // namespace sigra::testing
