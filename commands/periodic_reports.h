// The periodic reports from the fiscal memory: by dates, by report numbers and
// monthly, each detailed or short. The printer searches its fiscal memory
// before it answers, so the port is reopened with a read timeout of 90 seconds
// for the report command alone and then at its usual timeouts again.
#ifndef SIGRA_COMMANDS_PERIODIC_REPORTS_H
#define SIGRA_COMMANDS_PERIODIC_REPORTS_H

#include <array>
#include <cstdint>

namespace sigra {

// Kinds of the periodic report command (49).
inline constexpr uint8_t kDetailedByDates = 0;
inline constexpr uint8_t kDetailedByNumbers = 1;
inline constexpr uint8_t kDetailedMonthly = 2;
inline constexpr uint8_t kShortByDates = 3;
inline constexpr uint8_t kShortByNumbers = 4;
inline constexpr uint8_t kShortMonthly = 5;

// The range of a periodic report: for the date kinds twelve digits (from-date
// then to-date, each year, month and day as tens then units, the year by its
// last two digits); for the monthly kinds the four digits of year and month;
// for the number kinds the two report numbers, 16 bits each, low byte first.
using ReportDigits = std::array<uint8_t, 12>;

// The report by dates on the models without command 49: `detailed` 1 prints
// the detailed report, 0 the short one; 215 for any other value and for a year
// outside 1..99, a month outside 1..12 or a day outside 1..31.
int32_t PeriodReport(int32_t detailed, int32_t yearFrom, int32_t monthFrom, int32_t dayFrom,
                     int32_t yearTo, int32_t monthTo, int32_t dayTo);
// The monthly report of `year` (last two digits) and `month`; 224 on models
// without command 49, 215 for `detailed` other than 0 and 1, and 219 to 223
// when the printer refuses the range.
int32_t MonthlyReport(int32_t detailed, int32_t year, int32_t month);
// The report from daily report `fromNumber` to `toNumber` (16 bits each);
// results as MonthlyReport.
int32_t NumberReport(int32_t detailed, int32_t fromNumber, int32_t toNumber);
// Any kind of command 49 after the checks of CheckPeriodicReportConditions;
// the caller makes sure no receipt is open.
int32_t PeriodicReport(uint8_t kind, const ReportDigits& digits);
// Whether the printer can print a periodic report now: its maker and user
// data, fiscal mode, clock memory, controller, mechanism, display and paper.
int32_t CheckPeriodicReportConditions();

}  // namespace sigra

#endif
