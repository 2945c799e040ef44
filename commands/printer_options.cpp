#include "commands/printer_options.h"

#include "commands/command_steps.h"
#include "commands/export_guard.h"
#include "commands/results.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"
#include "protocol/receipt_state.h"
#include "protocol/sequence.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdRegisterNumber = 67;
constexpr uint8_t kCmdFeedLines = 70;
constexpr uint8_t kCmdLunoFeedLines = 237;
constexpr uint8_t kCmdReadFeedLines = 238;
constexpr uint8_t kCmdRounding = 116;
constexpr uint8_t kCmdReadRounding = 210;

constexpr size_t kFieldLength = 2;

}  // namespace

int32_t WriteRegisterNumber(std::string_view number, std::string_view operatorCode) {
  return Guarded([&] {
    if (number.size() != kFieldLength || operatorCode.size() != kFieldLength) {
      return kResultParameterOutOfRange;
    }
    if (int32_t result = BeginCommand("Zapis numeru drukarki i kodu obsługującego...");
        result != 0) {
      return result;
    }
    Block data{};
    data[0] = static_cast<uint8_t>(number[0]);
    data[1] = static_cast<uint8_t>(number[1]);
    data[2] = static_cast<uint8_t>(operatorCode[0]);
    data[3] = static_cast<uint8_t>(operatorCode[1]);
    return SendOrder(kCmdRegisterNumber, data, 4);
  });
}

int32_t WriteFeedLines(uint8_t lines) {
  return Guarded([&] {
    if (int32_t result = BeginCommand("Zapis ilosci wysuwów..."); result != 0) return result;
    uint32_t version = 0;
    if (int32_t result = ReadDeviceType(DeviceType, version); result != 0) return result;
    Block data{};
    data[0] = lines;
    return SendOrder(IsLuno(DeviceType) ? kCmdLunoFeedLines : kCmdFeedLines, data, 1);
  });
}

int32_t ReadFeedLines(int32_t& lines) {
  return Guarded([&] {
    if (int32_t result = EnsureConnection(false); result != 0) return result;
    if (ReceiptOpen) return kResultReceiptOpen;
    Block answer{};
    if (int32_t result = SendQuery(kCmdReadFeedLines, 2, answer); result != 0) return result;
    lines = answer[0];
    return int32_t{0};
  });
}

int32_t WriteRounding(uint8_t mode) {
  return Guarded([&] {
    if (int32_t result = BeginCommand("Zapis typu zaokrąglenia..."); result != 0) return result;
    Block data{};
    data[0] = static_cast<uint8_t>('0' + mode);
    return SendOrder(kCmdRounding, data, 1);
  });
}

int32_t ReadRounding(int32_t& mode) {
  return Guarded([&] {
    if (int32_t result = BeginCommand("Odczyt sposobu zaokrąglenia..."); result != 0) {
      return result;
    }
    Block answer{};
    if (int32_t result = SendQuery(kCmdReadRounding, 2, answer); result != 0) return result;
    mode = answer[0];
    return int32_t{0};
  });
}

}  // namespace sigra
