// The state a printer starts in when a tester asks for one from the command
// line: its clock memory erased, fiscal rather than training mode, receipts
// already sold in the fiscal day, a full names database, a Luno's own line
// speed, a unique number of its own.
#ifndef SIGRA_EMULATOR_START_STATE_H
#define SIGRA_EMULATOR_START_STATE_H

#include <optional>
#include <string>
#include <string_view>

#include "emulator/emulator.h"

namespace sigra::emu {

struct StartState {
  bool clockErased = false;
  bool fiscalMode = false;
  // Receipts closed in the fiscal day, each of 10,00 at rate A.
  int receiptsSold = 0;
  // Status byte 2 bit 0: the names database may be erased.
  bool namesDatabaseFull = false;
  // A Luno that hears only a host at this speed (Emulator::FixLineSpeed); 0
  // hears any.
  uint32_t lineSpeed = 0;
  // The 11 characters of the unique number its fiscal memory holds, told
  // apart from another printer's by the host; none: the emulator's own.
  std::optional<std::string> uniqueNumber{};
};

// Whether `number` may be a printer's unique number: 11 characters, capital
// letters and digits.
bool ValidUniqueNumber(std::string_view number);

// The largest count a printer's receipt counter holds.
inline constexpr int kMostReceipts = 65535;

void ApplyStartState(Emulator& printer, const StartState& state);

}  // namespace sigra::emu

#endif
