// States of the printer a tester sets before or while the host talks to it:
// a printer without user data, the service jumper, the cash drawer, the
// display polarity and fiscal mode. Each changes only what its condition
// touches, as the status bytes report it.
#ifndef SIGRA_EMULATOR_TESTER_STATES_H
#define SIGRA_EMULATOR_TESTER_STATES_H

#include "emulator/printer.h"

namespace sigra::emu {

// No header entered (status byte 1 bit 1 clear) until the host writes a line.
void ClearUserData(Printer& printer);
// The service jumper in its service position (status byte 4 bit 6) or in its
// normal one.
void SetServiceJumper(Printer& printer, bool service);
// Drawer 1 standing open (status byte 4 bit 3 clear) or pushed shut.
void SetDrawerOpen(Printer& printer, bool open);
// A Luno's customer display showing light on dark (settings byte 0 bit 2
// clear) rather than dark on light.
void SetNegativeDisplay(Printer& printer, bool negative);
// Fiscal mode (status byte 1 bit 3): the tax number line is then fixed.
void SetFiscalMode(Printer& printer, bool fiscal);

}  // namespace sigra::emu

#endif
