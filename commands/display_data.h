// The image of the Luno customer display: 64 rows of 192 pixels, sent to the
// printer, read back from it and erased row by row.
#ifndef SIGRA_COMMANDS_DISPLAY_DATA_H
#define SIGRA_COMMANDS_DISPLAY_DATA_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace sigra {

inline constexpr size_t kDisplayRows = 64;
inline constexpr size_t kDisplayRowBytes = 25;
using DisplayRow = std::array<uint8_t, kDisplayRowBytes>;
using DisplayImage = std::array<DisplayRow, kDisplayRows>;

// The image to send, row 0 (top) first: bytes 0 to 23 of a row hold its
// pixels, eight to a byte, the leftmost in the most significant bit, a set bit
// black; byte 24 is the XOR of bytes 0 to 23. The bitmap loader fills it.
extern DisplayImage DisplayBitmapData;
// The image read back: bytes 1 to 24 of each row hold its pixels as above;
// byte 0 is not part of the image and keeps what it held. A read that stops
// early leaves the rows read before it.
extern DisplayImage DisplayReadbackData;

// Sends every row of DisplayBitmapData; stops at the first row the printer
// refuses (results as BlockWriteResult gives them). 224 on models other than
// the Luno ones.
int32_t WriteDisplayData();
// Fills DisplayReadbackData; 238 when the printer holds no image, 223 when it
// refuses a row.
int32_t ReadDisplayData();
// Erases the image on the printer; 235 when the earlier one still awaits a
// daily report.
int32_t ClearDisplayData();

}  // namespace sigra

#endif
