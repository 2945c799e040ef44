#include "commands/reports.h"

#include "commands/command_steps.h"
#include "commands/results.h"
#include "protocol/command_numbers.h"
#include "protocol/connection.h"
#include "protocol/feedback.h"
#include "protocol/receipt_state.h"
#include "protocol/status.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdDailyReport = 37;
constexpr uint8_t kCmdFinancialTaxReport = 43;
constexpr uint8_t kCmdLockedArticlesReport = 34;
constexpr uint8_t kCmdFixedDescriptionsReport = 48;
constexpr uint8_t kCmdPrinterStatusReport = 38;

const char* const kDailyProgress = "Raport dobowy...";

// The second-generation models and the Luno family close a day without
// receipts when asked to; the older models refuse it.
bool ClosesEmptyDays(uint8_t deviceType) {
  switch (deviceType) {
    case 2:
    case 3:
    case 6:
    case 7:
    case 8:
    case 9:
      return true;
    default:
      return false;
  }
}

// The report command between the wait for a pending printout and the wait
// for the report's own.
int32_t PrintReport(uint8_t cmd) {
  if (int32_t result = PrintControl(kModeChecking, DeviceType); result != 0) return result;
  if (int32_t result = SendOrder(cmd); result != 0) return result;
  return PrintControl(kModePrinting, DeviceType);
}

int32_t SimpleReport(const char* progress, uint8_t cmd) {
  if (int32_t result = BeginCommand(progress); result != 0) return result;
  return PrintReport(cmd);
}

}  // namespace

int32_t DailyReport(int32_t allowZero) {
  if (int32_t result = BeginCommand(kDailyProgress); result != 0) return result;
  if (int32_t result = PrintControl(kModeChecking, DeviceType); result != 0) return result;
  if (allowZero == 0 || !ClosesEmptyDays(DeviceType)) {
    Block answer{};
    if (int32_t result = SendQuery(kCmdReceiptCounter, 3, answer); result != 0) return result;
    if (answer[0] == 0 && answer[1] == 0) return kResultZeroReceiptCounter;
  }
  if (int32_t result = SendOrder(kCmdDailyReport); result != 0) return result;
  return PrintControl(kModePrinting, DeviceType);
}

int32_t FinancialTaxReport() {
  return SimpleReport(kDailyProgress, kCmdFinancialTaxReport);
}

int32_t LockedArticlesReport() {
  return SimpleReport("Raport nazw towarów zablokowanych...", kCmdLockedArticlesReport);
}

int32_t FixedDescriptionsReport() {
  ShowProgressText("Raport opisów stałych...");
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  uint8_t status2 = 0;
  if (int32_t result = ReadStatus(kStatus2, status2); result != 0) return result;
  if ((status2 & kClockMemoryErased) != 0) return kResultClockMemoryErased;
  if ((status2 & kControllerLost) != 0) return kResultControllerLost;
  if (ReceiptOpen) return kResultReceiptOpen;
  return PrintReport(kCmdFixedDescriptionsReport);
}

int32_t PrinterStatusReport() {
  return SimpleReport("Raport stanu drukarki...", kCmdPrinterStatusReport);
}

}  // namespace sigra
