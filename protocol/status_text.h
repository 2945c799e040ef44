// The printer's status bytes in words: the one table of the conditions their
// bits stand for, as the lines the operator program's status window, sigractl
// and sigrad show (UTF-8) and as the names programs ask them by.
#ifndef SIGRA_PROTOCOL_STATUS_TEXT_H
#define SIGRA_PROTOCOL_STATUS_TEXT_H

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sigra {

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

// One line per condition, in the order of the bytes and their bits. Lines
// about the printing mechanism are left out while its controller does not
// answer.
std::vector<std::string> StatusLines(const StatusBytes& status);

// The bytes the printer has, in their order: 1 to count, then 8 if it has it.
std::vector<uint8_t> PresentBytes(const StatusBytes& status);

// The conditions a program asks about, by name ("paper_out", "drawer_open",
// "fiscal_mode", ...), from the same bits as the lines.
std::vector<std::pair<std::string, bool>> StatusFlags(const StatusBytes& status);

}  // namespace sigra

#endif
