// The numbers of the printer's commands that more than one part of Sigra
// sends: the driver's commands, and the service's reads on a port where the
// printer answers but no connection opens. (The status commands are in
// status.h.)
#ifndef SIGRA_PROTOCOL_COMMAND_NUMBERS_H
#define SIGRA_PROTOCOL_COMMAND_NUMBERS_H

#include <cstdint>

namespace sigra {

// Resumes a printout stopped for lack of paper.
inline constexpr uint8_t kCmdResumePrintout = 42;
// The receipt counter of the fiscal day; on the Luno models a zero from it is
// asked again with the longer answer of kCmdLunoReceiptCounter, which begins
// with the same counter.
inline constexpr uint8_t kCmdReceiptCounter = 102;
inline constexpr uint8_t kCmdLunoReceiptCounter = 247;
// The 11 characters of the printer's unique number, which no other printer
// has.
inline constexpr uint8_t kCmdUniqueNumber = 113;
inline constexpr uint8_t kCmdDailyReportNumber = 217;
// The device type (its family) and the model's version.
inline constexpr uint8_t kCmdDeviceType = 255;
inline constexpr uint8_t kCmdDeviceVersion = 254;

}  // namespace sigra

#endif
