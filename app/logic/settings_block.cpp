#include "app/logic/settings_block.h"

namespace sigra::app {
namespace {

constexpr uint8_t k19200 = 0x20;  // byte 0
constexpr uint8_t k28800 = 0x01;  // byte 8

}  // namespace

uint16_t BlockSpeed(const SettingsBytes& block) {
  if (block[8] & k28800) return 28800;
  if (block[0] & k19200) return 19200;
  return 9600;
}

void ApplySpeed(SettingsBytes& block, uint16_t speed) {
  if (speed == 9600) block[0] = static_cast<uint8_t>(block[0] & ~k19200);
  if (speed == 19200) block[0] = static_cast<uint8_t>(block[0] | k19200);
  block[8] = static_cast<uint8_t>(speed == 28800 ? block[8] | k28800 : block[8] & ~k28800);
}

std::vector<SpeedStep> SpeedChangeSteps(uint16_t from, uint16_t to) {
  using enum SpeedStep;
  if (from == to) return {WriteGroup0};
  if (to == 28800) return {WriteGroup2, FollowSpeed, WriteGroup0};
  if (from == 28800) return {WriteGroup0, WriteGroup2, FollowSpeed, WriteGroup0};
  return {WriteGroup0, FollowSpeed};
}

}  // namespace sigra::app
