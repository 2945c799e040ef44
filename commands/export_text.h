// Texts crossing the C interface: arguments of the "p" functions and the
// caller buffers they fill.
#ifndef SIGRA_COMMANDS_EXPORT_TEXT_H
#define SIGRA_COMMANDS_EXPORT_TEXT_H

#include <cstring>
#include <string>
#include <string_view>

namespace sigra {

// A zero-terminated text argument; a null pointer is an empty text.
inline std::string_view TextOf(const char* text) {
  return text == nullptr ? std::string_view() : std::string_view(text);
}

// Gives `text` and its terminator to a caller buffer that has the room.
inline void CopyOut(const std::string& text, char* buffer) {
  std::memcpy(buffer, text.c_str(), text.size() + 1);
}

}  // namespace sigra

#endif
