// The printer's status bytes read through the driver's exported functions, as
// a till reaches the printer: the bytes the printer has, and whether its low-
// battery line names the clock's battery.
#ifndef SIGRA_CLIENT_STATUS_BYTES_H
#define SIGRA_CLIENT_STATUS_BYTES_H

#include <cstdint>
#include <string>

#include "protocol/status_text.h"

namespace sigractl {

using sigra::PresentBytes;
using sigra::StatusBytes;
using sigra::StatusFlags;
using sigra::StatusLines;

// Reads the status bytes the printer has with RSSequence on the open port
// (none waits for a printout): 0, or the result code with the step that
// gave it.
int32_t ReadStatusBytes(StatusBytes& status, std::string& step);

}  // namespace sigractl

#endif
