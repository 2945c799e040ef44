#include "commands/periodic_reports.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

#include "commands/command_steps.h"
#include "commands/digit_bytes.h"
#include "commands/results.h"
#include "commands/wire_numbers.h"
#include "link/comm.h"
#include "protocol/connection.h"
#include "protocol/feedback.h"
#include "protocol/operator_port.h"
#include "protocol/sequence.h"
#include "protocol/status.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdDetailedPeriodReport = 40;
constexpr uint8_t kCmdShortPeriodReport = 41;
constexpr uint8_t kCmdPeriodicReport = 49;
constexpr uint8_t kStatus150 = 150;

constexpr uint16_t kReportReadSeconds = 90;

const char* const kPeriodProgress = "Raport okresowy...";

struct PortSettings {
  uint8_t port;
  int32_t baud;
  uint16_t writeSeconds;
  uint16_t readSeconds;
};

// The port the reports run on, at its usual timeouts: the operator
// application's when it has configured one; otherwise the port the open
// connection uses, with its speed and timeouts as they are.
std::optional<PortSettings> UsualPort() {
  if (OperatorPort.port != 0) {
    return PortSettings{OperatorPort.port, OperatorPort.baud, OperatorPort.writeSeconds,
                        OperatorPort.readSeconds};
  }
  const link::TComm* comm = link::PortObject.get();
  if (comm == nullptr || !comm->IsOpen()) return std::nullopt;
  return PortSettings{comm->PortNumber, comm->BaudRate, comm->WriteTimeout, comm->ReadTimeout};
}

int32_t Reopen(const PortSettings& settings) {
  if (int32_t result = link::ClosePrinterPort(); result != 0) return result;
  return OpenPrinterPort(settings.port, settings.baud, settings.writeSeconds, settings.readSeconds);
}

// Runs `report` on the port reopened with the long read timeout, then reopens
// the port at its usual timeouts whatever the outcome. The report's failure
// comes first; a port that does not reopen is reported after a good report.
int32_t WithLongReadTimeout(const std::function<int32_t()>& report) {
  const std::optional<PortSettings> usual = UsualPort();
  if (!usual) return kResultNoPortParameters;
  PortSettings slow = *usual;
  slow.readSeconds = kReportReadSeconds;
  int32_t result = Reopen(slow);
  if (result == 0) result = report();
  const int32_t restored = Reopen(*usual);
  return result != 0 ? result : restored;
}

// Command 49 with `dataLength` bytes of `data`; the printer's verdict comes
// as one byte after the data.
int32_t SendPeriodicCommand(const Block& data, uint8_t dataLength, uint8_t& verdict) {
  SendBuffer = data;
  if (int32_t result = RunSequence(kCmdPeriodicReport, 1, dataLength, 1); result != 0) {
    return result;
  }
  verdict = ReceiveBuffer[0];
  return 0;
}

// The printer's verdict on command 49: 0 starts the printout, 1 to 5 name
// what it found wrong with the range, anything else prints nothing.
int32_t ResultOfVerdict(uint8_t verdict) {
  switch (verdict) {
    case 0:
      return PrintControl(kModePrinting, DeviceType);
    case 1:
      return kResultReportDatesInvalid;
    case 2:
      return kResultNoReportsInPeriod;
    case 3:
      return kResultReportNumbersInvalid;
    case 4:
      return kResultMonthNotEnded;
    case 5:
      return kResultReportParameterOutOfRange;
    default:
      return 0;
  }
}

// Command 49 with the kind byte and its range, on the slow port.
int32_t RunPeriodicCommand(const Block& data, uint8_t dataLength) {
  uint8_t verdict = 0;
  if (int32_t result =
          WithLongReadTimeout([&] { return SendPeriodicCommand(data, dataLength, verdict); });
      result != 0) {
    return result;
  }
  return ResultOfVerdict(verdict);
}

size_t RangeLength(uint8_t kind) {
  switch (kind) {
    case kDetailedByDates:
    case kShortByDates:
      return 12;
    case kDetailedByNumbers:
    case kDetailedMonthly:
    case kShortByNumbers:
    case kShortMonthly:
      return 4;
    default:
      return 0;
  }
}

bool InRange(int32_t value, int32_t low, int32_t high) {
  return value >= low && value <= high;
}

