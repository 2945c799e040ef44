// The time a printout takes when the printer prints at the speed of a real
// one: a fixed number of lines a second. The printing model counts a timed
// printout in microseconds and moves it on by the time that has passed.
#ifndef SIGRA_EMULATOR_PRINTING_TIME_H
#define SIGRA_EMULATOR_PRINTING_TIME_H

#include <chrono>
#include <cstddef>

namespace sigra::emu {

inline constexpr int kLinesPerSecond = 10;

class PrintingTime {
 public:
  using Clock = std::chrono::steady_clock;

  explicit PrintingTime(int linesPerSecond = kLinesPerSecond);

  // Microseconds that `lines` printed lines take.
  int For(size_t lines) const;
  // Counts the time from now on.
  void Mark();
  // Microseconds since the last Mark or Passed; counts from now on.
  int Passed();

 private:
  int lineMicroseconds_;
  Clock::time_point mark_;
};

}  // namespace sigra::emu

#endif
