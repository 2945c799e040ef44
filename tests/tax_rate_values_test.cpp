// What the tax-rate commands and the settings dialog decide without a widget:
// the lines of "baza.txt", rates as percentages, and the order of the
// settings writes for a speed change.
#include <gtest/gtest.h>

#include <sstream>

#include "app/file_text.h"
#include "app/logic/names_file.h"
#include "app/dialogs/rate_values.h"
#include "app/logic/settings_block.h"
#include "protocol/connection.h"

namespace sigra::app {
namespace {

std::vector<std::pair<std::string, char>> Records(const std::string& file) {
  std::istringstream in(file);
  std::vector<std::pair<std::string, char>> records;
  NamesRecord record;
  while (ReadNamesRecord(in, record)) {
    records.emplace_back(record.name, static_cast<char>(record.rateLetter));
  }
  return records;
}

TEST(NamesFile, NameAndRateLetterOfEachLine) {
  using R = std::vector<std::pair<std::string, char>>;
  EXPECT_EQ(Records("$CHLEB\tB\r\nMLEKO\n"), (R{{"CHLEB", 'B'}, {"MLEKO", 'A'}}));
  // Only the first character of the rate field counts; further fields are ignored.
  EXPECT_EQ(Records("SER\tCx\tignored\tB\n"), (R{{"SER", 'C'}}));
  // An empty rate field is "A", one "$" only is removed, the last line may
  // lack its end.
  EXPECT_EQ(Records("MASŁO\t\tD\n$$KAWA\tG"), (R{{"MASŁO", 'A'}, {"$KAWA", 'G'}}));
  EXPECT_EQ(Records("\r\n\n"), (R{{"", 'A'}, {"", 'A'}}));
  EXPECT_TRUE(Records("").empty());
}

TEST(NamesFile, BytesPassUnchanged) {
  // "Żółw" in Windows-1250.
  const std::string name = "\xAF\xF3\xB3w";
  const auto records = Records(name + "\tB\n");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].first, name);
}

TEST(NamesFile, RecordsThePrinterWouldRefuse) {
  const uint8_t before = sigra::DeviceType;
  const auto check = [](const char* name, char rate) {
    return CheckNamesRecord({name, static_cast<uint8_t>(rate)});
  };
  // Sigra of the second generation: five significant characters.
  sigra::DeviceType = 3;
  EXPECT_EQ(check("CHLEB", 'A'), NamesRecordFault::None);
  EXPECT_EQ(check("M 3,2%", 'G'), NamesRecordFault::None);
  EXPECT_EQ(check("SER - -", 'B'), NamesRecordFault::Name);
  EXPECT_EQ(check("", 'A'), NamesRecordFault::Name);
  // The first-generation models want ten.
  sigra::DeviceType = 0;
  EXPECT_EQ(check("CHLEB RAZ", 'A'), NamesRecordFault::Name);
  EXPECT_EQ(check("CHLEB RAZOWY", 'A'), NamesRecordFault::None);
  // Only the first 28 characters count.
  EXPECT_EQ(check("                         CHLEB RAZOWY", 'A'), NamesRecordFault::Name);
  // Rate letters A to G only.
  for (char rate : {'H', 'Z', 'a', 'g', '1', ' ', '\t'}) {
    EXPECT_EQ(check("CHLEB RAZOWY", rate), NamesRecordFault::RateLetter) << rate;
  }
  sigra::DeviceType = before;
}

TEST(FileText, Utf8OnlyWhenValidAndBeyondAscii) {
  EXPECT_TRUE(ReadsAsUtf8("\xC5\xBB\xC3\xB3\xC5\x82\xC4\x87"));  // "Żółć" in UTF-8
  EXPECT_FALSE(ReadsAsUtf8("\xAF\xF3\xB3\xE6"));                 // the same in Windows-1250
  EXPECT_FALSE(ReadsAsUtf8("CHLEB\tA\r\n"));
  EXPECT_FALSE(ReadsAsUtf8(""));
  // One Windows-1250 letter anywhere makes the whole file Windows-1250.
  EXPECT_FALSE(ReadsAsUtf8("\xC5\xBB\xC3\xB3\n...\nMAS\xA3O\n"));
  // Malformed UTF-8: a cut sequence, an overlong form, a surrogate, a value
  // beyond U+10FFFF, a stray continuation byte.
  for (const char* bytes : {"ab\xC5", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "a\x80"
                            "b"}) {
    EXPECT_FALSE(ReadsAsUtf8(bytes)) << bytes;
  }
}

