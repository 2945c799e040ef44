// The driver's process-wide state, put back to that of a freshly loaded
// library. The driver keeps one connection per process: the open port and
// its worker threads, the configured port, speed and timeout, the device
// type found at the opening, the operator program's port settings and the
// receipt being built. A program that needs two printers at once runs two
// processes; the tests call this between cases.
#ifndef SIGRA_COMMANDS_DRIVER_STATE_H
#define SIGRA_COMMANDS_DRIVER_STATE_H

namespace sigra {

// Closes the port without a word to the printer and forgets everything the
// connection learnt.
void ResetDriverState();

}  // namespace sigra

#endif
