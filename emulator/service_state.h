// What the printer keeps for its service commands: the register number and
// operator code, the paper fed after a printout, the rounding mode, the
// configuration block of the Luno models, the program-memory tests left, and
// the records of a control print of the names database under way and the
// state of the database itself.
#ifndef SIGRA_EMULATOR_SERVICE_STATE_H
#define SIGRA_EMULATOR_SERVICE_STATE_H

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "emulator/names_database.h"

namespace sigra::emu {

// Configuration block of 15 bytes, read and written in five groups of three.
inline constexpr size_t kSettingsGroups = 5;
inline constexpr size_t kSettingsGroupSize = 3;
using SettingsBlock = std::array<uint8_t, kSettingsGroups * kSettingsGroupSize>;

// Bytes of the block whose values the printer checks, and the bit of byte 0
// that makes the display positive.
namespace settings {
inline constexpr uint8_t kPositiveDisplay = 0x04;
inline constexpr size_t kAdvertisingDelay = 9;   // seconds, 46 to 255
inline constexpr size_t kSwitchOffMinutes = 10;  // 1 to 30
inline constexpr size_t kReceiveTimeout = 11;    // seconds, 0 (none) to 8
inline constexpr size_t kBacklight = 12;         // 0 to 16
inline constexpr size_t kContrast = 13;          // 0 to 16
inline constexpr size_t kVolume = 14;            // 0 to 16
}  // namespace settings

// A Luno as it leaves the factory: 9600 bit/s, positive display in code page
// 852, advertising after 46 s, switch-off after 30 minutes, no receive
// time-out, backlight 12, contrast 8, volume 8.
inline constexpr SettingsBlock kFactorySettings = {
    settings::kPositiveDisplay, 0, 0, 0, 0, 0, 0, 0, 0, 46, 30, 0, 12, 8, 8};

struct ServiceState {
  // Two ASCII digits, then the two characters of the operator code.
  std::array<uint8_t, 4> registerNumber = {'0', '1', ' ', ' '};
  // Lines fed after each printout.
  uint8_t feedLines = 3;
  // 0 to a grosz, 1 to ten grosze, 2 to a zloty.
  uint8_t rounding = 0;
  SettingsBlock settings = kFactorySettings;
  // The program-memory test writes to the fiscal memory, which takes it 255
  // times.
  int programTestsLeft = 255;
  // Bytes of the names-database records received since the control print
  // began; none while no control print is open.
  std::optional<std::vector<uint8_t>> namesRecords;
  NamesDatabase namesDatabase;
};

}  // namespace sigra::emu

#endif
