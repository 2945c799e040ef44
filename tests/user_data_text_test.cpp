// The tax number check, the shaping of header lines and the user-data text
// file, without any window.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "app/logic/header_line.h"
#include "app/logic/nip_check.h"
#include "app/logic/user_data_file.h"

namespace sigra::app {
namespace {

TEST(NipCheckTest, WordDigitsAndCheckDigit) {
  EXPECT_EQ(NipCheck("NIP 123-456-32-18"), kNipValid);
  EXPECT_EQ(NipCheck("NIP 123-456-32-19"), kNipBadChecksum);
  EXPECT_EQ(NipCheck("123-456-32-18"), kNipNoWord);
  EXPECT_EQ(NipCheck("NIP"), kNipNoDigits);
  EXPECT_EQ(NipCheck("  nip1234563218 "), kNipValid);
  EXPECT_EQ(NipCheck("Nip: 123 456 32 18"), kNipValid);
  // The weighted sum 10 leaves 10, which stands for the check digit 0.
  EXPECT_EQ(NipCheck("NIP 020-000-00-00"), kNipValid);
  // Eleven digits with the right tenth one.
  EXPECT_EQ(NipCheck("NIP 123-456-32-18-5"), kNipBadChecksum);
  EXPECT_EQ(NipCheck("NIP 123-456-32-1"), kNipBadChecksum);
  // The letters must stand together.
  EXPECT_EQ(NipCheck("N I P 123-456-32-18"), kNipNoWord);
  EXPECT_EQ(NipCheck(""), kNipNoDigits);
}

TEST(HeaderLineTest, CentringTrimsCutsAndPutsTheShorterHalfLeft) {
  EXPECT_EQ(CentreLine("  ABC", 40), std::string(18, ' ') + "ABC" + std::string(19, ' '));
  EXPECT_EQ(CentreLine("ABCDE", 20), std::string(7, ' ') + "ABCDE" + std::string(8, ' '));
  EXPECT_EQ(CentreLine(std::string(45, 'x'), 40), std::string(40, 'x'));
  EXPECT_EQ(CentreLine("", 20), std::string(20, ' '));
  // Control characters become spaces and are trimmed with them.
  EXPECT_EQ(CentreLine("\tAB\r\n", 6), "  AB  ");
  // Windows-1250 letters are bytes above 127, not control characters.
  EXPECT_EQ(CentreLine("\xB3\xF3\xBF", 5), " \xB3\xF3\xBF ");
}

TEST(HeaderLineTest, FittingPadsOrCutsWithoutTrimming) {
  EXPECT_EQ(FitLine("  ABC", 40), "  ABC" + std::string(35, ' '));
  EXPECT_EQ(FitLine(std::string(45, 'y'), 40), std::string(40, 'y'));
  EXPECT_EQ(FitLine("A\tB", 4), "A B ");
  EXPECT_EQ(TrimLine(" \t AB C \x01"), "AB C");
}

std::array<HeaderLine, 6> Lines() {
  return {HeaderLine{"SKLEP", 40, true},  HeaderLine{"ul. \xA3\xB9kowa 1", 20, false},
          HeaderLine{"Kraków", 40, true}, HeaderLine{"NIP 123-456-32-18", 20, true},
          HeaderLine{"piąta", 20, true},  HeaderLine{"NIP 1", 40, true}};
}

TEST(UserDataFileTest, FourLineFileHasTwoFieldsAndAFullTaxNumberLine) {
  EXPECT_EQ(SaveUserDataFile(Lines(), false),
            "#1\r\n#\r\n#\r\n$SKLEP\t40\r\n$ul. \xA3\xB9kowa 1\t20\r\n$Kraków\t40\r\n"
            "$NIP 123-456-32-18\t40\r\n");
}

TEST(UserDataFileTest, SixLineFileHasTheOptionAndNoneOnTheTaxNumberLine) {
  EXPECT_EQ(SaveUserDataFile(Lines(), true),
            "#1\r\n#\r\n#\r\n$SKLEP\t40\t1\r\n$ul. \xA3\xB9kowa 1\t20\t0\r\n$Kraków\t40\t1\r\n"
            "$NIP 123-456-32-18\t20\t1\r\n$piąta\t20\t1\r\n$NIP 1\t40\t0\r\n");
}

TEST(UserDataFileTest, SavedFilesLoadBack) {
  const LoadedUserData four = LoadUserDataFile(SaveUserDataFile(Lines(), false));
  ASSERT_FALSE(four.formatError);
  EXPECT_FALSE(four.sixLine);
  ASSERT_EQ(four.lines.size(), 4u);
  EXPECT_EQ(four.lines[1].text, "ul. \xA3\xB9kowa 1");
  EXPECT_EQ(four.lines[1].width, 20);
  EXPECT_EQ(four.lines[3].width, 40);
  EXPECT_EQ(four.lines[0].highPrint, false);

  const LoadedUserData six = LoadUserDataFile(SaveUserDataFile(Lines(), true));
  ASSERT_FALSE(six.formatError);
  EXPECT_TRUE(six.sixLine);
  ASSERT_EQ(six.lines.size(), 6u);
  EXPECT_EQ(six.lines[0].highPrint, true);
  EXPECT_EQ(six.lines[4].text, "piąta");
  EXPECT_EQ(six.lines[4].highPrint, true);
  EXPECT_EQ(six.lines[5].highPrint, std::nullopt);
}

TEST(UserDataFileTest, LoadingTakesWhatTheFormatAllows) {
  // The three header lines are not looked at; LF alone ends a line too; one
  // "$" is removed.
  LoadedUserData loaded = LoadUserDataFile("#2\nx\n\n$$A\t20\nB\t40\t1\n$C\t40\t\n$D\tzz\n");
  ASSERT_FALSE(loaded.formatError);
  EXPECT_EQ(loaded.lines[0].text, "$A");
  EXPECT_EQ(loaded.lines[1].text, "B");
  EXPECT_EQ(loaded.lines[1].highPrint, true);
  EXPECT_EQ(loaded.lines[2].highPrint, false);
  // An unknown width on line 4 leaves it as it is.
  EXPECT_EQ(loaded.lines[3].width, std::nullopt);
  EXPECT_FALSE(loaded.sixLine);

  // A width of 30 on line 2: line 1 is taken over, line 2 only its text.
  loaded = LoadUserDataFile("#1\r\n#\r\n#\r\n$A\t40\r\n$B\t30\r\n$C\t40\r\n$D\t40\r\n");
  EXPECT_TRUE(loaded.formatError);
  ASSERT_EQ(loaded.lines.size(), 2u);
  EXPECT_EQ(loaded.lines[0].width, 40);
  EXPECT_EQ(loaded.lines[1].text, "B");
  EXPECT_EQ(loaded.lines[1].width, std::nullopt);
  EXPECT_EQ(loaded.lines[1].highPrint, std::nullopt);

  // Fewer than seven lines.
  EXPECT_TRUE(LoadUserDataFile("#1\r\n#\r\n#\r\n$A\t40\r\n$B\t40\r\n$C\t40\r\n").formatError);
  EXPECT_TRUE(LoadUserDataFile("").formatError);
  // A fifth line without a sixth: the sixth has no width.
  EXPECT_TRUE(
      LoadUserDataFile("#1\r\n#\r\n#\r\n$A\t40\r\n$B\t40\r\n$C\t40\r\n$D\t40\r\n$E\t20\t1\r\n")
          .formatError);
  // An empty fifth line ends a four-line file.
  loaded =
      LoadUserDataFile("#1\r\n#\r\n#\r\n$A\t40\r\n$B\t40\r\n$C\t40\r\n$D\t40\r\n\r\n$E\t20\r\n");
  EXPECT_FALSE(loaded.formatError);
  EXPECT_FALSE(loaded.sixLine);
}

// Files that are anything but what the editor writes: cut short, binary, with
// lines far too long or without tabs. Each either loads or is refused; none
// may read past what it holds (run under the sanitizers or valgrind to see).
TEST(UserDataFileTest, MalformedFilesLoadOrAreRefused) {
  std::mt19937 random(1250);
  const std::string good = SaveUserDataFile(Lines(), true);
  const auto byte = [&] { return static_cast<char>(random() % 256); };
  int loadedCount = 0;
  int refused = 0;
  for (int round = 0; round < 6000; ++round) {
    std::string file;
    switch (round % 6) {
      case 0:  // truncated anywhere
        file = good.substr(0, random() % (good.size() + 1));
        break;
      case 1:  // binary
        for (size_t n = random() % 600; n > 0; --n) file += byte();
        break;
      case 2:  // a line far too long
        file = good;
        file.insert(random() % file.size(), std::string(random() % 5000, byte()));
        break;
      case 3:  // tabs removed
        for (char c : good) {
          if (c != '\t' || random() % 2) file += c;
        }
        break;
      case 4:  // bytes changed
        file = good;
        for (int n = 0; n < 4; ++n) file[random() % file.size()] = byte();
        break;
      default:  // line ends and tabs only
        for (size_t n = random() % 40; n > 0; --n) file += "\r\n\t$"[random() % 4];
        break;
    }
    const LoadedUserData loaded = LoadUserDataFile(file);
    if (loaded.formatError) {
      ++refused;
    } else {
      ++loadedCount;
      ASSERT_TRUE(loaded.lines.size() == 4 || loaded.lines.size() == 6);
      ASSERT_EQ(loaded.sixLine, loaded.lines.size() == 6);
    }
    ASSERT_LE(loaded.lines.size(), 6u);
  }
  EXPECT_GT(loadedCount, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace sigra::app
