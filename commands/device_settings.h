// The configuration block of the Luno printers: 15 bytes read and written in
// five groups of three.
#ifndef SIGRA_COMMANDS_DEVICE_SETTINGS_H
#define SIGRA_COMMANDS_DEVICE_SETTINGS_H

#include <cstdint>

namespace sigra {

// The three bytes of `group` (0 to 4): 215 when the printer refuses the
// group, 23 for any other refusal. The values are set on success only.
int32_t ReadSetting(uint8_t group, uint8_t& value1, uint8_t& value2, uint8_t& value3);
int32_t WriteSetting(uint8_t group, uint8_t value1, uint8_t value2, uint8_t value3);

}  // namespace sigra

#endif
