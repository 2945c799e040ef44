// Texts on the wire: every text the driver sends goes in code page 852, and a
// byte Windows-1250 leaves undefined goes as '?', checked by the bytes the
// emulated printer received and by what it printed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/code_page.h"
#include "commands/names_print.h"
#include "driver_fixture.h"
#include "link/text_1250.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

const std::string kUndefined = "\x81\x83\x88\x90\x98";

TEST(CodePage, BytesWindows1250LeavesUndefinedGoAsQuestionMarks) {
  EXPECT_EQ(ToPrinterCodePage("Bad" + kUndefined), "Bad?????");
  // Their neighbours are characters of Windows-1250 and pass as before.
  EXPECT_EQ(ToPrinterCodePage(std::string("\x80\x82\x84\x89\x91\x99")),
            "\x80\x82\x84\x89\x91\x99");
  for (const char c : kUndefined) EXPECT_FALSE(IsPolishLetter(static_cast<uint8_t>(c)));
  EXPECT_TRUE(IsPolishLetter(0xEA));  // ę
}

TEST(CodePage, UndefinedBytesAreNotSignificantInANameAsPolishLettersAre) {
  EXPECT_EQ(::CharsInArticleName(kUndefined), 0);
  EXPECT_EQ(::CharsInArticleName(Cp1250FromUtf8("ĄĘŁŃŚŹŻąęłńśźż")), 14);
}

class WireText : public DriverTest {
 protected:
  void OpenReceipt() {
    StartPrinter(3);
    Printer().WithPrinter([](emu::Printer& p) {
      p.Fiscal().rates.SetBytes(
          {0x08, 0x98, 0x02, 0xBC, 0x00, 0x00, 0x40, 0x00, 0x01, 0xF4, 0x03, 0x20, 0x05, 0xDC});
    });
    Connect();
    ASSERT_EQ(::ReceiptBegin(), 0);
    Printer().ClearRecord();
  }

  // The data bytes of the first item line the printer received.
  Frame FirstItemData() {
    const Frames items = FramesOf(Sent(53), 6);
    if (items.empty()) return {};
    return Frame(items[0].begin() + 2, items[0].end());
  }
};

TEST_F(WireText, UnitOfMeasureGoesInCodePage852LikeTheName) {
  OpenReceipt();
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, Cp1250FromUtf8("Sernik wiedeński").c_str(), 1, 0, 2, 0,
                           Cp1250FromUtf8("kęs").c_str(), 350, &value),
            0);
  const Frame data = FirstItemData();
  ASSERT_EQ(data.size(), 49u);
  EXPECT_EQ(Frame(data.begin() + 35, data.begin() + 39), Bytes("k\xA9s "));
  EXPECT_EQ(Frame(data.begin() + 1, data.begin() + 17), Bytes("Sernik wiede\xE4ski"));
  ASSERT_EQ(::ReceiptEnd(0), 0);
  EXPECT_NE(Printer().Printouts().back().find("2 kęs x 3,50"), std::string::npos)
      << Printer().Printouts().back();
}

TEST_F(WireText, UndefinedBytesInANameAndAUnitGoAsQuestionMarks) {
  OpenReceipt();
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, ("Chleb Bad" + kUndefined).c_str(), 1, 0, 1, 0, "\x81\x98", 450,
                           &value),
            0);
  const Frame data = FirstItemData();
  ASSERT_EQ(data.size(), 49u);
  EXPECT_EQ(Frame(data.begin() + 1, data.begin() + 15), Bytes("Chleb Bad?????"));
  EXPECT_EQ(Frame(data.begin() + 35, data.begin() + 39), Bytes("??  "));
  ASSERT_EQ(::ReceiptEnd(0), 0);
  const std::string printout = Printer().Printouts().back();
  EXPECT_NE(printout.find("Chleb Bad?????"), std::string::npos) << printout;
  EXPECT_EQ(printout.find("ł"), std::string::npos) << printout;
  EXPECT_EQ(printout.find("ś"), std::string::npos) << printout;
}

TEST_F(WireText, NamesOfTheDatabaseControlPrintGoInCodePage852) {
  StartPrinter(3);
  Connect();
  ASSERT_EQ(BeginNamesPrint(), 0);
  ASSERT_EQ(SendNamesRecord(Cp1250FromUtf8("Chleb żytni 500g"), 'A'), 0);
  ASSERT_EQ(SendNamesRecord("Woda Bad" + kUndefined, 'B'), 0);
  ASSERT_EQ(EndNamesPrint(), 0);

  std::vector<uint8_t> expected = {27, 63, 'A'};
  const std::vector<uint8_t> first = Bytes("Chleb \xBEytni 500g" + std::string(12, ' '));
  expected.insert(expected.end(), first.begin(), first.end());
  expected.push_back('B');
  const std::vector<uint8_t> second = Bytes("Woda Bad?????" + std::string(15, ' '));
  expected.insert(expected.end(), second.begin(), second.end());
  const std::vector<uint8_t> sent = Printer().HostBytes();
  ASSERT_GE(sent.size(), expected.size());
  EXPECT_EQ(std::vector<uint8_t>(sent.begin(), sent.begin() + expected.size()), expected);
  const std::string printout = Printer().Printouts().back();
  EXPECT_NE(printout.find("Chleb żytni 500g"), std::string::npos) << printout;
  EXPECT_NE(printout.find("Woda Bad?????"), std::string::npos) << printout;
}

}  // namespace
}  // namespace sigra::testing
