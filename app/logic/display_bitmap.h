// The customer-display image from a monochrome Windows bitmap file of 192 x 64
// pixels, and the bitmap file made of an image read back from the display.
// Plain functions over bytes, so that any file, however malformed, can be
// tried on them alone.
#ifndef SIGRA_APP_LOGIC_DISPLAY_BITMAP_H
#define SIGRA_APP_LOGIC_DISPLAY_BITMAP_H

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "commands/display_data.h"

namespace sigra::app {

// Converts the bytes of a bitmap file into `image`: row 0 the top row, a set
// bit a black pixel whichever of the two usual palettes the file has, byte 24
// of each row the XOR of its 24 pixel bytes. Returns an empty text on success;
// otherwise the operator's message (UTF-8), and `image` is left as it was.
// Nothing is read beyond the end of `file`.
std::string DecodeDisplayBitmap(std::span<const uint8_t> file, DisplayImage& image);

inline constexpr size_t kReadbackFileSize = 1598;

// The 1598-byte bitmap file of an image read back from the display (bytes 1
// to 24 of each row hold its pixels, a set bit black): the bottom row first,
// palette entry 0 black. The pixel bytes are inverted in `readback` itself,
// which then holds them as they stand in the file.
std::vector<uint8_t> ReadbackBitmapFile(DisplayImage& readback);

}  // namespace sigra::app

#endif
