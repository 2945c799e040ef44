// Texts the printer takes in fields of a fixed number of characters.
#ifndef SIGRA_COMMANDS_FIXED_WIDTH_H
#define SIGRA_COMMANDS_FIXED_WIDTH_H

#include <cstddef>
#include <string>
#include <string_view>

namespace sigra {

// The first `width` characters of `text`, padded with spaces when it is shorter.
inline std::string FixedWidth(std::string_view text, size_t width) {
  std::string field(text.substr(0, width));
  field.resize(width, ' ');
  return field;
}

}  // namespace sigra

#endif
