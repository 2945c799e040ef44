// The three advertising lines the customer display shows, numbered 0 to 2,
// 40 characters each.
#ifndef SIGRA_COMMANDS_ADVERTISING_LINES_H
#define SIGRA_COMMANDS_ADVERTISING_LINES_H

#include <cstdint>
#include <string>
#include <string_view>

namespace sigra {

// The first 40 characters of `text` (padded with spaces when shorter), in
// code page 852 unless the printer is set to Windows-1250, with their XOR as
// check byte. Refusals as BlockWriteResult gives them.
int32_t WriteAdvertisingLine(uint8_t line, std::string_view text);
// The 40 characters of a line and its flag byte (bit 0 set: the line holds
// text). Set on success only.
int32_t ReadAdvertisingLine(uint8_t line, std::string& text, uint8_t& flag);
// Erases the three lines; 235 when the earlier ones still await a daily report.
int32_t ClearAdvertisingLines();

}  // namespace sigra

#endif
