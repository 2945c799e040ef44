// The user data: the header lines the printer prints at the top of every
// receipt (shop name, address, tax number). Each line travels with an
// attribute byte: bit 0 set for a line of 20 characters (clear: 40), bit 1 for
// the option the editor calls "Wys. gen.".
#ifndef SIGRA_COMMANDS_USER_DATA_H
#define SIGRA_COMMANDS_USER_DATA_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sigra {

inline constexpr size_t kUserDataLines = 6;
// Windows-1250 texts, line 1 first.
using UserDataLines = std::array<std::string, kUserDataLines>;

// Reads lines 1 to `count` (0 to 6; 215 for more) into `lines`, each 20 or 40
// characters as its attribute says; bit i of `options` is the second attribute
// bit of line i + 1. 104 when the printer holds no user data, 224 on models
// without it. Exceptions are left to the caller.
int32_t ReadUserData(int32_t count, UserDataLines& lines, uint8_t& options);
// Line 1 to 6 with its attribute byte: the first 20 or 40 characters of
// `text` (padded with spaces when shorter). 229 when the printer refuses it.
int32_t WriteUserDataLine(uint8_t line, uint8_t attributes, std::string_view text);
// The control print of the header. With a `count` of 4 the printer prints
// the four `lines` given (a line of up to 20 characters as a 20-character
// line, a longer one as a 40-character line); with any other count it prints
// the user data it holds.
int32_t PrintUserData(int32_t count, const UserDataLines& lines);

}  // namespace sigra

#endif
