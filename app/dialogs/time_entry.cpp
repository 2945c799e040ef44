#include "app/dialogs/time_entry.h"

namespace sigra::app {
namespace {

constexpr int kFirstHourDigit = 0;
constexpr int kSecondHourDigit = 1;
constexpr int kColon = 2;
constexpr int kFirstMinuteDigit = 3;

bool InRange(QChar key, char first, char last) {
  return key >= QChar(first) && key <= QChar(last);
}

// A number of two digit characters only; none for blanks, signs or spaces.
std::optional<int> TwoDigits(const QString& text, int at) {
  if (text.size() < at + 2) return std::nullopt;
  const QChar tens = text[at];
  const QChar units = text[at + 1];
  if (!InRange(tens, '0', '9') || !InRange(units, '0', '9')) return std::nullopt;
  return (tens.unicode() - u'0') * 10 + (units.unicode() - u'0');
}

}  // namespace

TimeKeyVerdict FilterTimeKey(const QString& shown, int position, QChar key) {
  TimeKeyVerdict verdict;
  // The caret on the colon types into the first minute digit.
  if (position == kColon) position = kFirstMinuteDigit;
  switch (position) {
    case kFirstHourDigit:
      verdict.accept = InRange(key, '0', '2');
      verdict.blankSecondHourDigit =
          key == QChar('2') && shown.size() > kSecondHourDigit && InRange(shown[1], '4', '9');
      break;
    case kSecondHourDigit:
      if (!shown.isEmpty() && shown[0] == QChar('2')) verdict.accept = InRange(key, '0', '3');
      break;
    case kFirstMinuteDigit:
      verdict.accept = InRange(key, '0', '5');
      break;
    default:
      break;
  }
  return verdict;
}

std::optional<ClockTime> ParseTime(const QString& text) {
  const std::optional<int> hour = TwoDigits(text, 0);
  const std::optional<int> minute = TwoDigits(text, 3);
  if (!hour || !minute || *hour > 23 || *minute > 59) return std::nullopt;
  return ClockTime{*hour, *minute};
}

int MinutesBetween(ClockTime from, ClockTime to) {
  return (to.hour * 60 + to.minute) - (from.hour * 60 + from.minute);
}

}  // namespace sigra::app
