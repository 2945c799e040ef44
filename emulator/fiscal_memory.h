// What the printer writes once and keeps for good: a record of every daily
// report, numbered from 1, which the periodic reports read back; its unique
// number; and the two dates it keeps for the operator (the euro changeover and
// the next inspection).
#ifndef SIGRA_EMULATOR_FISCAL_MEMORY_H
#define SIGRA_EMULATOR_FISCAL_MEMORY_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/printer_clock.h"

namespace sigra::emu {

struct DailyReportRecord {
  uint16_t number;
  Date date;
  uint16_t receipts;
  // Sales per rate A..G.
  std::array<uint64_t, 7> totals;
};

// A date the printer keeps for the operator, as binary year (last two
// digits), month and day; all 0 while it holds none.
struct KeptDate {
  uint8_t year = 0;
  uint8_t month = 0;
  uint8_t day = 0;
};

struct FiscalMemory {
  // Appends the next daily report.
  const DailyReportRecord& AddDailyReport(Date date, uint16_t receipts,
                                          const std::array<uint64_t, 7>& totals);
  // Daily reports made so far (the number of the last one).
  uint16_t DailyReportCount() const { return static_cast<uint16_t>(dailyReports.size()); }
  std::vector<DailyReportRecord> ReportsBetween(Date from, Date to) const;
  std::vector<DailyReportRecord> ReportsNumbered(uint16_t from, uint16_t to) const;

  std::vector<DailyReportRecord> dailyReports;
  std::string uniqueNumber = "ABC12345678";
  // Written by the fiscalisation: the rates A to G (two bytes each, most
  // significant first) and the tax-number line of the user data.
  std::vector<uint8_t> fiscalRates;
  std::string taxNumber;
  // Indexed by kind: 0 the euro changeover, 1 the next inspection.
  std::array<KeptDate, 2> keptDates{};
};

}  // namespace sigra::emu

#endif
