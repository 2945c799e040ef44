// The pictures the display test shows beside the customer display, so that
// the operator can compare: 192 by 64 pixels, true for a lit (dark) pixel.
#ifndef SIGRA_APP_LOGIC_TEST_PICTURES_H
#define SIGRA_APP_LOGIC_TEST_PICTURES_H

#include <array>
#include <bitset>
#include <cstddef>

namespace sigra::app {

inline constexpr size_t kPictureWidth = 192;
inline constexpr size_t kPictureHeight = 64;
using Picture = std::array<std::bitset<kPictureWidth>, kPictureHeight>;

// The word SIGRA in large letters inside a frame.
Picture SigraPicture();
// Squares of 8 by 8 pixels, the top left one lit.
Picture Checkerboard();
// Repeats every 8 rows: four rows of alternating dots, then four lit rows
// with one clear pixel in every 8.
Picture FinePattern();
// Lit and clear exchanged.
Picture Inverse(const Picture& picture);

}  // namespace sigra::app

#endif
