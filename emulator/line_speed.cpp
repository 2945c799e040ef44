#include "emulator/line_speed.h"

namespace sigra::emu {
namespace {

constexpr uint8_t k19200 = 0x20;  // byte 0
constexpr uint8_t k28800 = 0x01;  // byte 8

}  // namespace

uint32_t LineSpeed(const SettingsBlock& settings) {
  if (settings[8] & k28800) return 28800;
  if (settings[0] & k19200) return 19200;
  return 9600;
}

bool SelectLineSpeed(SettingsBlock& settings, uint32_t baud) {
  if (baud != 9600 && baud != 19200 && baud != 28800) return false;
  settings[0] = static_cast<uint8_t>(baud == 19200 ? settings[0] | k19200 : settings[0] & ~k19200);
  settings[8] = static_cast<uint8_t>(baud == 28800 ? settings[8] | k28800 : settings[8] & ~k28800);
  return true;
}

}  // namespace sigra::emu