// MonthlyReport and NumberReport, whose ranges fill data bytes 1 to 4.
int32_t RangeReport(const char* progress, int32_t detailed, uint8_t detailedKind, uint8_t shortKind,
                    Block data) {
  if (int32_t result = BeginCommand(progress); result != 0) return result;
  uint32_t version = 0;
  if (int32_t result = ReadDeviceType(DeviceType, version); result != 0) return result;
  if (!IsSecondGeneration(DeviceType)) return kResultNotOnThisDevice;
  if (detailed != 0 && detailed != 1) return kResultParameterOutOfRange;
  data[0] = detailed == 1 ? detailedKind : shortKind;
  return RunPeriodicCommand(data, 5);
}

}  // namespace

int32_t PeriodReport(int32_t detailed, int32_t yearFrom, int32_t monthFrom, int32_t dayFrom,
                     int32_t yearTo, int32_t monthTo, int32_t dayTo) {
  if (int32_t result = BeginCommand(kPeriodProgress); result != 0) return result;
  if (!InRange(yearFrom, 1, 99) || !InRange(yearTo, 1, 99) || !InRange(monthFrom, 1, 12) ||
      !InRange(monthTo, 1, 12) || !InRange(dayFrom, 1, 31) || !InRange(dayTo, 1, 31) ||
      (detailed != 0 && detailed != 1)) {
    return kResultParameterOutOfRange;
  }
  if (int32_t result = PrintControl(kModeChecking, DeviceType); result != 0) return result;
  Block data{};
  PutDigitPairs(data, 0, {yearFrom, monthFrom, dayFrom, yearTo, monthTo, dayTo});
  const uint8_t cmd = detailed == 1 ? kCmdDetailedPeriodReport : kCmdShortPeriodReport;
  if (int32_t result = WithLongReadTimeout([&] { return SendOrder(cmd, data, 12); }); result != 0) {
    return result;
  }
  return PrintControl(kModePrinting, DeviceType);
}

int32_t MonthlyReport(int32_t detailed, int32_t year, int32_t month) {
  Block data{};
  PutDigitPairs(data, 1, {year, month});
  return RangeReport("Raport miesięczny...", detailed, kDetailedMonthly, kShortMonthly, data);
}

int32_t NumberReport(int32_t detailed, int32_t fromNumber, int32_t toNumber) {
  Block data{};
  PutUInt16LE(data, 1, static_cast<uint16_t>(fromNumber));
  PutUInt16LE(data, 3, static_cast<uint16_t>(toNumber));
  return RangeReport(kPeriodProgress, detailed, kDetailedByNumbers, kShortByNumbers, data);
}

int32_t PeriodicReport(uint8_t kind, const ReportDigits& digits) {
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  if (int32_t result = CheckPeriodicReportConditions(); result != 0) return result;
  if (int32_t result = PrintControl(kModeChecking, DeviceType); result != 0) return result;
  Block data{};
  data[0] = kind;
  const size_t length = RangeLength(kind);
  std::copy_n(digits.begin(), length, data.begin() + 1);
  return RunPeriodicCommand(data, static_cast<uint8_t>(1 + length));
}

int32_t CheckPeriodicReportConditions() {
  ShowProgressText("Sprawdzanie warunków wystawienia raportu okresowego...");
  if (int32_t result = EnsureConnection(false); result != 0) return result;
  uint8_t s155 = 0;
  uint8_t s148 = 0;
  uint8_t s149 = 0;
  uint8_t s150 = 0;
  for (auto [cmd, target] : {std::pair{kStatus1, &s155}, std::pair{kStatus2, &s148},
                             std::pair{kStatus3, &s149}, std::pair{kStatus150, &s150}}) {
    if (int32_t result = ReadStatus(cmd, *target); result != 0) return result;
  }
  // Status byte 150 takes no part in the decision.
  if ((s155 & kMakerData) == 0) return kResultNoMakerData;
  if ((s155 & kFiscalMode) == 0) return kResultTrainingMode;
  if ((s148 & kClockMemoryErased) != 0) return kResultClockMemoryErased;
  if ((s148 & kControllerLost) != 0) return kResultControllerLost;
  if ((s149 & kPrinterFailure) != 0) return kResultPrinterFailure;
  if ((s155 & kUserData) == 0) return kResultNoUserData;
  if ((s148 & kNoCustomerDisplay) != 0) return kResultNoCustomerDisplay;
  if ((s149 & kNoPaper) != 0) return kResultNoPaper;
  return PrintControl(kModeChecking, DeviceType);
}

}  // namespace sigra
