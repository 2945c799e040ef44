#include "app/dialogs/report_ranges.h"

#include <QString>

namespace sigra::app {
namespace {

uint8_t Digit(QChar c) {
  return static_cast<uint8_t>(c.unicode() - u'0');
}

// The six digits of "yy-mm-dd" (characters 1, 2, 4, 5, 7 and 8) from `at`.
void PutDate(ReportDigits& digits, size_t at, QDate date) {
  const QString text = date.toString(QStringLiteral("yy-MM-dd"));
  for (const int i : {0, 1, 3, 4, 6, 7}) digits[at++] = Digit(text[i]);
}

int32_t Pair(const ReportDigits& digits, size_t at) {
  return digits[at] * 10 + digits[at + 1];
}

}  // namespace

ReportDigits DateRangeDigits(QDate from, QDate to) {
  ReportDigits digits{};
  PutDate(digits, 0, from);
  PutDate(digits, 6, to);
  return digits;
}

ReportDigits NumberRangeDigits(int from, int to) {
  ReportDigits digits{};
  digits[0] = static_cast<uint8_t>(from & 0xFF);
  digits[1] = static_cast<uint8_t>((from >> 8) & 0xFF);
  digits[2] = static_cast<uint8_t>(to & 0xFF);
  digits[3] = static_cast<uint8_t>((to >> 8) & 0xFF);
  return digits;
}

ReportDigits MonthDigits(int year, int month) {
  ReportDigits digits{};
  digits[0] = static_cast<uint8_t>(year % 100 / 10);
  digits[1] = static_cast<uint8_t>(year % 10);
  digits[2] = static_cast<uint8_t>(month / 10);
  digits[3] = static_cast<uint8_t>(month % 10);
  return digits;
}

DateRange DateRangeFromDigits(const ReportDigits& digits) {
  return {Pair(digits, 0), Pair(digits, 2), Pair(digits, 4),
          Pair(digits, 6), Pair(digits, 8), Pair(digits, 10)};
}

uint8_t InvertedKind(uint8_t kind) {
  return kind == 0 ? 1 : 0;
}

QDate PreviousMonth(QDate today) {
  const QDate first(today.year(), today.month(), 1);
  return first.addMonths(-1);
}

}  // namespace sigra::app
