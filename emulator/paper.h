// The layout of the printer's paper: lines of 40 characters, texts in UTF-8.
#ifndef SIGRA_EMULATOR_PAPER_H
#define SIGRA_EMULATOR_PAPER_H

#include <algorithm>
#include <cstddef>
#include <string>

namespace sigra::emu::paper {

inline constexpr size_t kWidth = 40;

// Characters a UTF-8 text takes on paper.
inline size_t Width(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// `left` and `right` on one line, `right` flush with the edge.
inline std::string Row(const std::string& left, const std::string& right) {
  const size_t used = Width(left) + Width(right);
  return left + std::string(used < kWidth ? kWidth - used : 1, ' ') + right;
}

inline std::string Centred(const std::string& text) {
  const size_t width = Width(text);
  return std::string(width < kWidth ? (kWidth - width) / 2 : 0, ' ') + text;
}

inline std::string Rule() {
  return std::string(kWidth, '-');
}

}  // namespace sigra::emu::paper

#endif
