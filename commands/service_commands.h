// Service operations of the printer: the customer-display test, clearing the
// pharmacy price-quote buffer, the program-memory test printout, the lock
// state of the register and opening a cash drawer.
#ifndef SIGRA_COMMANDS_SERVICE_COMMANDS_H
#define SIGRA_COMMANDS_SERVICE_COMMANDS_H

#include <cstdint>

namespace sigra {

// One step of the display test (0 to 4; the printer decides what each shows).
int32_t DisplayTest(uint8_t step);
int32_t ClearPriceBuffer();
// Prints the test of the program memory and waits for the printout.
int32_t EpromTest();
// The two lock-state bytes: `first` of status command 94, `second` of 96 (the
// reasons a Luno register is locked). Set on success only.
int32_t ReadLockState(uint8_t& first, uint8_t& second);
// Drawer 1 to 3; 212 for any other number.
int32_t OpenDrawer(int32_t drawerNumber);

}  // namespace sigra

#endif
