// The paper fed out after each printout, and the remote power-off.
#ifndef SIGRA_COMMANDS_FEED_AND_POWER_H
#define SIGRA_COMMANDS_FEED_AND_POWER_H

#include <cstdint>

namespace sigra {

// Lines fed after a printout; the low byte of `lines` is sent.
int32_t WriteLineFeed(int32_t lines);
// Switches the printer off.
int32_t PowerOff();

}  // namespace sigra

#endif
