#include "commands/user_data.h"

#include <algorithm>

#include "commands/answer_record.h"
#include "commands/code_page.h"
#include "commands/command_steps.h"
#include "commands/export_guard.h"
#include "commands/fixed_width.h"
#include "commands/printer_state_check.h"
#include "commands/results.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"
#include "protocol/feedback.h"
#include "protocol/sequence.h"
#include "protocol/status.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdWriteLine = 156;
constexpr uint8_t kCmdReadLine = 157;
constexpr uint8_t kCmdReadPharmacyLine = 158;
constexpr uint8_t kCmdPrintGivenLines = 51;
constexpr uint8_t kCmdPrintStoredLines = 241;

constexpr uint8_t kNarrowLine = 0x01;
constexpr uint8_t kSecondOption = 0x02;
constexpr size_t kNarrowWidth = 20;
constexpr size_t kWideWidth = 40;
// A line read back: a byte the driver does not use, the attribute, 40
// characters.
constexpr size_t kLineRecord = 42;
constexpr size_t kPrintedLines = 4;

size_t WidthOf(uint8_t attributes) {
  return (attributes & kNarrowLine) != 0 ? kNarrowWidth : kWideWidth;
}

bool HasUserData(uint8_t deviceType) {
  switch (deviceType) {
    case 2:
    case 3:
    case 6:
    case 7:
    case 8:
      return true;
    default:
      return false;
  }
}

bool HasPharmacyLines(uint8_t deviceType) {
  return IsSigraFOrLunoF(deviceType);
}

}  // namespace

int32_t ReadUserData(int32_t count, UserDataLines& lines, uint8_t& options) {
  ShowProgressText("Odczyt danych użytkownika...");
  for (std::string& line : lines) line.clear();
  if (count > static_cast<int32_t>(kUserDataLines)) return kResultParameterOutOfRange;
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  uint8_t status = 0;
  if (int32_t result = ReadStatus(kStatus2, status); result != 0) return result;
  if ((status & kClockMemoryErased) != 0) return kResultClockMemoryErased;
  if (int32_t result = ReadStatus(kStatus1, status); result != 0) return result;
  if ((status & kUserData) == 0) return kResultNoUserData;
  uint32_t version = 0;
  if (int32_t result = ReadDeviceType(DeviceType, version); result != 0) return result;
  if (!HasUserData(DeviceType)) return kResultNotOnThisDevice;

  options = 0;
  const uint8_t command = HasPharmacyLines(DeviceType) ? kCmdReadPharmacyLine : kCmdReadLine;
  for (int32_t i = 1; i <= count; ++i) {
    Block data{};
    data[0] = static_cast<uint8_t>(i);
    if (int32_t result = SendOrder(command, data, 1); result != 0) return result;
    std::array<uint8_t, kLineRecord> record{};
    if (int32_t result = ReceiveAnswerRecord(record); result != 0) return result;
    const uint8_t attributes = record[1];
    if ((attributes & kSecondOption) != 0) options |= static_cast<uint8_t>(1U << (i - 1));
    const std::string text(record.begin() + 2, record.begin() + 2 + WidthOf(attributes));
    lines[static_cast<size_t>(i - 1)] = FromPrinterCodePage(text);
  }
  return 0;
}

int32_t WriteUserDataLine(uint8_t line, uint8_t attributes, std::string_view text) {
  return Guarded([&] {
    if (int32_t result = EnsureConnection(true); result != 0) return result;
    if (int32_t result = CheckClockAndController(); result != 0) return result;
    const size_t width = WidthOf(attributes);
    Block data{};
    data[0] = line;
    data[1] = attributes;
    const std::string printerText = ToPrinterCodePage(FixedWidth(text, width));
    std::copy(printerText.begin(), printerText.end(), data.begin() + 2);
    if (int32_t result = SendOrder(kCmdWriteLine, data, static_cast<uint8_t>(2 + width));
        result != 0) {
      return result;
    }
    uint8_t verdict = 0;
    if (int32_t result = ReceiveAnswerByte(verdict); result != 0) return result;
    return verdict == 0 ? 0 : kResultUserDataNotWritten;
  });
}

int32_t PrintUserData(int32_t count, const UserDataLines& lines) {
  return Guarded([&] {
    ShowProgressText("Wydruk kontrolny danych użytkownika...");
    if (int32_t result = EnsureConnection(true); result != 0) return result;
    if (int32_t result = PrintControl(kModeChecking, DeviceType); result != 0) return result;
    if (int32_t result = CheckClockAndController(); result != 0) return result;
    int32_t result = 0;
    if (count == static_cast<int32_t>(kPrintedLines)) {
      Block data{};
      size_t length = 0;
      for (size_t i = 0; i < kPrintedLines; ++i) {
        const bool narrow = lines[i].size() <= kNarrowWidth;
        data[length++] = narrow ? kNarrowLine : 0;
        const std::string text =
            ToPrinterCodePage(FixedWidth(lines[i], narrow ? kNarrowWidth : kWideWidth));
        std::copy(text.begin(), text.end(), data.begin() + static_cast<std::ptrdiff_t>(length));
        length += text.size();
      }
      // One byte more than the lines take goes out as well, a zero; printers
      // that do not wait for it pass it over.
      result = SendOrder(kCmdPrintGivenLines, data, static_cast<uint8_t>(length + 1));
    } else {
      result = SendOrder(kCmdPrintStoredLines);
    }
    if (result != 0) return result;
    return PrintControl(kModePrinting, DeviceType);
  });
}

}  // namespace sigra
