#include "commands/receipt_counter.h"

#include "commands/results.h"
#include "protocol/command_numbers.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"
#include "protocol/feedback.h"
#include "protocol/receipt_state.h"
#include "protocol/sequence.h"

namespace sigra {

int32_t ReadReceiptCounter(uint32_t& counter) {
  ShowProgressText("Odczyt numeru ostatniego paragonu...");
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  if (ReceiptOpen) return kResultReceiptOpen;
  uint32_t version = 0;
  if (int32_t result = ReadDeviceType(DeviceType, version); result != 0) return result;
  Block answer{};
  const Block data{};
  if (int32_t result = SendSequence(kCmdReceiptCounter, 3, 0, answer, data); result != 0) {
    return result;
  }
  counter = answer[0] + 256U * answer[1];
  if (counter == 0 && IsLuno(DeviceType)) {
    if (int32_t result = SendSequence(kCmdLunoReceiptCounter, 8, 0, answer, data); result != 0) {
      return result;
    }
    counter = answer[0] + 256U * answer[1];
  }
  return 0;
}

}  // namespace sigra
