#include "app/logic/test_pictures.h"

#include <string_view>

namespace sigra::app {
namespace {

// Letters of 5 by 7 cells, '#' lit.
constexpr std::string_view kLetters[5][7] = {
    {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "},  // S
    {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "},  // I
    {" ####", "#    ", "#    ", "# ###", "#   #", "#   #", " ####"},  // G
    {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"},  // R
    {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"},  // A
};
constexpr size_t kCell = 6;
constexpr size_t kLetterWidth = 5 * kCell;
constexpr size_t kGap = 6;
constexpr size_t kFrame = 2;

}  // namespace

Picture SigraPicture() {
  Picture picture{};
  for (size_t y = 0; y < kPictureHeight; ++y) {
    for (size_t x = 0; x < kPictureWidth; ++x) {
      const bool frame =
          x < kFrame || y < kFrame || x >= kPictureWidth - kFrame || y >= kPictureHeight - kFrame;
      if (frame) picture[y][x] = true;
    }
  }
  constexpr size_t kTextWidth = 5 * kLetterWidth + 4 * kGap;
  constexpr size_t left = (kPictureWidth - kTextWidth) / 2;
  constexpr size_t top = (kPictureHeight - 7 * kCell) / 2;
  for (size_t letter = 0; letter < 5; ++letter) {
    const size_t x0 = left + letter * (kLetterWidth + kGap);
    for (size_t row = 0; row < 7; ++row) {
      for (size_t col = 0; col < 5; ++col) {
        if (kLetters[letter][row][col] != '#') continue;
        for (size_t dy = 0; dy < kCell; ++dy) {
          for (size_t dx = 0; dx < kCell; ++dx) {
            picture[top + row * kCell + dy][x0 + col * kCell + dx] = true;
          }
        }
      }
    }
  }
  return picture;
}

Picture Checkerboard() {
  Picture picture{};
  for (size_t y = 0; y < kPictureHeight; ++y) {
    for (size_t x = 0; x < kPictureWidth; ++x) picture[y][x] = (x / 8 + y / 8) % 2 == 0;
  }
  return picture;
}

Picture FinePattern() {
  Picture picture{};
  for (size_t y = 0; y < kPictureHeight; ++y) {
    const size_t row = y % 8;
    for (size_t x = 0; x < kPictureWidth; ++x) {
      picture[y][x] = row < 4 ? (x + row) % 2 == 0 : x % 8 != row - 4;
    }
  }
  return picture;
}

Picture Inverse(const Picture& picture) {
  Picture inverse = picture;
  for (auto& row : inverse) row.flip();
  return inverse;
}

}  // namespace sigra::app
