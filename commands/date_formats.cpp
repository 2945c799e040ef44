#include "commands/date_formats.h"

#include <algorithm>
#include <array>

#include "link/text_1250.h"

namespace sigra {

DateTimeFormats DateTimeFormat = {"yy-MM-dd", "dd MMMM yyyy", "hh:mm", "hh:mm:ss"};

namespace {

// The genitive, as a month name stands after the day.
constexpr std::array<const char*, 12> kMonthNames = {
    "stycznia", "lutego",   "marca",    "kwietnia",     "maja",      "czerwca",
    "lipca",    "sierpnia", "września", "października", "listopada", "grudnia"};

std::string Number(int value, size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

std::string MonthName(int month) {
  if (month < 1 || month > 12) return std::to_string(month);
  return Cp1250FromUtf8(kMonthNames[static_cast<size_t>(month - 1)]);
}

}  // namespace

std::string FormatDateTime(std::string_view pattern, const DateTime& when) {
  std::string text;
  for (size_t at = 0; at < pattern.size();) {
    const char letter = pattern[at];
    const size_t run = std::min(pattern.find_first_not_of(letter, at), pattern.size()) - at;
    const size_t width = run >= 2 ? 2 : 1;
    switch (letter) {
      case 'y':
        text += run >= 4 ? Number(when.year, 4) : Number(when.year % 100, 2);
        break;
      case 'M':
        text += run >= 3 ? MonthName(when.month) : Number(when.month, width);
        break;
      case 'd':
        text += Number(when.day, width);
        break;
      case 'h':
        text += Number(when.hour, width);
        break;
      case 'm':
        text += Number(when.minute, width);
        break;
      case 's':
        text += Number(when.second, width);
        break;
      default:
        text.append(run, letter);
    }
    at += run;
  }
  return text;
}

}  // namespace sigra
