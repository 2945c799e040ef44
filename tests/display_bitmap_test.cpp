// The bitmap loader and the read-back file as plain functions over bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/logic/display_bitmap.h"

namespace sigra::testing {
namespace {

using app::DecodeDisplayBitmap;

void Put(std::vector<uint8_t>& file, size_t at, uint32_t value, size_t size = 4) {
  for (size_t i = 0; i < size; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A bitmap file with its headers, a palette whose entry 0 has the blue byte
// `blue0`, and `fileRows` rows of 24 bytes each filled with `fill`.
std::vector<uint8_t> Bitmap(uint8_t blue0, uint8_t fill, int32_t width = 192, int32_t height = 64,
                            uint8_t bits = 1, uint32_t pixelOffset = 62) {
  std::vector<uint8_t> file(pixelOffset + 64 * 24, fill);
  std::fill_n(file.begin(), pixelOffset, uint8_t{0});
  file[0] = 'B';
  file[1] = 'M';
  Put(file, 2, static_cast<uint32_t>(file.size()));
  Put(file, 10, pixelOffset);
  Put(file, 14, 40);
  Put(file, 18, static_cast<uint32_t>(width));
  Put(file, 22, static_cast<uint32_t>(height));
  Put(file, 26, 1, 2);
  Put(file, 28, bits, 2);
  file[54] = file[55] = file[56] = blue0;
  file[58] = file[59] = file[60] = static_cast<uint8_t>(~blue0);
  return file;
}

DisplayImage Filled(uint8_t value) {
  DisplayImage image;
  for (DisplayRow& row : image) row.fill(value);
  return image;
}

TEST(DisplayBitmap, AllBlackGivesFullRowsWithEitherPalette) {
  DisplayRow black;
  black.fill(0xFF);
  black[24] = 0x00;
  // Entry 0 black: black pixels are 0 bits in the file and get inverted.
  DisplayImage image = Filled(0x11);
  EXPECT_EQ(DecodeDisplayBitmap(Bitmap(0, 0x00), image), "");
  for (const DisplayRow& row : image) EXPECT_EQ(row, black);
  // Entry 0 white: black pixels are 1 bits, taken as they are.
  image = Filled(0x11);
  EXPECT_EQ(DecodeDisplayBitmap(Bitmap(255, 0xFF), image), "");
  for (const DisplayRow& row : image) EXPECT_EQ(row, black);
}

TEST(DisplayBitmap, BottomRowComesFirstAndEachRowGetsItsXor) {
  std::vector<uint8_t> file = Bitmap(255, 0x00);
  std::fill_n(file.begin() + 62, 24, uint8_t{0x55});  // file row 0: the bottom row
  file[62 + 63 * 24 + 5] = 0x80;                      // file row 63: the top row
  file[62 + 10 * 24] = 0x01;
  file[62 + 10 * 24 + 23] = 0x03;
  DisplayImage image{};
  ASSERT_EQ(DecodeDisplayBitmap(file, image), "");
  EXPECT_EQ(image[63][0], 0x55);
  EXPECT_EQ(image[63][24], 0x00);
  EXPECT_EQ(image[0][5], 0x80);
  EXPECT_EQ(image[0][24], 0x80);
  EXPECT_EQ(image[53][24], 0x02);
  EXPECT_EQ(image[1][24], 0x00);
}

TEST(DisplayBitmap, RefusalsNameTheirReasonInOrderAndKeepTheImage) {
  struct Case {
    std::vector<uint8_t> file;
    const char* message;
  };
  std::vector<Case> cases;
  cases.push_back({Bitmap(0, 0, 192, 64, 4), "BITMAPA NIE JEST MONOCHROMATYCZNA"});
  cases.push_back({Bitmap(0, 0, 200, 64), "ROZMIAR BITMAPY RÓŻNY OD 192x64 (= 200x64)"});
  cases.push_back({Bitmap(0, 0, 192, -64), "ROZMIAR BITMAPY RÓŻNY OD 192x64 (= 192x-64)"});
  // Colour depth is checked before the size.
  cases.push_back({Bitmap(0, 0, 200, 64, 4), "BITMAPA NIE JEST MONOCHROMATYCZNA"});
  std::vector<uint8_t> compressed = Bitmap(0, 0, 200, 64);
  compressed[30] = 1;
  cases.push_back({compressed, "NIEPRAWIDLOWY FORMAT PLIKU (BITMAPA JEST SKOMPRESOWANA)"});
  std::vector<uint8_t> notBm = Bitmap(0, 0);
  notBm[1] = 'A';
  cases.push_back({notBm, "NIEPRAWIDLOWY FORMAT PLIKU"});
  std::vector<uint8_t> coreHeader = Bitmap(0, 0);
  coreHeader[14] = 12;
  cases.push_back({coreHeader, "NIEPRAWIDLOWY FORMAT PLIKU"});
  cases.push_back({{'B', 'M'}, "NIEPRAWIDLOWY FORMAT PLIKU"});
  cases.push_back({{}, "NIEPRAWIDLOWY FORMAT PLIKU"});
  // Pixel data said to start inside the headers, or past the end.
  cases.push_back({Bitmap(0, 0, 192, 64, 1, 62), "NIEPRAWIDLOWY FORMAT PLIKU"});
  Put(cases.back().file, 10, 20);
  cases.push_back({Bitmap(0, 0), "NIEKOMPLETNY PLIK BITMAPY"});
  Put(cases.back().file, 10, 0xFFFFFFF0);
  std::vector<uint8_t> shortByOne = Bitmap(0, 0);
  shortByOne.pop_back();
  cases.push_back({shortByOne, "NIEKOMPLETNY PLIK BITMAPY"});

  for (const Case& c : cases) {
    DisplayImage image = Filled(0x5A);
    EXPECT_EQ(DecodeDisplayBitmap(c.file, image), c.message);
    EXPECT_EQ(image, Filled(0x5A)) << c.message;
  }
}

TEST(DisplayBitmap, EveryTruncationFailsAndPixelDataMayLieBeyondByte255) {
  const std::vector<uint8_t> whole = Bitmap(0, 0x0F);
  for (size_t size = 0; size < whole.size(); ++size) {
    DisplayImage image = Filled(0x5A);
    EXPECT_NE(DecodeDisplayBitmap(std::span(whole.data(), size), image), "") << size;
    EXPECT_EQ(image, Filled(0x5A));
  }
  // Offset 300 has 44 as its low byte; only the whole offset finds the pixels.
  std::vector<uint8_t> far = Bitmap(0, 0xAA, 192, 64, 1, 300);
  DisplayImage image{};
  ASSERT_EQ(DecodeDisplayBitmap(far, image), "");
  EXPECT_EQ(image[0][0], 0x55);
  EXPECT_EQ(image[63][23], 0x55);
}

TEST(ReadbackFile, HeadersAndBottomRowFirstInverted) {
  DisplayImage readback{};
  for (DisplayRow& row : readback) row[0] = 0x99;  // not part of the image
  readback[63][1] = 0x0F;
  readback[0][24] = 0xFF;
  const std::vector<uint8_t> file = app::ReadbackBitmapFile(readback);
  ASSERT_EQ(file.size(), 1598u);
  const auto word = [&](size_t at) {
    return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | file[at + 3] << 24;
  };
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  const std::vector<std::pair<size_t, int>> fields = {{2, 1598},
                                                      {6, 0},
                                                      {10, 62},
                                                      {14, 40},
                                                      {18, 192},
                                                      {22, 64},
                                                      {26, 0x00010001} /* planes, bits per pixel */,
                                                      {30, 0},
                                                      {34, 1536},
                                                      {38, 3780},
                                                      {42, 3780},
                                                      {46, 0},
                                                      {50, 0},
                                                      {54, 0},
                                                      {58, 0x00FFFFFF}};
  for (const auto& [at, value] : fields) EXPECT_EQ(word(at), value) << "offset " << at;
  EXPECT_EQ(file[62], 0xF0);  // row 63 first
  EXPECT_EQ(file[63], 0xFF);
  EXPECT_EQ(file[1597], 0x00);  // the last byte of row 0
  EXPECT_EQ(readback[63][1], 0xF0);
  EXPECT_EQ(readback[63][0], 0x99);

  // The loader reads the file back as the image the display holds.
  DisplayImage image{};
  ASSERT_EQ(DecodeDisplayBitmap(file, image), "");
  EXPECT_EQ(image[63][0], 0x0F);
  EXPECT_EQ(image[63][24], 0x0F);
  EXPECT_EQ(image[0][23], 0xFF);
  EXPECT_EQ(image[10][3], 0x00);
}

}  // namespace
}  // namespace sigra::testing
