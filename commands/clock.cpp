#include "commands/clock.h"

#include <utility>

#include "commands/command_steps.h"
#include "commands/digit_bytes.h"
#include "commands/receipt_counter.h"
#include "commands/results.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"
#include "protocol/feedback.h"
#include "protocol/status.h"

namespace sigra {
namespace {

// Clock without seconds (answer of 10 digit bytes) and with them (12).
constexpr uint8_t kCmdReadClock = 53;
constexpr uint8_t kCmdReadClockWithSeconds = 64;
constexpr uint8_t kCmdShiftClock = 54;
constexpr uint8_t kCmdSetClock = 52;
constexpr uint8_t kCmdSetClockWithSeconds = 65;
constexpr uint8_t kStatus150 = 150;

// The erasing ends with a progress byte of 0.
constexpr uint8_t kErased = 0;

ClockEraseProgress g_eraseProgress;

// Answer bytes `from` and `from + 1`, each as its decimal value.
std::string DigitPair(const Block& answer, size_t from) {
  return std::to_string(answer[from]) + std::to_string(answer[from + 1]);
}

// "yy.mm.dd" and "hh:mm" of a clock answer.
std::string DateText(const Block& answer) {
  return DigitPair(answer, 0) + "." + DigitPair(answer, 2) + "." + DigitPair(answer, 4);
}
std::string TimeText(const Block& answer) {
  return DigitPair(answer, 6) + ":" + DigitPair(answer, 8);
}

// Follows the erasing of a Luno printer's memory through its progress bytes.
int32_t FollowErasing() {
  if (g_eraseProgress.begin) g_eraseProgress.begin();
  for (;;) {
    uint8_t progress = 0;
    if (int32_t result = ReceiveAnswerByte(progress); result != 0) return result;
    if (g_eraseProgress.step) g_eraseProgress.step();
    if (progress == kErased) return 0;
  }
}

}  // namespace

int32_t ReadClock(std::string& date, std::string& time) {
  date.clear();
  time.clear();
  if (int32_t result = BeginCommand("Odczyt zegara..."); result != 0) return result;
  uint32_t version = 0;
  if (int32_t result = ReadDeviceType(DeviceType, version); result != 0) return result;
  const bool withSeconds = IsSecondGeneration(DeviceType);
  Block answer{};
  const int32_t result = withSeconds ? SendQuery(kCmdReadClockWithSeconds, 13, answer)
                                     : SendQuery(kCmdReadClock, 11, answer);
  if (result != 0) return result;
  date = "20" + DateText(answer);
  time = TimeText(answer);
  if (withSeconds) time.append(":").append(DigitPair(answer, 10));
  return 0;
}

int32_t ReadShortClock(std::string& text) {
  text.clear();
  if (int32_t result = BeginCommand(nullptr); result != 0) return result;
  Block answer{};
  if (int32_t result = SendQuery(kCmdReadClock, 11, answer); result != 0) return result;
  text = DateText(answer) + ";" + TimeText(answer);
  return 0;
}

int32_t ShiftClock(int32_t direction, int32_t minutes) {
  if (int32_t result = BeginCommand("Przestawianie zegara..."); result != 0) return result;
  uint32_t counter = 0;
  if (int32_t result = ReadReceiptCounter(counter); result != 0) return result;
  if (counter != 0) return kResultReceiptCounterNotZero;
  Block data{};
  data[0] = static_cast<uint8_t>(direction);
  PutDigitPairs(data, 1, {minutes});
  return SendOrder(kCmdShiftClock, data, 3);
}

void SetClockEraseProgress(ClockEraseProgress progress) {
  g_eraseProgress = std::move(progress);
}

int32_t InitClock(uint8_t year, uint8_t month, uint8_t day, uint8_t hour, uint8_t minute,
                  uint8_t second) {
  ShowProgressText("Inicjowanie zegara...");
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  uint8_t status = 0;
  if (int32_t result = ReadStatus(kStatus2, status); result != 0) return result;
  if ((status & kClockMemoryErased) == 0) return kResultClockMemoryNotErased;
  if (int32_t result = ReadStatus(kStatus1, status); result != 0) return result;
  // A printer in fiscal mode is asked status byte 150 too; its value decides
  // nothing here.
  if ((status & kFiscalMode) != 0) {
    if (int32_t result = ReadStatus(kStatus150, status); result != 0) return result;
  }
  uint32_t version = 0;
  if (int32_t result = ReadDeviceType(DeviceType, version); result != 0) return result;
  Block data{};
  PutDigitPairs(data, 0, {year, month, day, hour, minute, second});
  const bool luno = IsLuno(DeviceType);
  const int32_t result =
      luno ? SendOrder(kCmdSetClockWithSeconds, data, 12) : SendOrder(kCmdSetClock, data, 10);
  if (result != 0) return result;
  if (luno) {
    if (int32_t erasing = FollowErasing(); erasing != 0) return erasing;
  }
  return PrintControl(kModePrinting, DeviceType);
}

}  // namespace sigra
