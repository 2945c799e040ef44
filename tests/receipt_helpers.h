// Building expected command frames and finding them among those the printer
// received, for the tax-rate and receipt tests.
#ifndef SIGRA_TESTS_RECEIPT_HELPERS_H
#define SIGRA_TESTS_RECEIPT_HELPERS_H

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "driver_fixture.h"

namespace sigra::testing {

// ESC, the command byte and its data.
inline Frame Cmd(uint8_t command, std::initializer_list<std::vector<uint8_t>> parts = {}) {
  Frame frame = {27, command};
  for (const auto& part : parts) std::copy(part.begin(), part.end(), std::back_inserter(frame));
  return frame;
}

inline std::vector<uint8_t> Le32(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

inline std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

inline bool Contains(const Frames& frames, const Frame& frame) {
  return std::find(frames.begin(), frames.end(), frame) != frames.end();
}

// The frames of one command, in the order sent.
inline Frames FramesOf(const Frames& frames, uint8_t command) {
  Frames found;
  std::copy_if(frames.begin(), frames.end(), std::back_inserter(found),
               [command](const Frame& f) { return f.size() >= 2 && f[1] == command; });
  return found;
}

// The lines of a printout.
inline std::vector<std::string> Lines(const std::string& printout) {
  std::vector<std::string> lines;
  size_t begin = 0;
  for (size_t end; (end = printout.find('\n', begin)) != std::string::npos; begin = end + 1) {
    lines.push_back(printout.substr(begin, end - begin));
  }
  return lines;
}

// Whether a printout has a line that starts with `label` and ends with `amount`.
inline bool HasRow(const std::string& printout, const std::string& label,
                   const std::string& amount) {
  for (const std::string& line : Lines(printout)) {
    if (line.rfind(label, 0) == 0 && line.size() >= amount.size() &&
        line.compare(line.size() - amount.size(), amount.size(), amount) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace sigra::testing

#endif
