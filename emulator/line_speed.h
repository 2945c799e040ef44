// The line speed a Luno's settings block selects: byte 8 bit 0 for 28800 bit/s,
// otherwise byte 0 bit 5 for 19200, otherwise 9600.
#ifndef SIGRA_EMULATOR_LINE_SPEED_H
#define SIGRA_EMULATOR_LINE_SPEED_H

#include <cstdint>

#include "emulator/service_state.h"

namespace sigra::emu {

uint32_t LineSpeed(const SettingsBlock& settings);
// Sets the bits for 9600, 19200 or 28800; false (nothing changed) for another
// speed.
bool SelectLineSpeed(SettingsBlock& settings, uint32_t baud);

}  // namespace sigra::emu

#endif