TEST(FileText, TextInWindows1250EitherWay) {
  const std::string cp1250 =
      "\xAF\xF3\xB3\xE6\t\x84"
      "B\x94\r\n";
  EXPECT_EQ(Cp1250FromFileText(cp1250), cp1250);
  EXPECT_EQ(Cp1250FromFileText("Żółć\t„B”\r\n"), cp1250);
  // A byte order mark goes; a character without a Windows-1250 byte is "?".
  EXPECT_EQ(Cp1250FromFileText("\xEF\xBB\xBFŻółć ✓"), "\xAF\xF3\xB3\xE6 ?");
  EXPECT_EQ(Cp1250FromFileText("MLEKO\n"), "MLEKO\n");
}

TEST(RateValues, PercentagesWithoutTrailingZeros) {
  EXPECT_EQ(PercentText(2200, ','), QStringLiteral("22"));
  EXPECT_EQ(PercentText(750, ','), QStringLiteral("7,5"));
  EXPECT_EQ(PercentText(705, '.'), QStringLiteral("7.05"));
  EXPECT_EQ(PercentText(0, ','), QStringLiteral("0"));
  EXPECT_EQ(RateLabelText(6, 10000, ','), QStringLiteral("Stawka PTU G : ZWOLNIONA"));
  EXPECT_EQ(RateLabelText(4, 25500, ','), QStringLiteral("Stawka PTU E : REZERWA"));
  EXPECT_EQ(RateLabelText(0, 2250, ','), QStringLiteral("Stawka PTU A : 22,5 %"));
}

TEST(RateValues, PercentagesBecomeRatesWithinTheBound) {
  EXPECT_EQ(RateFromPercent(99), 9900u);
  EXPECT_EQ(RateFromPercent(99.83), 9983u);
  EXPECT_EQ(RateFromPercent(0), 0u);
  EXPECT_FALSE(RateFromPercent(99.84));
  EXPECT_FALSE(RateFromPercent(-0.01));
  // Halves go to the even neighbour.
  EXPECT_EQ(RateFromPercent(0.125), 12u);
  EXPECT_EQ(RateFromPercent(0.375), 38u);
}

TEST(SettingsBlock, SpeedBits) {
  SettingsBytes block{};
  block[0] = 0x0F;
  ApplySpeed(block, 19200);
  EXPECT_EQ(block[0], 0x2F);
  EXPECT_EQ(BlockSpeed(block), 19200);
  // 28800 leaves the 19200 bit alone: byte 8 decides.
  ApplySpeed(block, 28800);
  EXPECT_EQ(block[0], 0x2F);
  EXPECT_EQ(block[8], 0x01);
  EXPECT_EQ(BlockSpeed(block), 28800);
  ApplySpeed(block, 9600);
  EXPECT_EQ(block[0], 0x0F);
  EXPECT_EQ(block[8], 0x00);
  EXPECT_EQ(BlockSpeed(block), 9600);
}

TEST(SettingsBlock, GroupTwoIsWrittenOnlyAroundTheFastestSpeed) {
  using enum SpeedStep;
  using Steps = std::vector<SpeedStep>;
  EXPECT_EQ(SpeedChangeSteps(9600, 9600), (Steps{WriteGroup0}));
  EXPECT_EQ(SpeedChangeSteps(28800, 28800), (Steps{WriteGroup0}));
  EXPECT_EQ(SpeedChangeSteps(9600, 19200), (Steps{WriteGroup0, FollowSpeed}));
  EXPECT_EQ(SpeedChangeSteps(19200, 9600), (Steps{WriteGroup0, FollowSpeed}));
  EXPECT_EQ(SpeedChangeSteps(19200, 28800), (Steps{WriteGroup2, FollowSpeed, WriteGroup0}));
  EXPECT_EQ(SpeedChangeSteps(28800, 9600),
            (Steps{WriteGroup0, WriteGroup2, FollowSpeed, WriteGroup0}));
}

}  // namespace
}  // namespace sigra::app
