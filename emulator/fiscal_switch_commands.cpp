// The fiscalisation (command 114), which turns a printer in training mode
// into a fiscal printer for good, and the settlement report that ends its
// fiscal life.
#include <string>

#include "emulator/command_table.h"
#include "emulator/settlement.h"

namespace sigra::emu {
namespace {

// Status byte 1.
constexpr uint8_t kMakerData = 0x01;
constexpr uint8_t kUserData = 0x02;
constexpr uint8_t kReadOnly = 0x04;
constexpr uint8_t kFiscalMode = 0x08;
// Status byte 2.
constexpr uint8_t kClockMemoryErased = 0x10;
// Status byte 4.
constexpr uint8_t kServiceJumper = 0x40;

constexpr size_t kFiscalisationData = 20;
constexpr uint8_t kFiscalisationMark = 'f';
// The fiscal memory takes a while; the Luno models report its progress.
constexpr uint8_t kProgressSteps[] = {1, 2, 3, 0};

constexpr uint8_t kSettlementByDates = 6;
constexpr uint8_t kSettlementByNumbers = 7;
constexpr uint8_t kSettlementWhole = 8;

// Verdicts on a settlement report.
constexpr uint8_t kPrinted = 0;
constexpr uint8_t kBadDates = 1;
constexpr uint8_t kNoReports = 2;
constexpr uint8_t kBadNumbers = 3;
constexpr uint8_t kConditionsNotMet = 6;
constexpr uint8_t kReceiptsSold = 7;

// Why the printer refuses to become fiscal; empty when it may.
std::string FiscalisationRefusal(const Printer& printer, const Bytes& data) {
  for (size_t i = 0; i < 6; ++i) {
    if (data[i] != kFiscalisationMark) return "no fiscalisation mark";
  }
  const uint8_t byte1 = printer.StatusByte(1);
  if (byte1 & kFiscalMode) return "already fiscal";
  if (!(byte1 & kMakerData)) return "no maker data";
  if (!(byte1 & kUserData)) return "no user data";
  if (printer.StatusByte(2) & kClockMemoryErased) return "clock memory erased";
  if (!(printer.StatusByte(4) & kServiceJumper)) return "service jumper in the normal position";
  if (printer.Fiscal().receiptCounter != 0) return "receipts sold since the daily report";
  return {};
}

Bytes Fiscalise(Printer& printer, const Bytes& data) {
  if (const std::string refusal = FiscalisationRefusal(printer, data); !refusal.empty()) {
    printer.Note("fiscalisation refused: " + refusal);
    return Bytes{kNak};
  }
  FiscalMemory& memory = printer.Memory();
  memory.fiscalRates.assign(data.begin() + 6, data.end());
  const size_t lines = printer.UserDataLines().LineCount();
  memory.taxNumber = printer.UserDataLines().Line(lines)->text;
  if (printer.Fiscal().rates.ByteLength() == memory.fiscalRates.size()) {
    printer.Fiscal().rates.SetBytes(memory.fiscalRates);
  }
  printer.SetStatusByte(1, printer.StatusByte(1) | kFiscalMode);
  std::vector<std::string> printout = {"FISKALIZACJA DRUKARKI", memory.taxNumber};
  for (int k = 0; k < printer.Fiscal().rates.Count(); ++k) {
    printout.push_back(std::string("PTU ") + static_cast<char>('A' + k) + " " +
                       printer.Fiscal().rates.Describe(k));
  }
  printer.Print(printout);
  printer.Note("fiscal mode");
  Bytes answer = {kAck};
  if (printer.Traits().lunoFamily)
    answer.insert(answer.end(), std::begin(kProgressSteps), std::end(kProgressSteps));
  return answer;
}

// The eight digits of the unique number the operator enters: its last eight
// characters.
bool CheckBytesMatch(const Printer& printer, const Bytes& data) {
  const std::string& number = printer.Memory().uniqueNumber;
  if (number.size() < 8) return false;
  const std::string digits = number.substr(number.size() - 8);
  for (size_t k = 0; k < 4; ++k) {
    const auto check = static_cast<uint8_t>(digits[2 * k] + digits[2 * k + 1]);
    if (data[1 + k] != check) return false;
  }
  return true;
}

bool TodayMatches(const Printer& printer, const Bytes& data) {
  const std::optional<Date> sent = DateFromDigits(data, 5);
  return sent && *sent == printer.Clock().Today();
}

}  // namespace

bool IsSettlementKind(uint8_t kind) {
  return kind >= kSettlementByDates && kind <= kSettlementWhole;
}

size_t SettlementDataLength(uint8_t kind) {
  switch (kind) {
    case kSettlementByDates:
      return 4 + 6 + 12;
    case kSettlementByNumbers:
      return 4 + 6 + 4;
    default:
      return 4 + 6;
  }
}

uint8_t SettlementReport(Printer& printer, const Bytes& data) {
  const uint8_t kind = data[0];
  if (!(printer.StatusByte(1) & kFiscalMode) || !CheckBytesMatch(printer, data) ||
      !TodayMatches(printer, data)) {
    return kConditionsNotMet;
  }
  if (printer.Fiscal().receiptCounter != 0) return kReceiptsSold;
  if (!(printer.StatusByte(1) & kReadOnly)) {
    printer.SetStatusByte(1, printer.StatusByte(1) | kReadOnly);
    printer.Note("read-only mode");
  }
  const Bytes range(data.begin() + 11, data.end());
  std::vector<DailyReportRecord> records = printer.Memory().dailyReports;
  std::string heading = "CAŁA PAMIĘĆ FISKALNA";
  if (kind == kSettlementByDates) {
    const std::optional<Date> from = DateFromDigits(range, 0);
    const std::optional<Date> to = DateFromDigits(range, 6);
    if (!from || !to || *from > *to) return kBadDates;
    records = printer.Memory().ReportsBetween(*from, *to);
    heading = "OD " + DateText(*from) + " DO " + DateText(*to);
  } else if (kind == kSettlementByNumbers) {
    const auto from = static_cast<uint16_t>(range[0] | range[1] << 8);
    const auto to = static_cast<uint16_t>(range[2] | range[3] << 8);
    if (from == 0 || from > to) return kBadNumbers;
    records = printer.Memory().ReportsNumbered(from, to);
    heading = "OD RAPORTU " + std::to_string(from) + " DO " + std::to_string(to);
  }
  if (records.empty()) return kNoReports;
  std::vector<std::string> printout = {"RAPORT ROZLICZENIOWY", heading};
  for (const DailyReportRecord& record : records) {
    printout.push_back("RAPORT " + std::to_string(record.number) + " " + DateText(record.date));
  }
  printer.Print(printout);
  return kPrinted;
}

void AddFiscalSwitchCommands(CommandTable& table) {
  // No answer before the data: the printer speaks only once it has them.
  table.Add(114, {.name = "fiscalisation",
                  .dataLength = FixedData(kFiscalisationData),
                  .afterData = Fiscalise,
                  .available = [](const DeviceTraits& traits) { return traits.secondGeneration; }});
}

}  // namespace sigra::emu
