#include "commands/printer_state_check.h"

#include "commands/results.h"
#include "protocol/status.h"

namespace sigra {

int32_t CheckClockAndController() {
  uint8_t status2 = 0;
  if (int32_t result = ReadStatus(kStatus2, status2); result != 0) return result;
  if ((status2 & kClockMemoryErased) != 0) return kResultClockMemoryErased;
  if ((status2 & kControllerLost) != 0) return kResultControllerLost;
  return 0;
}

}  // namespace sigra
