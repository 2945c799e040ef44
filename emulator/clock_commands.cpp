#include <string>

#include "emulator/command_table.h"
#include "emulator/paper.h"

namespace sigra::emu {
namespace {

constexpr uint8_t kStatus2 = 148;
constexpr int kClockMemoryErasedBit = 4;
constexpr uint8_t kClockMemoryErased = 0x10;
// Status byte 4: the service jumper in its service position.
constexpr uint8_t kServiceJumper = 0x40;

// The Luno models report the erasing of their memory in this many steps, the
// last one a 0.
constexpr uint8_t kEraseSteps = 16;
constexpr int kLongestShiftMinutes = 60;

// Answers of the kept-date commands after their data.
constexpr uint8_t kDateDone = 0;
constexpr uint8_t kDateRefused = 1;
constexpr uint8_t kKinds = 2;

bool ClockErased(const Printer& printer) {
  return (printer.Status(kStatus2) & kClockMemoryErased) != 0;
}

Command ClockRead(bool withSeconds) {
  return {.name = withSeconds ? "clock read with seconds" : "clock read",
          .answer = [withSeconds](Printer& printer) {
            return Acknowledged(printer.Clock().Digits(withSeconds));
          }};
}

// Sets the clock of an erased clock memory from the digits in `data`. A
// moment that does not exist, or one before the last daily report, leaves the
// memory erased.
void InitialiseClock(Printer& printer, const Bytes& data, bool withSeconds) {
  const std::optional<TimePoint> moment = MomentFromDigits(data, withSeconds);
  if (!moment) {
    printer.Note("clock initialisation refused: no such moment");
    return;
  }
  const std::vector<DailyReportRecord>& reports = printer.Memory().dailyReports;
  if (!reports.empty() &&
      Date(std::chrono::floor<std::chrono::days>(*moment)) < reports.back().date) {
    printer.Note("clock initialisation refused: before the last daily report");
    return;
  }
  printer.Clock().Set(*moment);
  printer.SetBit(kStatus2, kClockMemoryErasedBit, false);
  printer.Print({paper::Centred("ZEGAR ZAINICJOWANY"), paper::Rule(), printer.Clock().Text()});
}

Command ClockInitialisation(bool withSeconds) {
  return {.name = withSeconds ? "clock initialisation with seconds" : "clock initialisation",
          .answer =
              [](Printer& printer) {
                if (ClockErased(printer)) return Bytes{kAck};
                printer.Note("clock initialisation refused: the clock memory is not erased");
                return Bytes{kNak};
              },
          .dataLength = FixedData(withSeconds ? 12 : 10),
          .afterData =
              [withSeconds](Printer& printer, const Bytes& data) {
                InitialiseClock(printer, data, withSeconds);
                if (!withSeconds) return Bytes{};
                // The Luno models erase their memory first and count the steps.
                Bytes progress;
                for (uint8_t step = 1; step < kEraseSteps; ++step) progress.push_back(step);
                progress.push_back(0);
                return progress;
              }};
}

// Moves the clock by the minutes in `data` (direction 0 back, 1 forward) only
// while no receipt was issued in the fiscal day, and once a day.
void ShiftClock(Printer& printer, const Bytes& data) {
  const int minutes = data[1] * 10 + data[2];
  std::string refusal;
  if (ClockErased(printer)) {
    refusal = "the clock memory is erased";
  } else if (printer.Fiscal().receiptCounter != 0 || printer.Fiscal().receipt) {
    refusal = "receipts in the fiscal day";
  } else if (printer.Clock().ShiftedToday()) {
    refusal = "already shifted today";
  } else if (data[0] > 1 || data[1] > 9 || data[2] > 9 || minutes == 0 ||
             minutes > kLongestShiftMinutes) {
    refusal = "no such shift";
  }
  if (!refusal.empty()) {
    printer.Note("clock shift refused: " + refusal);
    return;
  }
  printer.Clock().Shift(std::chrono::minutes(data[0] == 1 ? minutes : -minutes));
  printer.Note("clock shifted to " + printer.Clock().Text());
}

uint8_t FromBcd(uint8_t bcd) {
  return static_cast<uint8_t>((bcd >> 4) * 10 + (bcd & 0x0F));
}
uint8_t ToBcd(uint8_t value) {
  return static_cast<uint8_t>((value / 10) << 4 | value % 10);
}
bool IsBcd(uint8_t byte) {
  return (byte >> 4) <= 9 && (byte & 0x0F) <= 9;
}

// Kind, then year, month and day in packed BCD. Taken only with the service
// jumper in its service position; all three 0 clear the date.
uint8_t WriteKeptDate(Printer& printer, const Bytes& data) {
  const uint8_t kind = data[0];
  if (kind >= kKinds || !IsBcd(data[1]) || !IsBcd(data[2]) || !IsBcd(data[3])) {
    return kDateRefused;
  }
  if ((printer.StatusByte(4) & kServiceJumper) == 0) {
    printer.Note("kept date refused: the service jumper is in its normal position");
    return kDateRefused;
  }
  const KeptDate date{FromBcd(data[1]), FromBcd(data[2]), FromBcd(data[3])};
  const bool none = date.year == 0 && date.month == 0 && date.day == 0;
  const Date calendar{std::chrono::year(2000 + date.year), std::chrono::month(date.month),
                      std::chrono::day(date.day)};
  if (!none && !calendar.ok()) return kDateRefused;
  printer.Memory().keptDates[kind] = date;
  return kDateDone;
}

bool SecondGeneration(const DeviceTraits& traits) {
  return traits.secondGeneration;
}
bool LunoFamily(const DeviceTraits& traits) {
  return traits.lunoFamily;
}

}  // namespace

void AddClockCommands(CommandTable& table) {
  table.Add(53, ClockRead(false));
  Command withSeconds = ClockRead(true);
  withSeconds.available = SecondGeneration;
  table.Add(64, std::move(withSeconds));
  table.Add(52, ClockInitialisation(false));
  Command lunoInitialisation = ClockInitialisation(true);
  lunoInitialisation.available = LunoFamily;
  table.Add(65, std::move(lunoInitialisation));
  table.Add(54, {.name = "clock shift",
                 .answer = [](Printer&) { return Bytes{kAck}; },
                 .dataLength = FixedData(3),
                 .afterData =
                     [](Printer& printer, const Bytes& data) {
                       ShiftClock(printer, data);
                       return Bytes{};
                     }});
  table.Add(250,
            {.name = "kept date read",
             .answer = [](Printer&) { return Bytes{kAck}; },
             .dataLength = FixedData(1),
             .afterData =
                 [](Printer& printer, const Bytes& data) {
                   if (data[0] >= kKinds) return Bytes{kDateRefused, 0, 0, 0};
                   const KeptDate& date = printer.Memory().keptDates[data[0]];
                   return Bytes{kDateDone, ToBcd(date.year), ToBcd(date.month), ToBcd(date.day)};
                 },
             .available = LunoFamily});
  table.Add(249,
            {.name = "kept date write",
             .answer = [](Printer&) { return Bytes{kAck}; },
             .dataLength = FixedData(4),
             .afterData = [](Printer& printer,
                             const Bytes& data) { return Bytes{WriteKeptDate(printer, data)}; },
             .available = LunoFamily});
}

}  // namespace sigra::emu
