// The check of a Polish tax number (NIP) written into a header line: the
// word "NIP" must be there and the ten digits must carry the right check
// digit. The text is Windows-1250; digits may be separated by anything.
#ifndef SIGRA_APP_LOGIC_NIP_CHECK_H
#define SIGRA_APP_LOGIC_NIP_CHECK_H

#include <string_view>

namespace sigra::app {

inline constexpr int kNipValid = 0;
// Not ten digits, or a wrong check digit.
inline constexpr int kNipBadChecksum = 1;
inline constexpr int kNipNoDigits = 2;
inline constexpr int kNipNoWord = 3;

// kNipValid or the reason the text is not a valid tax number line.
int NipCheck(std::string_view text);

}  // namespace sigra::app

#endif
