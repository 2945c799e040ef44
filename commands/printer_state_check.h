// The check of status byte 2 that the service and transfer commands make
// before they change or print anything.
#ifndef SIGRA_COMMANDS_PRINTER_STATE_CHECK_H
#define SIGRA_COMMANDS_PRINTER_STATE_CHECK_H

#include <cstdint>

namespace sigra {

// Reads status byte 2 (command 148): 107 when the clock memory is erased,
// otherwise 102 when the printer controller does not answer, otherwise 0; a
// failed reading gives its result.
int32_t CheckClockAndController();

}  // namespace sigra

#endif
