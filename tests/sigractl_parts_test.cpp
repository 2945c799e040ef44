// The parts of sigractl that need no printer: the receipt file.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "sigractl/receipt_file.h"

namespace sigractl {
namespace {

TEST(ReceiptFileTest, QuotesDecimalsVoidsAndWindowsLineEnds) {
  const auto parsed = ParseReceipt(
      "item \"Ser \\\"Gouda\\\" \\\\ plaster\" C 0,125 kg 39.90\r\n"
      "\tvoid  Woda  A  6  szt  1,5   # six bottles back\r\n"
      "payment 2 \"Karta płatnicza\" 5.00 0\r\n"
      "line 15 \"\"\r\n");
  ASSERT_TRUE(std::holds_alternative<ParseError>(parsed));
  EXPECT_EQ(std::get<ParseError>(parsed).message,
            "line 3: payment name \"Karta płatnicza\" is longer than 13 characters");

  const auto receipt = std::get<ReceiptFile>(
      ParseReceipt("item \"Ser \\\"Gouda\\\" \\\\ plaster\" C 0,125 kg 39.90\r\n"
                   "\tvoid  Woda  A  6  szt  1,5   # six bottles back\r\n"
                   "payment 2 \"Karta\" 5.00 0\r\n"
                   "line 15 \"\"\r\n"));
  ASSERT_EQ(receipt.items.size(), 2U);
  const ReceiptLine& cheese = receipt.items[0];
  EXPECT_EQ(cheese.name, "Ser \"Gouda\" \\ plaster");
  EXPECT_EQ(cheese.rate, 3U);
  EXPECT_EQ(cheese.quantity, 125);
  EXPECT_EQ(cheese.decimals, 3);
  EXPECT_EQ(cheese.price, 3990);
  EXPECT_EQ(cheese.value, 499);  // 4.9875 rounded half up
  EXPECT_TRUE(receipt.items[1].voided);
  EXPECT_EQ(receipt.items[1].price, 150);
  ASSERT_EQ(receipt.payments.size(), 1U);
  EXPECT_EQ(receipt.payments[0].number, 2);
  EXPECT_EQ(receipt.payments[0].paid, 500);
  ASSERT_EQ(receipt.lines.size(), 1U);
  EXPECT_EQ(receipt.lines[0].type, 15);
  EXPECT_EQ(receipt.lines[0].text, "");
  EXPECT_EQ(receipt.discount, 0U);
}

TEST(ReceiptFileTest, TextsTravelInWindows1250) {
  const auto receipt = std::get<ReceiptFile>(ParseReceipt("item Żółw A 1 szt 1\n"));
  EXPECT_EQ(receipt.items[0].name, "\xAF\xF3\xB3w");
}

TEST(ReceiptFileTest, EachKindOfEntryHasItsLimits) {
  const auto error = [](const std::string& text) {
    const auto parsed = ParseReceipt(text);
    return std::holds_alternative<ParseError>(parsed) ? std::get<ParseError>(parsed).message : "";
  };
  EXPECT_EQ(error("item x A 1 szt 1\npayment 1 a 1 0\npayment 1 b 1 0\n"),
            "line 3: payment 1 is given twice");
  std::string sevenLines = "item x A 1 szt 1\n";
  for (int i = 0; i < 7; ++i) sevenLines += "line 0 tekst\n";
  EXPECT_EQ(error(sevenLines), "line 8: more than six lines after the receipt");
  EXPECT_EQ(error("item x A 1 kilo 1\n"), "");
  EXPECT_EQ(error("item x A 1 kilog 1\n"), "line 1: unit \"kilog\" is longer than 4 characters");
  EXPECT_EQ(error("item x A 1 szt -1\n"),
            "line 1: price \"-1\" is not an amount in zloty with at most two decimal places "
            "that fits 21474836.47");
  EXPECT_EQ(error("item x A 0 szt 1\n"),
            "line 1: quantity \"0\" is not a number above 0 with at most four decimal places "
            "that fits");
  EXPECT_EQ(error("item x A 1 szt 1\ndiscount 5 6\n"),
            "line 2: discount needs a PERCENT of 0 to 99");
  EXPECT_EQ(error("item \"x\"y A 1 szt 1\n"), "line 1: a quoted text must be followed by a space");
}

TEST(ReceiptFileTest, AmountsInZloty) {
  int32_t grosze = 0;
  EXPECT_TRUE(ParseAmount("4,5", grosze));
  EXPECT_EQ(grosze, 450);
  EXPECT_TRUE(ParseAmount("21474836.47", grosze));
  EXPECT_EQ(grosze, 2147483647);
  EXPECT_FALSE(ParseAmount("21474836.48", grosze));
  EXPECT_FALSE(ParseAmount("1.2.3", grosze));
  EXPECT_FALSE(ParseAmount(".", grosze));
  EXPECT_FALSE(ParseAmount("", grosze));
}

}  // namespace
}  // namespace sigractl
