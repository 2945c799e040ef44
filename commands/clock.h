// The printer's clock: reading it, moving it by up to an hour while no receipt
// was issued in the fiscal day, and setting it after its memory was erased.
#ifndef SIGRA_COMMANDS_CLOCK_H
#define SIGRA_COMMANDS_CLOCK_H

#include <cstdint>
#include <functional>
#include <string>

namespace sigra {

// `date` as "2003.05.17"; `time` as "14:05:09" on the models whose clock
// answer has seconds (3, 6, 7, 8, 9), "14:05" on the others.
int32_t ReadClock(std::string& date, std::string& time);
// "03.05.17;14:05", the same short answer on every model.
int32_t ReadShortClock(std::string& text);
// Moves the clock back (`direction` 0) or forward (1) by `minutes`; 218 once a
// receipt was issued in the fiscal day.
int32_t ShiftClock(int32_t direction, int32_t minutes);

// The clock-initialisation dialog's view of a Luno printer erasing its memory
// before it takes the new clock: `begin` switches the dialog to its progress
// view, `step` advances the progress by one for each byte the printer reports.
struct ClockEraseProgress {
  std::function<void()> begin;
  std::function<void()> step;
};
// The dialog registers its view; an empty one shows nothing.
void SetClockEraseProgress(ClockEraseProgress progress);

// Sets the clock of a printer whose clock memory was erased (230 otherwise):
// `year` by its last two digits. The Luno models erase their memory first and
// report its progress byte by byte until a 0.
int32_t InitClock(uint8_t year, uint8_t month, uint8_t day, uint8_t hour, uint8_t minute,
                  uint8_t second);

}  // namespace sigra

#endif
