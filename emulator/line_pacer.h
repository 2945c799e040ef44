// The pace of a serial line: 11 bits a character (a start bit, 8 data bits,
// the parity bit and a stop bit) at a chosen speed, each direction on a wire
// of its own. A pseudo-terminal moves bytes at once; the printer uses this to
// take them in and send them no faster than the line it stands for.
#ifndef SIGRA_EMULATOR_LINE_PACER_H
#define SIGRA_EMULATOR_LINE_PACER_H

#include <chrono>
#include <mutex>

namespace sigra::emu {

inline constexpr int kBitsPerCharacter = 11;

class LinePacer {
 public:
  using Clock = std::chrono::steady_clock;

  // std::invalid_argument unless bitsPerSecond is positive.
  explicit LinePacer(int bitsPerSecond);

  Clock::duration CharacterTime() const { return character_; }
  // When a byte the host began to send no earlier than `seen` has arrived
  // whole: a character time after it began, and after the byte before it.
  Clock::time_point Arrival(Clock::time_point seen);
  // When a byte the printer begins to send at `now` has reached the host.
  Clock::time_point Departure(Clock::time_point now);

 private:
  Clock::duration character_;
  std::mutex mutex_;
  Clock::time_point inboundFree_{};
  Clock::time_point outboundFree_{};
};

}  // namespace sigra::emu

#endif
