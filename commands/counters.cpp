#include "commands/counters.h"

#include "commands/command_steps.h"
#include "protocol/command_numbers.h"
#include "protocol/sequence.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdPrinterNumber = 216;
constexpr size_t kUniqueNumberLength = 11;

}  // namespace

int32_t PrinterNumber(int32_t& number, std::string& operatorCode) {
  operatorCode.clear();
  if (int32_t result = BeginCommand("Odczyt numeru ostatniego paragonu..."); result != 0) {
    return result;
  }
  Block answer{};
  if (int32_t result = SendQuery(kCmdPrinterNumber, 5, answer); result != 0) return result;
  // Two ASCII digits.
  number = (answer[0] - '0') * 10 + (answer[1] - '0');
  operatorCode = {static_cast<char>(answer[2]), static_cast<char>(answer[3])};
  return 0;
}

int32_t DailyReportNumber(uint32_t& counter) {
  if (int32_t result = BeginCommand("Odczyt numeru raportu dobowego..."); result != 0) {
    return result;
  }
  Block answer{};
  if (int32_t result = SendQuery(kCmdDailyReportNumber, 3, answer); result != 0) return result;
  counter = answer[0] + 256U * answer[1];
  return 0;
}

int32_t ReadUniqueNumber(std::string& number, bool withProgress) {
  number.clear();
  if (int32_t result = BeginCommand(withProgress ? "Odczyt numeru unikatowego..." : nullptr);
      result != 0) {
    return result;
  }
  Block answer{};
  if (int32_t result = SendQuery(kCmdUniqueNumber, 12, answer); result != 0) return result;
  number.assign(answer.begin(), answer.begin() + kUniqueNumberLength);
  return 0;
}

}  // namespace sigra
