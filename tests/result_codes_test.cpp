#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <string>

#include "link/text_1250.h"
#include "protocol/result_codes.h"
#include "sigra/sigradrv.hpp"

namespace sigra {
namespace {

// Expected texts are written as Windows-1250 bytes, independent of the converter.
const std::string kUnknownText =
    "Nieznany b\xB3\xB9"
    "d (prawdopodobnie systemowy)";

TEST(Text1250, PolishLettersConvertBothWays) {
  const std::string utf8 = "ĄĆĘŁŃÓŚŹŻąćęłńóśźż";
  const std::string cp1250 =
      "\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF";
  EXPECT_EQ(Cp1250FromUtf8(utf8), cp1250);
  EXPECT_EQ(Utf8FromCp1250(cp1250), utf8);
}

TEST(Text1250, AsciiIsUntouched) {
  std::string ascii;
  for (int c = 0; c < 0x80; ++c) ascii += static_cast<char>(c);
  EXPECT_EQ(Cp1250FromUtf8(ascii), ascii);
  EXPECT_EQ(Utf8FromCp1250(ascii), ascii);
}

TEST(Text1250, HighBytesRoundTripExceptUndefinedOnes) {
  constexpr std::array<unsigned char, 5> kUndefined = {0x81, 0x83, 0x88, 0x90, 0x98};
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    const std::string utf8 = Utf8FromCp1250(one);
    if (std::find(kUndefined.begin(), kUndefined.end(), byte) != kUndefined.end()) {
      EXPECT_EQ(utf8, "\uFFFD") << byte;
      EXPECT_EQ(Cp1250FromUtf8(utf8), "?") << byte;
    } else {
      EXPECT_EQ(Cp1250FromUtf8(utf8), one) << byte;
    }
  }
  EXPECT_EQ(Utf8FromCp1250("\x80\xA0\xFF"), "€\u00A0˙");
}

TEST(Text1250, UnmappableAndMalformedInputBecomesQuestionMarks) {
  EXPECT_EQ(Cp1250FromUtf8("ñ日😀x"), "???x");
  EXPECT_EQ(Cp1250FromUtf8("\x80z"), "?z");               // stray continuation byte
  EXPECT_EQ(Cp1250FromUtf8("\xF0\x9F\x98"), "?");         // truncated at the end
  EXPECT_EQ(Cp1250FromUtf8("\xE2\x82x"), "?x");           // truncated, then resumes
  EXPECT_EQ(Cp1250FromUtf8("\xC0\x80"), "??");            // overlong NUL
  EXPECT_EQ(Cp1250FromUtf8("\xED\xA0\x80"), "???");       // surrogate
  EXPECT_EQ(Cp1250FromUtf8("\xF4\x90\x80\x80"), "????");  // above U+10FFFF
}

TEST(ResultText, UnlistedCodesGiveTheDefaultText) {
  EXPECT_EQ(ResultText(0), "");
  for (const int32_t code : {2, 22, 25, 26, 115, 199, 239, 998, 1000, -1, -5, INT32_MIN}) {
    EXPECT_EQ(ResultText(code), kUnknownText) << code;
  }
}

TEST(ResultText, TextsAreExactWindows1250Bytes) {
  EXPECT_EQ(ResultText(106), "Brak wy\x9Cwietlacza klienta.");
  EXPECT_EQ(ResultText(5),
            "Niemo\xBFliwe otwarcie portu. Port szeregowy jest prawdopodobnie u\xBFywany przez "
            "inn\xB9 aplikacj\xEA.");
  EXPECT_EQ(ResultText(104), "Brak danych uzytkownika.");
  EXPECT_EQ(ResultText(232),
            "B\xB3\xB9"
            "d sumy CRC w danych wysy\xB3"
            "anych do drukarki");
  EXPECT_EQ(ResultText(999), "W bibliotece wystapi\xB3 wewn\xEAtrzny wyj\xB9tek.");
  for (int32_t code = -1; code <= 1000; ++code) {
    EXPECT_EQ(ResultText(code).find('?'), std::string::npos) << code;
  }
}

TEST(ResultText, TimeoutTexts) {
  const std::string& transmit = ResultText(20);
  const std::string& receive = ResultText(21);
  EXPECT_EQ(transmit.size(), 621u);
  EXPECT_EQ(receive.size(), 615u);
  EXPECT_EQ(std::count(transmit.begin(), transmit.end(), '\r'), 12);
  EXPECT_EQ(transmit.find('\n'), std::string::npos);
  EXPECT_EQ(receive.rfind("TIMEOUT ODBIERANIA: Komputer nie potrafi odebra\xE6 ", 0), 0u);
  EXPECT_NE(transmit.find("fiskalnej \r\rMo\xBFliwe przyczyny b\xB3\xEA"
                          "du:\r\r* "),
            std::string::npos);
  EXPECT_NE(transmit.find("poczeka\xE6\r  a\xBF na wy\x9Cwietlaczu"), std::string::npos);
  EXPECT_NE(receive.find("\r* w programie wybrano inn\xB9 pr\xEA"
                         "dko\x9C\xE6 transmisji"),
            std::string::npos);
  const std::string ending =
      "\r\rPo sprawdzeniu opisanych przyczyn mo\xBFna spr\xF3"
      "bowa\xE6, czy b\xB3\xB9"
      "d zosta\xB3 usuni\xEAty.";
  EXPECT_EQ(transmit.substr(transmit.size() - ending.size()), ending);
  EXPECT_EQ(receive.substr(receive.size() - ending.size()), ending);
}

TEST(ErrMessageExport, ReplacesTheCallersText) {
  std::string text = "old contents";
  EXPECT_EQ(ErrMessage(106, text), 0);
  EXPECT_EQ(text, ResultText(106));
  EXPECT_EQ(ErrMessage(0, text), 0);
  EXPECT_EQ(text, "");
}

TEST(ErrMessageExport, BufferGetsTextAndTerminatorOnly) {
  for (const auto& [code, length] : {std::pair{20, 621u}, std::pair{21, 615u}, std::pair{0, 0u}}) {
    std::array<char, 700> buffer;
    buffer.fill('#');
    EXPECT_EQ(pErrMessage(code, buffer.data()), 0);
    EXPECT_EQ(std::strlen(buffer.data()), length);
    EXPECT_EQ(std::string(buffer.data(), length), ResultText(code));
    EXPECT_TRUE(std::all_of(buffer.begin() + length + 1, buffer.end(), [](char c) {
      return c == '#';
    })) << code;
  }
  EXPECT_EQ(pErrMessage(20, nullptr), 225);
}

}  // namespace
}  // namespace sigra
