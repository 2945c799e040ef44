// The status window's description of the printer's status bytes: one text per
// condition, in the order of the bytes and their bits.
#ifndef SIGRA_APP_DIALOGS_STATUS_LINES_H
#define SIGRA_APP_DIALOGS_STATUS_LINES_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sigra::app {

struct StatusReading {
  // How many of the bytes 1 to 7 were read (4, 6 or 7).
  int32_t count = 4;
  std::array<uint8_t, 9> byte{};  // byte[1] .. byte[8]
  bool hasByte8 = false;
};

// The lines (UTF-8) for these status bytes; `deviceType` chooses the wording
// of the battery line.
std::vector<std::string> StatusLines(const StatusReading& status, uint8_t deviceType);

}  // namespace sigra::app

#endif
