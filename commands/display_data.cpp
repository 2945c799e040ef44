#include "commands/display_data.h"

#include <algorithm>
#include <span>

#include "commands/answer_record.h"
#include "commands/block_write_answer.h"
#include "commands/command_steps.h"
#include "commands/export_guard.h"
#include "commands/results.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"
#include "protocol/receipt_state.h"
#include "protocol/sequence.h"

namespace sigra {

DisplayImage DisplayBitmapData{};
DisplayImage DisplayReadbackData{};

namespace {

constexpr uint8_t kCmdWriteRow = 45;
constexpr uint8_t kCmdReadRow = 47;
constexpr uint8_t kCmdClearImage = 57;

constexpr uint8_t kImagePresent = 0x01;
constexpr uint8_t kClearRefused = 204;

bool HasGraphicDisplay(uint8_t deviceType) {
  return IsLuno(deviceType);
}

// The opening both transfers share: a checked connection, no receipt open, and
// a Luno printer, as the printer itself says.
int32_t BeginImageTransfer() {
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  if (ReceiptOpen) return kResultReceiptOpen;
  uint32_t version = 0;
  if (int32_t result = ReadDeviceType(DeviceType, version); result != 0) return result;
  return HasGraphicDisplay(DeviceType) ? 0 : kResultNotOnThisDevice;
}

}  // namespace

int32_t WriteDisplayData() {
  return Guarded([] {
    if (int32_t result = BeginImageTransfer(); result != 0) return result;
    for (size_t r = 0; r < kDisplayRows; ++r) {
      Block data{};
      data[0] = static_cast<uint8_t>(r);
      std::copy(DisplayBitmapData[r].begin(), DisplayBitmapData[r].end(), data.begin() + 1);
      if (int32_t result = SendOrder(kCmdWriteRow, data, 1 + kDisplayRowBytes); result != 0) {
        return result;
      }
      uint8_t answer = 0;
      if (int32_t result = ReceiveAnswerByte(answer); result != 0) return result;
      if (answer != 0) return BlockWriteResult(answer);
    }
    return int32_t{0};
  });
}

int32_t ReadDisplayData() {
  return Guarded([] {
    if (int32_t result = BeginImageTransfer(); result != 0) return result;
    for (size_t r = 0; r < kDisplayRows; ++r) {
      Block data{};
      data[0] = static_cast<uint8_t>(r);
      if (int32_t result = SendOrder(kCmdReadRow, data, 1); result != 0) return result;
      uint8_t verdict = 0;
      if (int32_t result = ReceiveAnswerByte(verdict); result != 0) return result;
      if (verdict != 0) return kResultBlockParameterOutOfRange;
      uint8_t flag = 0;
      if (int32_t result = ReceiveAnswerByte(flag); result != 0) return result;
      if ((flag & kImagePresent) == 0) return kResultNoDisplayData;
      const std::span<uint8_t> pixels(DisplayReadbackData[r].begin() + 1, kDisplayRowBytes - 1);
      if (int32_t result = ReceiveAnswerRecord(pixels); result != 0) return result;
    }
    return int32_t{0};
  });
}

int32_t ClearDisplayData() {
  return Guarded([] {
    if (int32_t result = EnsureConnection(true); result != 0) return result;
    if (ReceiptOpen) return kResultReceiptOpen;
    if (!HasGraphicDisplay(DeviceType)) return kResultNotOnThisDevice;
    Block answer{};
    if (int32_t result = SendQuery(kCmdClearImage, 2, answer); result != 0) return result;
    if (answer[0] == 0) return 0;
    return answer[0] == kClearRefused ? kResultPreviousDataNotReported : kResultBadAnswer;
  });
}

}  // namespace sigra
