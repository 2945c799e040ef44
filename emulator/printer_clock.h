// The printer's real-time clock. It stands still unless a command or a test
// moves it, so that a host reads the same time on every run; or, once told to
// follow the host's clock, it runs with it at an offset that setting or
// shifting the clock changes, as a printer left running does. The printer keeps
// the time in a battery-backed (CMOS) memory; while that memory is erased the
// clock has no time and waits to be initialised.
#ifndef SIGRA_EMULATOR_PRINTER_CLOCK_H
#define SIGRA_EMULATOR_PRINTER_CLOCK_H

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sigra::emu {

using TimePoint = std::chrono::sys_seconds;
using Date = std::chrono::year_month_day;

// A moment from the digit bytes of the clock commands: year (last two digits,
// from 2000), month, day, hour, minute and, when `withSeconds`, second, each
// as tens then units. None when a byte is not a digit or the moment does not
// exist.
std::optional<TimePoint> MomentFromDigits(const std::vector<uint8_t>& digits, bool withSeconds);
// A date from six digit bytes starting at `at`; none as above.
std::optional<Date> DateFromDigits(const std::vector<uint8_t>& digits, size_t at);
// "2024.05.17"
std::string DateText(Date date);

class PrinterClock {
 public:
  // 17 May 2024, 14:05:09.
  PrinterClock();

  TimePoint Now() const;
  Date Today() const;
  void Set(TimePoint now);
  void Advance(std::chrono::seconds by);

  // From now on shows the host's time and runs with it.
  void FollowHost();
  bool FollowsHost() const { return hostOffset_.has_value(); }
  // The printer's time less the host's while the clock follows the host.
  std::optional<std::chrono::seconds> HostOffset() const { return hostOffset_; }
  // The day of the last shift, kept across restarts of a printer left
  // running; none before the first.
  std::optional<Date> LastShiftDay() const { return lastShiftDay_; }
  void SetLastShiftDay(std::optional<Date> day) { lastShiftDay_ = day; }

  // The clock as the clock commands answer it: ten digit bytes, twelve with
  // the seconds.
  std::vector<uint8_t> Digits(bool withSeconds) const;
  // "2024.05.17 14:05"
  std::string Text() const;

  // Whether the clock was already shifted on the day it shows: the printer
  // shifts it once a day at most.
  bool ShiftedToday() const { return lastShiftDay_ == Today(); }
  void Shift(std::chrono::minutes by);

 private:
  // The fixed time; unused while the clock follows the host.
  TimePoint now_;
  // The printer's time less the host's, while the clock follows the host.
  std::optional<std::chrono::seconds> hostOffset_;
  std::optional<Date> lastShiftDay_;
};

}  // namespace sigra::emu

#endif
