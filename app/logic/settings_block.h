// The 15-byte configuration block of the Luno printers, read and written in
// five groups of three: the bits of the line speed, and the order in which a
// write changes the speed without losing the printer on the way.
#ifndef SIGRA_APP_LOGIC_SETTINGS_BLOCK_H
#define SIGRA_APP_LOGIC_SETTINGS_BLOCK_H

#include <array>
#include <cstdint>
#include <vector>

namespace sigra::app {

using SettingsBytes = std::array<uint8_t, 15>;

// Byte 8 bit 0 selects 28800 bit/s, otherwise byte 0 bit 5 19200, otherwise
// the line runs at 9600.
uint16_t BlockSpeed(const SettingsBytes& block);
// 9600 clears both bits, 19200 sets byte 0 bit 5 and clears byte 8 bit 0,
// 28800 sets byte 8 bit 0 and leaves byte 0 bit 5 as it is.
void ApplySpeed(SettingsBytes& block, uint16_t speed);

enum class SpeedStep { WriteGroup0, WriteGroup2, FollowSpeed };

// What a write does after groups 4 and 3 when the line runs at `from` and the
// block asks for `to`. The printer changes its speed once the group holding
// the deciding bit is written; the program follows it right after.
std::vector<SpeedStep> SpeedChangeSteps(uint16_t from, uint16_t to);

}  // namespace sigra::app

#endif
