// The status bytes in words: the lines the operator program's status window
// shows for them, in UTF-8.
#ifndef SIGRA_CLIENT_STATUS_LINES_H
#define SIGRA_CLIENT_STATUS_LINES_H

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sigractl {

struct StatusBytes {
  // Bytes 1 to 8 at positions 0 to 7.
  std::array<uint8_t, 8> bytes{};
  // How many of bytes 1 to 7 the printer has: 4, 6 or 7.
  int count = 4;
  bool hasByte8 = false;
  // The second-generation Sigra and the Sigra F name the clock's battery in
  // the low-battery line.
  bool clockBattery = false;
};

std::vector<std::string> StatusLines(const StatusBytes& status);

// The bytes the printer has, in their order: 1 to count, then 8 if it has it.
std::vector<uint8_t> PresentBytes(const StatusBytes& status);

// The conditions a program asks about, by name ("paper_out", "drawer_open",
// "fiscal_mode", ...), from the same bits as the lines.
std::vector<std::pair<std::string, bool>> StatusFlags(const StatusBytes& status);

// Reads the status bytes the printer has with RSSequence on the open port
// (none waits for a printout): 0, or the result code with the step that
// gave it.
int32_t ReadStatusBytes(StatusBytes& status, std::string& step);

}  // namespace sigractl

#endif
