#include "commands/device_settings.h"

#include "commands/command_steps.h"
#include "commands/export_guard.h"
#include "commands/results.h"
#include "protocol/connection.h"
#include "protocol/sequence.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdWriteSetting = 222;
constexpr uint8_t kCmdReadSetting = 223;
// The character "l" the printer answers for a group or value it does not take.
constexpr uint8_t kRefusedParameter = 108;

// The byte the printer sends after the data of a settings command.
int32_t ReceiveSettingsVerdict() {
  uint8_t verdict = 0;
  if (int32_t result = ReceiveAnswerByte(verdict); result != 0) return result;
  if (verdict == 0) return 0;
  return verdict == kRefusedParameter ? kResultParameterOutOfRange : kResultBadAnswer;
}

}  // namespace

int32_t ReadSetting(uint8_t group, uint8_t& value1, uint8_t& value2, uint8_t& value3) {
  return Guarded([&] {
    if (int32_t result = EnsureConnection(true); result != 0) return result;
    Block data{};
    data[0] = group;
    if (int32_t result = SendOrder(kCmdReadSetting, data, 1); result != 0) return result;
    if (int32_t result = ReceiveSettingsVerdict(); result != 0) return result;
    uint8_t values[3] = {};
    for (uint8_t& value : values) {
      if (int32_t result = ReceiveAnswerByte(value); result != 0) return result;
    }
    value1 = values[0];
    value2 = values[1];
    value3 = values[2];
    return int32_t{0};
  });
}

int32_t WriteSetting(uint8_t group, uint8_t value1, uint8_t value2, uint8_t value3) {
  return Guarded([&] {
    if (int32_t result = EnsureConnection(true); result != 0) return result;
    Block data{};
    data[0] = group;
    data[1] = value1;
    data[2] = value2;
    data[3] = value3;
    if (int32_t result = SendOrder(kCmdWriteSetting, data, 4); result != 0) return result;
    return ReceiveSettingsVerdict();
  });
}

}  // namespace sigra
