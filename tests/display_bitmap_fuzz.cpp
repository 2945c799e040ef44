// libFuzzer target of the bitmap loader: any input either leaves the image as
// it was or gives an image whose every check byte is the XOR of its row.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "app/logic/display_bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sigra::DisplayImage image;
  for (sigra::DisplayRow& row : image) row.fill(0xA5);
  const sigra::DisplayImage before = image;
  if (!sigra::app::DecodeDisplayBitmap(std::span(data, size), image).empty()) {
    if (image != before) std::abort();
    return 0;
  }
  for (const sigra::DisplayRow& row : image) {
    uint8_t check = 0;
    for (size_t b = 0; b < 24; ++b) check ^= row[b];
    if (check != row[24]) std::abort();
  }
  return 0;
}
