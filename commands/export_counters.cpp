// The printer's counters and numbers, and its line feed.
#include <string>

#include "commands/counters.h"
#include "commands/export_guard.h"
#include "commands/export_text.h"
#include "commands/feed_and_power.h"
#include "commands/receipt_counter.h"
#include "sigra/sigradrv.hpp"

using namespace sigra;

namespace {

// A counter read into the caller's integer, which is written on success only.
template <class Read>
int32_t CounterInto(int32_t* target, Read read) {
  if (target == nullptr) return kResultNullBuffer;
  uint32_t counter = 0;
  const int32_t result = read(counter);
  if (result == 0) *target = static_cast<int32_t>(counter);
  return result;
}

}  // namespace

extern "C" {

SIGRA_API int32_t SIGRA_CALL ReceiptNumber(int32_t* Counter) {
  return Guarded([&] { return CounterInto(Counter, ReadReceiptCounter); });
}

SIGRA_API int32_t SIGRA_CALL DailyReportNumber(int32_t* Counter) {
  return Guarded([&] { return CounterInto(Counter, sigra::DailyReportNumber); });
}

SIGRA_API int32_t SIGRA_CALL PrinterNumber(int32_t* Number, std::string& OperatorCode) {
  return Guarded([&] {
    if (Number == nullptr) return kResultNullBuffer;
    return sigra::PrinterNumber(*Number, OperatorCode);
  });
}

SIGRA_API int32_t SIGRA_CALL ReadUniqueNumber(std::string& UniqueNumber) {
  return Guarded([&] {
    UniqueNumber.clear();
    std::string number;
    const int32_t result = sigra::ReadUniqueNumber(number, true);
    // Shown as the three-character prefix, a space and the rest.
    if (result == 0) UniqueNumber = number.substr(0, 3) + ' ' + number.substr(3);
    return result;
  });
}

SIGRA_API int32_t SIGRA_CALL pReadUniqueNumber(char* Buffer) {
  return Guarded([&] {
    if (Buffer == nullptr) return kResultNullBuffer;
    std::string number;
    const int32_t result = sigra::ReadUniqueNumber(number, false);
    CopyOut(number, Buffer);
    return result;
  });
}

SIGRA_API int32_t SIGRA_CALL WriteLineFeed(int32_t Lines) {
  return Guarded([&] { return sigra::WriteLineFeed(Lines); });
}

}  // extern "C"
