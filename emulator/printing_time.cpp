#include "emulator/printing_time.h"

namespace sigra::emu {

PrintingTime::PrintingTime(int linesPerSecond)
    : lineMicroseconds_(1000000 / linesPerSecond), mark_(Clock::now()) {}

int PrintingTime::For(size_t lines) const {
  return static_cast<int>(lines) * lineMicroseconds_;
}

void PrintingTime::Mark() {
  mark_ = Clock::now();
}

int PrintingTime::Passed() {
  const Clock::time_point now = Clock::now();
  const auto passed = std::chrono::duration_cast<std::chrono::microseconds>(now - mark_);
  // The part of a microsecond not counted stays for the next call.
  mark_ += passed;
  return static_cast<int>(passed.count());
}

}  // namespace sigra::emu
