// The printer's command set as data: each command byte maps to a Command that
// says what the printer answers, how many data bytes the host sends after that
// answer, and what the printer does with them.
//
// Commands come in groups, one source file per group, each with an
// Add...Commands function declared below and called by StandardCommands. To
// add a group: write the file, declare its function here, call it from
// StandardCommands and list the file in CMakeLists.txt.
#ifndef SIGRA_EMULATOR_COMMAND_TABLE_H
#define SIGRA_EMULATOR_COMMAND_TABLE_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "emulator/device_traits.h"
#include "emulator/printer.h"

namespace sigra::emu {

using Bytes = std::vector<uint8_t>;

inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;
inline constexpr uint8_t kEsc = 0x1B;

// An acknowledgement followed by the bytes of `body`.
template <class Body>
Bytes Acknowledged(const Body& body) {
  Bytes answer(1 + body.size(), kAck);
  std::copy(body.begin(), body.end(), answer.begin() + 1);
  return answer;
}

// How many data bytes the host sends, asked again after each byte with the
// bytes received so far, so that a length byte or a terminator inside the
// data can decide it. The data is complete once the answer is no more than
// has been received.
using DataLength = std::function<size_t(const Bytes& received)>;
DataLength FixedData(size_t count);

struct Command {
  // Used in the journal; "command N" when empty.
  std::string name = {};
  // Bytes sent right after the command byte; none when empty. A first byte
  // other than ACK refuses the command: no data follows.
  std::function<Bytes(Printer&)> answer = nullptr;
  DataLength dataLength = FixedData(0);
  // Acts on the complete data and gives the bytes sent after it.
  std::function<Bytes(Printer&, const Bytes& data)> afterData = nullptr;
  // Whether the model has the command at all; a model without it answers NAK.
  // Empty: every model has it.
  std::function<bool(const DeviceTraits&)> available = nullptr;
};

class CommandTable {
 public:
  // Defines `code`, replacing an earlier definition.
  void Add(uint8_t code, Command command);
  // Null for a command the printer does not know.
  std::shared_ptr<const Command> Find(uint8_t code) const;

 private:
  std::array<std::shared_ptr<const Command>, 256> commands_;
};

// Every group below.
CommandTable StandardCommands();

// Connection check (35), device type (255) and model (254) queries.
void AddConnectionCommands(CommandTable& table);
// Status commands, the ordinary commands that read status bytes 1 to 8, and
// the resume of a printout (42).
void AddStatusCommands(CommandTable& table);
// Tax rates in the three layouts: read 112, 208, 209; write 68, 212, 213.
void AddTaxRateCommands(CommandTable& table);
// The receipt counter (102, 247), the day totals (218) and the euro query (245).
void AddFiscalDayCommands(CommandTable& table);
// The receipt: begin (33), lines (6), packages (23), subtotal (128), discount
// (27), total (7), payments (129, 130), lines after it (9), end (36), and the
// cancellation by the connection check (35), which it takes over from the
// connection group.
void AddReceiptCommands(CommandTable& table);
// Register number (67), feed lines (70, 237, 238), rounding (116, 210), the
// configuration block (222, 223, 195), the display test (50), the price-quote
// buffer (119), the program-memory test (39), the drawers (87 to 89) and the
// control print of the names database (63, its records, 81).
void AddServiceCommands(CommandTable& table);
// User data lines: write (156), read (157, 158), control prints (51, 241).
void AddUserDataCommands(CommandTable& table);
// Advertising lines (46, 56, 58) and the image (45, 47, 57) of the graphic
// customer display.
void AddCustomerDisplayCommands(CommandTable& table);
// The daily report (37) and the report number (217), the financial tax (43),
// locked article names (34), fixed descriptions (48) and printer state (38)
// reports, and the periodic reports (40, 41, 49).
void AddReportCommands(CommandTable& table);
// The clock: read (53, 64), shift (54), initialisation (52, 65), and the
// dates kept for the operator (249, 250).
void AddClockCommands(CommandTable& table);
// The unique number (113), the register number read (216) and the power-off
// (253).
void AddCounterCommands(CommandTable& table);
// The erasure of the full names database (92).
void AddNamesDatabaseCommands(CommandTable& table);
// The fiscalisation (114); the settlement report is a kind of command 49.
void AddFiscalSwitchCommands(CommandTable& table);

}  // namespace sigra::emu

#endif
