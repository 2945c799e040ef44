// The date and time formats the driver starts with, and the text they give.
#include "commands/date_formats.h"

#include <gtest/gtest.h>

#include "link/text_1250.h"

namespace sigra {
namespace {

const DateTime kMoment = {.year = 2003, .month = 9, .day = 7, .hour = 14, .minute = 5, .second = 9};

TEST(DateTimeFormats, DriverStartsWithTheFourFormats) {
  EXPECT_EQ(DateTimeFormat.shortDate, "yy-MM-dd");
  EXPECT_EQ(DateTimeFormat.longDate, "dd MMMM yyyy");
  EXPECT_EQ(DateTimeFormat.shortTime, "hh:mm");
  EXPECT_EQ(DateTimeFormat.longTime, "hh:mm:ss");
}

TEST(DateTimeFormats, EachFormatGivesItsText) {
  EXPECT_EQ(FormatDateTime(DateTimeFormat.shortDate, kMoment), "03-09-07");
  EXPECT_EQ(FormatDateTime(DateTimeFormat.longDate, kMoment), Cp1250FromUtf8("07 września 2003"));
  EXPECT_EQ(FormatDateTime(DateTimeFormat.shortTime, kMoment), "14:05");
  EXPECT_EQ(FormatDateTime(DateTimeFormat.longTime, kMoment), "14:05:09");
}

TEST(DateTimeFormats, SingleLettersDropTheLeadingZero) {
  EXPECT_EQ(FormatDateTime("d.M.yy h:m:s", kMoment), "7.9.03 14:5:9");
}

TEST(DateTimeFormats, HoursRunToTwentyThree) {
  const DateTime evening = {.year = 2010, .month = 12, .day = 31, .hour = 23, .minute = 59};
  EXPECT_EQ(FormatDateTime("yyyy.MM.dd hh:mm", evening), "2010.12.31 23:59");
  EXPECT_EQ(FormatDateTime("MMMM", evening), "grudnia");
}

}  // namespace
}  // namespace sigra
