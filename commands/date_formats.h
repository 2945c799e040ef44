// The formats in which dates and times become text, process-wide and set when
// the driver starts: short date "yy-MM-dd", long date "dd MMMM yyyy", short
// time "hh:mm", long time "hh:mm:ss". The operator application's date pickers
// and time fields show them.
//
// Pattern letters: yy (two-digit year), yyyy (four-digit year), M and MM
// (month number, MM with a leading zero), MMMM (Polish month name as it
// follows a day: "stycznia"), d and dd (day), h and hh (hour 0 to 23), m and
// mm (minute), s and ss (second). Every other character is copied.
#ifndef SIGRA_COMMANDS_DATE_FORMATS_H
#define SIGRA_COMMANDS_DATE_FORMATS_H

#include <string>
#include <string_view>

namespace sigra {

struct DateTimeFormats {
  std::string shortDate;
  std::string longDate;
  std::string shortTime;
  std::string longTime;
};

extern DateTimeFormats DateTimeFormat;

struct DateTime {
  int year = 2000;
  int month = 1;  // 1 to 12
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// `when` after `pattern`, in Windows-1250. A month outside 1 to 12 has no name:
// MMMM gives its number then.
std::string FormatDateTime(std::string_view pattern, const DateTime& when);

}  // namespace sigra

#endif
