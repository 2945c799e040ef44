// The parts of sigractl that need no printer: the receipt file and the words
// for the status bytes.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "sigractl/receipt_file.h"
#include "client/status_lines.h"

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

StatusBytes Bytes(std::vector<uint8_t> bytes, int count, bool hasByte8 = false) {
  StatusBytes status;
  for (size_t i = 0; i < bytes.size(); ++i) status.bytes[i] = bytes[i];
  status.count = count;
  status.hasByte8 = hasByte8;
  return status;
}

TEST(StatusLinesTest, ALostControllerHidesTheMechanismsLines) {
  // Paper out, printing, drawer open, but the controller does not answer.
  const std::vector<std::string> lines = StatusLines(Bytes({0x00, 0x80, 0x03, 0x00}, 4));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "!!!BRAK DANYCH O PRODUCENCIE!!!", "Brak danych o użytkowniku",
                       "Moduł w trybie szkoleniowym", "Wersja oprogramowania w module : 00",
                       "Brak komunikacji z kontrolerem drukarki"}));
}

TEST(StatusLinesTest, TheBatteryLineNamesTheClockOnTheSigraModels) {
  StatusBytes status = Bytes({0x03, 0x00, 0x08, 0x08}, 4);
  EXPECT_EQ(StatusLines(status)[3],
            "Za niskie napięcie baterii na pakiecie głównym, dalsza praca możliwa ale powiadom "
            "serwis");
  status.clockBattery = true;
  EXPECT_EQ(StatusLines(status)[3],
            "Za niskie napięcie baterii na pakiecie głównym (lub podtrzymującej zegar), dalsza "
            "praca możliwa ale powiadom serwis");
}

TEST(StatusLinesTest, TheLaterBytesOnlyWhereThePrinterHasThem) {
  const StatusBytes all = Bytes({0xF3, 0x01, 0x02, 0x48, 0x4D, 0x20, 0x03, 0x03}, 7, true);
  EXPECT_EQ(StatusLines(all),
            (std::vector<std::string>{
                "Wpisane dane o użytkowniku", "Moduł w trybie szkoleniowym",
                "Wersja oprogramowania w module : 15",
                "Brak wolnego miejsca w bazie kontrolnej nazw i stawek",
                "Zwora serwisowa w pozycji serwisowej", "Szuflada zamknięta lub niepodłączona",
                "BRAK ZASILANIA SIECIOWEGO (TYLKO AKUMULATOR)", "BRAK PAPIERU W DRUKARCE ORYGINAŁU",
                "BRAK PAPIERU W DRUKARCE KOPII",
                "!!!BRAK NAPIĘCIA PROGRAMOWANIA DLA PAMIĘCI FISKALNEJ!!!",
                "NIE ZOSTAŁ WYKRYTY AKUMULATOR GŁÓWNY", "NISKIE NAPIĘCIE AKUMULATORA GŁÓWNEGO",
                "W buforze wycen leków znajdują się dane", "Bufor wycen leków zapełniony"}));
  // The same bytes from a four-byte printer: only bytes 1 to 4 count, and
  // the paper line of byte 3 shows.
  const std::vector<std::string> four = StatusLines(Bytes({0xF3, 0x01, 0x02, 0x48, 0x4D}, 4));
  EXPECT_EQ(four.size(), 7U);
  EXPECT_EQ(four[4], "Brak papieru (zapalona jest LED PAPER OUT)");
}

TEST(StatusLinesTest, PresentBytesAreThoseThePrinterHas) {
  EXPECT_EQ(PresentBytes(Bytes({1, 2, 3, 4, 5, 6, 7, 8}, 4)), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(PresentBytes(Bytes({1, 2, 3, 4, 5, 6, 7, 8}, 6, true)),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 8}));
  EXPECT_EQ(PresentBytes(Bytes({1, 2, 3, 4, 5, 6, 7, 8}, 7, true)),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
}  // namespace sigractl
