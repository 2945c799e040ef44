#include "emulator/line_pacer.h"

#include <algorithm>
#include <stdexcept>

namespace sigra::emu {

LinePacer::LinePacer(int bitsPerSecond)
    : character_([bitsPerSecond] {
        if (bitsPerSecond <= 0) throw std::invalid_argument("a line rate must be positive");
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(static_cast<double>(kBitsPerCharacter) / bitsPerSecond));
      }()) {}

LinePacer::Clock::time_point LinePacer::Arrival(Clock::time_point seen) {
  std::lock_guard lock(mutex_);
  inboundFree_ = std::max(seen, inboundFree_) + character_;
  return inboundFree_;
}

LinePacer::Clock::time_point LinePacer::Departure(Clock::time_point now) {
  std::lock_guard lock(mutex_);
  outboundFree_ = std::max(now, outboundFree_) + character_;
  return outboundFree_;
}

}  // namespace sigra::emu
