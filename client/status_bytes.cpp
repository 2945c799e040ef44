#include "client/status_bytes.h"

#include "sigra/sigradrv.h"

namespace sigractl {
namespace {

constexpr int32_t kNak = 24;

// Status byte `n` read with its ordinary command; not present when the
// printer does not have it (NAK).
int32_t ReadStatusByte(uint8_t command, uint8_t& value, bool& present, std::string& step) {
  unsigned char answer[256] = {};
  const int32_t code = RSSequence(command, 2, 0, answer, nullptr);
  present = code == 0;
  if (code == kNak) return 0;
  step = "RSSequence " + std::to_string(command);
  if (code != 0) return code;
  value = answer[0];
  return 0;
}

// Whether the printer is a second-generation Sigra or a Sigra F, asked with
// the device-type (255) and model (254) queries.
int32_t NamesClockBattery(bool& clockBattery, std::string& step) {
  unsigned char answer[256] = {};
  step = "RSSequence 255";
  if (int32_t code = RSSequence(255, 2, 0, answer, nullptr); code != 0) return code;
  const uint8_t family = answer[0];
  clockBattery = false;
  if (family != 44 && family != 18) return 0;
  step = "RSSequence 254";
  const int32_t code = RSSequence(254, 4, 0, answer, nullptr);
  // The older models of both families do not know the model query; the Luno
  // models answer it with their own model byte.
  if (code == kNak) return 0;
  if (code != 0) return code;
  clockBattery = answer[0] != (family == 44 ? 124 : 125);
  return 0;
}

}  // namespace

int32_t ReadStatusBytes(StatusBytes& status, std::string& step) {
  if (int32_t code = NamesClockBattery(status.clockBattery, step); code != 0) return code;
  // Bytes 1 to 4 every printer has; the others only some, which refuse
  // their commands with NAK.
  constexpr uint8_t kCommands[] = {91, 84, 85, 86};
  bool present = false;
  for (size_t i = 0; i < 4; ++i) {
    if (int32_t code = ReadStatusByte(kCommands[i], status.bytes[i], present, step); code != 0) {
      return code;
    }
    if (!present) {
      step = "RSSequence " + std::to_string(kCommands[i]);
      return kNak;
    }
  }
  if (int32_t code = ReadStatusByte(95, status.bytes[4], present, step); code != 0) return code;
  if (present) {
    if (int32_t code = ReadStatusByte(80, status.bytes[5], present, step); code != 0) return code;
    if (present) status.count = 6;
  }
  if (status.count == 6) {
    if (int32_t code = ReadStatusByte(243, status.bytes[6], present, step); code != 0) return code;
    if (present) status.count = 7;
  }
  return ReadStatusByte(93, status.bytes[7], status.hasByte8, step);
}

}  // namespace sigractl
