// What a printer keeps through a restart, in a file: its clock (as its offset
// from the host's, or erased), fiscal memory, counters, tax rates, header
// lines, day totals, fiscal mode and service settings. The open receipt, the paper and
// the printout under way are not kept.
//
// The file is text, one item a line:
//
//   sigra-emu state 1
//   type 7
//   clock host -78123456          a clock that follows the host's: the printer's
//                                 time less the host's, in seconds; a fixed
//                                 clock is "clock fixed" and its time in
//                                 seconds since 1970
//   last-shift 2024-05-17         or "none"
//   status1 03                    status byte 1 in hex (fiscal mode, data entered)
//   clock-erased 0                1 while the clock (CMOS) memory is erased
//   receipt-counter 2
//   day-totals 900 599 0 0 0 0 0  per rate A..G, in grosze
//   rates 1600...                 the rate bytes in the model's layout, in hex
//   euro-due 0
//   user-data 1 00 2020...        line number, attribute byte, text in hex
//   unique-number 414243...       in hex
//   kept-date 0 0 0 0             kind, year, month, day
//   daily-report 1 2024-05-17 3 900 599 0 0 0 0 0
//   register 30312020             register number and operator code, in hex
//   feed-lines 3
//   rounding 0
//   settings 04000000...          the configuration block, in hex
//   program-tests-left 255
//
// It is written to a temporary file beside it, flushed to the disk and then
// renamed over the old one, so that a crash leaves either the old state or
// the new one, never a torn file.
#ifndef SIGRA_EMULATOR_STATE_FILE_H
#define SIGRA_EMULATOR_STATE_FILE_H

#include <string>

#include "emulator/printer.h"

namespace sigra::emu {

std::string StateText(const Printer& printer);
// Takes over the state in `text`; std::runtime_error, naming the line, for a
// text that is not a state of a printer of this device type.
void ApplyState(Printer& printer, const std::string& text);

// Loads the state in `path` into `printer`; false when there is no such file
// (the printer stays as it is). std::runtime_error for a file that cannot be
// read or is not a state.
bool LoadStateFile(Printer& printer, const std::string& path);
// Writes `text` as the new content of `path`, atomically as described above;
// std::system_error when it cannot.
void WriteStateFile(const std::string& path, const std::string& text);

}  // namespace sigra::emu

#endif
