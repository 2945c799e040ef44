#include "emulator/fiscal_memory.h"

#include <algorithm>
#include <iterator>

namespace sigra::emu {
namespace {

template <class Keep>
std::vector<DailyReportRecord> Select(const std::vector<DailyReportRecord>& records, Keep keep) {
  std::vector<DailyReportRecord> selected;
  std::copy_if(records.begin(), records.end(), std::back_inserter(selected), keep);
  return selected;
}

}  // namespace

const DailyReportRecord& FiscalMemory::AddDailyReport(Date date, uint16_t receipts,
                                                      const std::array<uint64_t, 7>& totals) {
  const auto number = static_cast<uint16_t>(dailyReports.size() + 1);
  return dailyReports.emplace_back(DailyReportRecord{number, date, receipts, totals});
}

std::vector<DailyReportRecord> FiscalMemory::ReportsBetween(Date from, Date to) const {
  return Select(dailyReports,
                [&](const DailyReportRecord& r) { return r.date >= from && r.date <= to; });
}

std::vector<DailyReportRecord> FiscalMemory::ReportsNumbered(uint16_t from, uint16_t to) const {
  return Select(dailyReports,
                [&](const DailyReportRecord& r) { return r.number >= from && r.number <= to; });
}

}  // namespace sigra::emu
