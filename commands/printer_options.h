// Values the operator sets on the printer once and reads back: the register
// number with the operator code, the paper lines fed after a printout, and the
// rounding of amounts.
#ifndef SIGRA_COMMANDS_PRINTER_OPTIONS_H
#define SIGRA_COMMANDS_PRINTER_OPTIONS_H

#include <cstdint>
#include <string_view>

namespace sigra {

// Both texts exactly two characters (215 otherwise), sent as they are; the
// printer answers them with its printer number.
int32_t WriteRegisterNumber(std::string_view number, std::string_view operatorCode);
// Lines fed after each printout: command 237 on the Luno models, 70 on the
// others.
int32_t WriteFeedLines(uint8_t lines);
// `lines` is set on success only.
int32_t ReadFeedLines(int32_t& lines);
// Rounding mode 0 (to a grosz), 1 (to ten grosze) or 2 (to a zloty), sent as
// the characters "0" to "2".
int32_t WriteRounding(uint8_t mode);
// `mode` (0 to 2) is set on success only. A printer without rounding modes
// refuses with 24.
int32_t ReadRounding(int32_t& mode);

}  // namespace sigra

#endif
