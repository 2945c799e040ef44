// The state a printer starts in when a tester asks for one from the command
// line: its clock memory erased, fiscal rather than training mode, receipts
// already sold in the fiscal day.
#ifndef SIGRA_EMULATOR_START_STATE_H
#define SIGRA_EMULATOR_START_STATE_H

#include "emulator/emulator.h"

namespace sigra::emu {

struct StartState {
  bool clockErased = false;
  bool fiscalMode = false;
  // Receipts closed in the fiscal day, each of 10,00 at rate A.
  int receiptsSold = 0;
};

// The largest count a printer's receipt counter holds.
inline constexpr int kMostReceipts = 65535;

void ApplyStartState(Emulator& printer, const StartState& state);

}  // namespace sigra::emu

#endif
