#include "emulator/printer_clock.h"

#include <cstdio>

namespace sigra::emu {
namespace {

using namespace std::chrono;

constexpr int kCentury = 2000;

TimePoint HostNow() {
  return floor<seconds>(system_clock::now());
}

// The two-digit number at `at`; none unless both bytes are digits.
std::optional<unsigned> Pair(const std::vector<uint8_t>& digits, size_t at) {
  if (digits.size() < at + 2 || digits[at] > 9 || digits[at + 1] > 9) return std::nullopt;
  return digits[at] * 10U + digits[at + 1];
}

void PutPair(std::vector<uint8_t>& digits, unsigned value) {
  digits.push_back(static_cast<uint8_t>(value / 10 % 10));
  digits.push_back(static_cast<uint8_t>(value % 10));
}

}  // namespace

std::optional<Date> DateFromDigits(const std::vector<uint8_t>& digits, size_t at) {
  const std::optional<unsigned> y = Pair(digits, at);
  const std::optional<unsigned> m = Pair(digits, at + 2);
  const std::optional<unsigned> d = Pair(digits, at + 4);
  if (!y || !m || !d) return std::nullopt;
  const Date date{year(kCentury + static_cast<int>(*y)), month(*m), day(*d)};
  if (!date.ok()) return std::nullopt;
  return date;
}

std::optional<TimePoint> MomentFromDigits(const std::vector<uint8_t>& digits, bool withSeconds) {
  const std::optional<Date> date = DateFromDigits(digits, 0);
  const std::optional<unsigned> h = Pair(digits, 6);
  const std::optional<unsigned> m = Pair(digits, 8);
  const std::optional<unsigned> s = withSeconds ? Pair(digits, 10) : 0U;
  if (!date || !h || !m || !s || *h > 23 || *m > 59 || *s > 59) return std::nullopt;
  return sys_days(*date) + hours(*h) + minutes(*m) + seconds(*s);
}

std::string DateText(Date date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d.%02u.%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

PrinterClock::PrinterClock()
    : now_(sys_days(year(2024) / May / 17) + hours(14) + minutes(5) + seconds(9)) {}

TimePoint PrinterClock::Now() const {
  return hostOffset_ ? HostNow() + *hostOffset_ : now_;
}

void PrinterClock::Set(TimePoint now) {
  if (hostOffset_) {
    hostOffset_ = now - HostNow();
  } else {
    now_ = now;
  }
}

void PrinterClock::Advance(std::chrono::seconds by) {
  Set(Now() + by);
}

void PrinterClock::FollowHost() {
  hostOffset_ = seconds(0);
}

Date PrinterClock::Today() const {
  return Date(floor<days>(Now()));
}

std::vector<uint8_t> PrinterClock::Digits(bool withSeconds) const {
  const TimePoint now = Now();
  const Date date(floor<days>(now));
  const hh_mm_ss time(now - floor<days>(now));
  std::vector<uint8_t> digits;
  PutPair(digits, static_cast<unsigned>(static_cast<int>(date.year()) % 100));
  PutPair(digits, static_cast<unsigned>(date.month()));
  PutPair(digits, static_cast<unsigned>(date.day()));
  PutPair(digits, static_cast<unsigned>(time.hours().count()));
  PutPair(digits, static_cast<unsigned>(time.minutes().count()));
  if (withSeconds) PutPair(digits, static_cast<unsigned>(time.seconds().count()));
  return digits;
}

std::string PrinterClock::Text() const {
  const TimePoint now = Now();
  const hh_mm_ss time(now - floor<days>(now));
  char clock[8];
  std::snprintf(clock, sizeof clock, "%02d:%02d", static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()));
  return DateText(Date(floor<days>(now))) + " " + clock;
}

void PrinterClock::Shift(std::chrono::minutes by) {
  Advance(by);
  lastShiftDay_ = Today();
}

}  // namespace sigra::emu
