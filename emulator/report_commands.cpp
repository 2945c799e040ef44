#include <numeric>
#include <optional>
#include <string>

#include "emulator/command_table.h"
#include "emulator/paper.h"
#include "emulator/receipt.h"
#include "emulator/settlement.h"

namespace sigra::emu {
namespace {

using paper::Centred;
using paper::Row;
using paper::Rule;

constexpr uint8_t kStatus2 = 148;
constexpr int kDailyReportDueBit = 3;
constexpr uint8_t kClockMemoryErased = 0x10;

// Verdicts on a periodic report (command 49), sent after its data.
constexpr uint8_t kAccepted = 0;
constexpr uint8_t kBadDates = 1;
constexpr uint8_t kNoReports = 2;
constexpr uint8_t kBadNumbers = 3;
constexpr uint8_t kMonthNotEnded = 4;
constexpr uint8_t kBadKind = 5;

constexpr uint8_t kDetailedByDates = 0;
constexpr uint8_t kDetailedByNumbers = 1;
constexpr uint8_t kShortByDates = 3;
constexpr uint8_t kShortByNumbers = 4;
constexpr uint8_t kShortMonthly = 5;

using Totals = std::array<uint64_t, 7>;

char Letter(int rate) {
  return static_cast<char>('A' + rate);
}

int64_t Sum(const Totals& totals) {
  return static_cast<int64_t>(std::accumulate(totals.begin(), totals.end(), uint64_t{0}));
}

// One line per rate the model has: its letter, its value and the sales.
void AppendRateLines(std::vector<std::string>& paper, const RateStore& rates,
                     const Totals& totals) {
  for (int k = 0; k < rates.Count(); ++k) {
    paper.push_back(Row(std::string("SPRZEDAŻ ") + Letter(k) + " " + rates.Describe(k),
                        Money(static_cast<int64_t>(totals[static_cast<size_t>(k)]))));
  }
}

// A report is refused while a receipt is open or the clock has no time.
bool Refused(Printer& printer, const std::string& report) {
  if (printer.Fiscal().receipt) {
    printer.Note(report + " refused: a receipt is open");
    return true;
  }
  if ((printer.Status(kStatus2) & kClockMemoryErased) != 0) {
    printer.Note(report + " refused: the clock memory is erased");
    return true;
  }
  return false;
}

// A report without data: printed on ACK unless refused.
Command PrintedReport(const std::string& name,
                      std::vector<std::string> (*printout)(const Printer&)) {
  return {.name = name, .answer = [name, printout](Printer& printer) {
            if (Refused(printer, name)) return Bytes{kNak};
            printer.Print(printout(printer));
            return Bytes{kAck};
          }};
}

Bytes DailyReport(Printer& printer) {
  FiscalState& fiscal = printer.Fiscal();
  if (Refused(printer, "daily report")) return Bytes{kNak};
  if (fiscal.receiptCounter == 0 && !printer.Traits().closesEmptyDays) {
    printer.Note("daily report refused: no receipt in the fiscal day");
    return Bytes{kNak};
  }
  const DailyReportRecord& record = printer.Memory().AddDailyReport(
      printer.Clock().Today(), fiscal.receiptCounter, fiscal.dayTotals);
  std::vector<std::string> paper = {Centred("RAPORT FISKALNY DOBOWY"), Rule(),
                                    Row("RAPORT NR", std::to_string(record.number)),
                                    Row("DATA", printer.Clock().Text()), Rule()};
  AppendRateLines(paper, fiscal.rates, record.totals);
  paper.push_back(Rule());
  paper.push_back(Row("LICZBA PARAGONÓW", std::to_string(record.receipts)));
  paper.push_back(Row("RAZEM", Money(Sum(record.totals))));
  printer.Print(paper);
  fiscal.receiptCounter = 0;
  fiscal.dayTotals = {};
  printer.SetBit(kStatus2, kDailyReportDueBit, false);
  return Bytes{kAck};
}

std::vector<std::string> FinancialTaxPrintout(const Printer& printer) {
  const FiscalState& fiscal = printer.Fiscal();
  std::vector<std::string> paper = {Centred("RAPORT FINANSOWY PODATKOWY"), Rule(),
                                    Row("DATA", printer.Clock().Text()), Rule()};
  AppendRateLines(paper, fiscal.rates, fiscal.dayTotals);
  paper.push_back(Rule());
  paper.push_back(Row("LICZBA PARAGONÓW", std::to_string(fiscal.receiptCounter)));
  paper.push_back(Row("RAZEM", Money(Sum(fiscal.dayTotals))));
  return paper;
}

std::vector<std::string> LockedArticlesPrintout(const Printer&) {
  return {Centred("RAPORT NAZW TOWARÓW ZABLOKOWANYCH"), Rule(), "BRAK ZABLOKOWANYCH NAZW"};
}

std::vector<std::string> FixedDescriptionsPrintout(const Printer&) {
  return {Centred("RAPORT OPISÓW STAŁYCH"), Rule(), "BRAK ZAPROGRAMOWANYCH OPISÓW"};
}

std::vector<std::string> PrinterStatePrintout(const Printer& printer) {
  const FiscalState& fiscal = printer.Fiscal();
  std::vector<std::string> paper = {Centred("RAPORT STANU DRUKARKI"), Rule()};
  for (int k = 0; k < fiscal.rates.Count(); ++k) {
    paper.push_back(Row(std::string("STAWKA PTU ") + Letter(k), fiscal.rates.Describe(k)));
  }
  paper.push_back(Rule());
  paper.push_back(Row("PARAGONY W DOBIE", std::to_string(fiscal.receiptCounter)));
  paper.push_back(Row("RAPORTY DOBOWE", std::to_string(printer.Memory().DailyReportCount())));
  paper.push_back(Row("ZEGAR", printer.Clock().Text()));
  paper.push_back(Row("NUMER UNIKATOWY", printer.Memory().uniqueNumber));
  return paper;
}

// A periodic report over `records`: with `detailed` one line per daily
// report, then the sums per rate.
std::vector<std::string> PeriodicPrintout(const Printer& printer, bool detailed,
                                          const std::string& range,
                                          const std::vector<DailyReportRecord>& records) {
  std::vector<std::string> paper = {
      Centred(detailed ? "RAPORT OKRESOWY SZCZEGÓŁOWY" : "RAPORT OKRESOWY SKRÓCONY"),
      Centred(range), Rule()};
  Totals sums{};
  for (const DailyReportRecord& record : records) {
    if (detailed) {
      paper.push_back(
          Row("RAPORT NR " + std::to_string(record.number) + "  " + DateText(record.date),
              Money(Sum(record.totals))));
    }
    for (size_t k = 0; k < sums.size(); ++k) sums[k] += record.totals[k];
  }
  if (detailed) paper.push_back(Rule());
  AppendRateLines(paper, printer.Fiscal().rates, sums);
  paper.push_back(Rule());
  paper.push_back(Row("LICZBA RAPORTÓW DOBOWYCH", std::to_string(records.size())));
  paper.push_back(Row("RAZEM", Money(Sum(sums))));
  return paper;
}

std::string DatesRange(Date from, Date to) {
  return "OD " + DateText(from) + " DO " + DateText(to);
}

// The by-dates report of the older command pair (40, 41), which answers
// nothing after its data: a range the printer cannot take prints nothing.
void ReportByDates(Printer& printer, bool detailed, const Bytes& data) {
  const std::optional<Date> from = DateFromDigits(data, 0);
  const std::optional<Date> to = DateFromDigits(data, 6);
  if (!from || !to || *from > *to) {
    printer.Note("periodic report refused: bad dates");
    return;
  }
  printer.Print(PeriodicPrintout(printer, detailed, DatesRange(*from, *to),
                                 printer.Memory().ReportsBetween(*from, *to)));
}

size_t RangeLength(uint8_t kind) {
  if (kind == kDetailedByDates || kind == kShortByDates) return 12;
  return kind <= kShortMonthly ? 4 : 0;
}

// Command 49: the verdict on the kind and range in `data`, printing the
// report when it is accepted.
uint8_t PeriodicReport(Printer& printer, const Bytes& data) {
  const uint8_t kind = data[0];
  if (kind > kShortMonthly) return kBadKind;
  const bool detailed = kind < kShortByDates;
  const Bytes range(data.begin() + 1, data.end());
  std::string heading;
  std::vector<DailyReportRecord> records;
  if (kind == kDetailedByDates || kind == kShortByDates) {
    const std::optional<Date> from = DateFromDigits(range, 0);
    const std::optional<Date> to = DateFromDigits(range, 6);
    if (!from || !to || *from > *to) return kBadDates;
    heading = DatesRange(*from, *to);
    records = printer.Memory().ReportsBetween(*from, *to);
  } else if (kind == kDetailedByNumbers || kind == kShortByNumbers) {
    const auto from = static_cast<uint16_t>(range[0] | range[1] << 8);
    const auto to = static_cast<uint16_t>(range[2] | range[3] << 8);
    if (from == 0 || from > to) return kBadNumbers;
    heading = "OD RAPORTU " + std::to_string(from) + " DO " + std::to_string(to);
    records = printer.Memory().ReportsNumbered(from, to);
  } else {
    // A month is given as its year and month; the first day stands for it.
    Bytes firstDay = range;
    firstDay.insert(firstDay.end(), {0, 1});
    const std::optional<Date> month = DateFromDigits(firstDay, 0);
    if (!month) return kBadDates;
    const Date today = printer.Clock().Today();
    if (month->year() / month->month() >= today.year() / today.month()) return kMonthNotEnded;
    heading = "MIESIĄC " + DateText(*month).substr(0, 7);
    records = printer.Memory().ReportsBetween(
        *month, Date(month->year() / month->month() / std::chrono::last));
  }
  if (records.empty()) return kNoReports;
  printer.Print(PeriodicPrintout(printer, detailed, heading, records));
  return kAccepted;
}

}  // namespace

void AddReportCommands(CommandTable& table) {
  table.Add(37, {.name = "daily report", .answer = DailyReport});
  Command financial = PrintedReport("financial tax report", FinancialTaxPrintout);
  financial.available = [](const DeviceTraits& traits) { return traits.lunoFamily; };
  table.Add(43, std::move(financial));
  table.Add(34, PrintedReport("locked article names report", LockedArticlesPrintout));
  table.Add(48, PrintedReport("fixed descriptions report", FixedDescriptionsPrintout));
  table.Add(38, PrintedReport("printer state report", PrinterStatePrintout));
  for (const bool detailed : {true, false}) {
    table.Add(detailed ? 40 : 41,
              {.name = detailed ? "detailed report by dates" : "short report by dates",
               .answer = [](Printer&) { return Bytes{kAck}; },
               .dataLength = FixedData(12),
               .afterData =
                   [detailed](Printer& printer, const Bytes& data) {
                     if (!Refused(printer, "periodic report")) {
                       ReportByDates(printer, detailed, data);
                     }
                     return Bytes{};
                   }});
  }
  // The kind byte decides how long the range after it is.
  table.Add(49, {.name = "periodic report",
                 .answer = [](Printer&) { return Bytes{kAck}; },
                 .dataLength =
                     [](const Bytes& received) {
                       if (received.empty()) return size_t{1};
                       if (IsSettlementKind(received[0])) {
                         return 1 + SettlementDataLength(received[0]);
                       }
                       return 1 + RangeLength(received[0]);
                     },
                 .afterData =
                     [](Printer& printer, const Bytes& data) {
                       const uint8_t verdict = IsSettlementKind(data[0])
                                                   ? SettlementReport(printer, data)
                                                   : PeriodicReport(printer, data);
                       printer.Note("periodic report verdict " + std::to_string(verdict));
                       return Bytes{verdict};
                     },
                 .available = [](const DeviceTraits& traits) { return traits.secondGeneration; }});
  table.Add(217,
            {.name = "daily report number", .answer = [](Printer& printer) {
               const uint16_t count = printer.Memory().DailyReportCount();
               return Bytes{kAck, static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8)};
             }});
}

}  // namespace sigra::emu
