// Shaping a header line of the user data to the width the printer takes (40
// or 20 characters). Texts are Windows-1250, one byte per character.
#ifndef SIGRA_APP_LOGIC_HEADER_LINE_H
#define SIGRA_APP_LOGIC_HEADER_LINE_H

#include <cstddef>
#include <string>
#include <string_view>

namespace sigra::app {

// Control characters become spaces, the text is trimmed of spaces, cut to
// `width` and centred: the shorter half of the padding goes to the left. The
// result has exactly `width` characters.
std::string CentreLine(std::string_view text, size_t width);
// Control characters become spaces; the text is cut to `width` or padded on
// the right with spaces. Nothing is trimmed.
std::string FitLine(std::string_view text, size_t width);
// The text without leading and trailing spaces and control characters.
std::string TrimLine(std::string_view text);

}  // namespace sigra::app

#endif
