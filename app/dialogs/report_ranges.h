// The ranges the periodic report dialogs hand to the driver: digit values 0
// to 9 (not characters) for dates and months, 16-bit little-endian numbers for
// daily report numbers.
#ifndef SIGRA_APP_DIALOGS_REPORT_RANGES_H
#define SIGRA_APP_DIALOGS_REPORT_RANGES_H

#include <QDate>
#include <cstdint>

#include "commands/periodic_reports.h"

namespace sigra::app {

// From-date then to-date, each as year (last two digits), month and day, tens
// then units.
ReportDigits DateRangeDigits(QDate from, QDate to);
// From-number low and high byte, then to-number low and high byte.
ReportDigits NumberRangeDigits(int from, int to);
// Year (modulo 100) tens and units, month tens and units.
ReportDigits MonthDigits(int year, int month);

// The two-digit year, month and day of each date in a by-dates range.
struct DateRange {
  int32_t yearFrom, monthFrom, dayFrom, yearTo, monthTo, dayTo;
};
DateRange DateRangeFromDigits(const ReportDigits& digits);

// The older models know a detailed report by its flag 1 where the others have
// kind 0: kind 0 becomes 1, every other kind 0.
uint8_t InvertedKind(uint8_t kind);

// The calendar month before the one of `today`; in January, December of the
// year before.
QDate PreviousMonth(QDate today);

}  // namespace sigra::app

#endif
