#include "app/logic/display_bitmap.h"

#include <algorithm>
#include <optional>

namespace sigra::app {
namespace {

constexpr int32_t kWidth = 192;
constexpr int32_t kHeight = 64;
constexpr size_t kFileRowBytes = 24;  // 192 pixels, already a multiple of 4 bytes
constexpr size_t kPaletteEntry0 = 54;
constexpr size_t kPixelData = 62;  // after the headers and the two palette entries

const std::string kBadFormat = "NIEPRAWIDLOWY FORMAT PLIKU";

std::optional<uint8_t> ByteAt(std::span<const uint8_t> file, size_t offset) {
  if (offset >= file.size()) return std::nullopt;
  return file[offset];
}

std::optional<uint32_t> WordAt(std::span<const uint8_t> file, size_t offset) {
  if (file.size() < 4 || offset > file.size() - 4) return std::nullopt;
  return static_cast<uint32_t>(file[offset]) | static_cast<uint32_t>(file[offset + 1]) << 8 |
         static_cast<uint32_t>(file[offset + 2]) << 16 |
         static_cast<uint32_t>(file[offset + 3]) << 24;
}

void PutWord(std::vector<uint8_t>& out, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) out[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::string DecodeDisplayBitmap(std::span<const uint8_t> file, DisplayImage& image) {
  if (ByteAt(file, 0) != 'B' || ByteAt(file, 1) != 'M') return kBadFormat;
  if (ByteAt(file, 14) != 40) return kBadFormat;
  const std::optional<uint8_t> bitsPerPixel = ByteAt(file, 28);
  if (!bitsPerPixel) return kBadFormat;
  if (*bitsPerPixel != 1) return "BITMAPA NIE JEST MONOCHROMATYCZNA";
  const std::optional<uint8_t> compression = ByteAt(file, 30);
  if (!compression) return kBadFormat;
  if (*compression != 0) return "NIEPRAWIDLOWY FORMAT PLIKU (BITMAPA JEST SKOMPRESOWANA)";
  const std::optional<uint32_t> width = WordAt(file, 18);
  const std::optional<uint32_t> height = WordAt(file, 22);
  if (!width || !height) return kBadFormat;
  if (*width != kWidth || *height != kHeight) {
    return "ROZMIAR BITMAPY RÓŻNY OD 192x64 (= " + std::to_string(static_cast<int32_t>(*width)) +
           "x" + std::to_string(static_cast<int32_t>(*height)) + ")";
  }
  // The whole offset counts: pixel data may lie beyond byte 255, and data said
  // to start inside the headers or past the end is no bitmap of ours.
  const std::optional<uint32_t> pixels = WordAt(file, 10);
  if (!pixels || *pixels < kPixelData) return kBadFormat;
  if (*pixels > file.size() || file.size() - *pixels < kHeight * kFileRowBytes) {
    return "NIEKOMPLETNY PLIK BITMAPY";
  }

  const uint8_t flip = file[kPaletteEntry0] == 255 ? 0x00 : 0xFF;
  DisplayImage loaded{};
  for (size_t i = 0; i < kHeight; ++i) {
    DisplayRow& row = loaded[kHeight - 1 - i];
    const auto source = file.subspan(*pixels + i * kFileRowBytes, kFileRowBytes);
    uint8_t check = 0;
    for (size_t b = 0; b < kFileRowBytes; ++b) {
      row[b] = source[b] ^ flip;
      check ^= row[b];
    }
    row[kFileRowBytes] = check;
  }
  image = loaded;
  return {};
}

std::vector<uint8_t> ReadbackBitmapFile(DisplayImage& readback) {
  std::vector<uint8_t> out(kReadbackFileSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  PutWord(out, 2, kReadbackFileSize);
  PutWord(out, 10, kPixelData);
  PutWord(out, 14, 40);
  PutWord(out, 18, kWidth);
  PutWord(out, 22, kHeight);
  out[26] = 1;  // planes
  out[28] = 1;  // bits per pixel
  PutWord(out, 34, kHeight * kFileRowBytes);
  PutWord(out, 38, 3780);
  PutWord(out, 42, 3780);
  std::fill_n(out.begin() + 58, 3, uint8_t{255});  // palette entry 1 white; entry 0 stays black
  auto at = out.begin() + kPixelData;
  for (size_t r = kHeight; r-- > 0;) {
    DisplayRow& row = readback[r];
    for (size_t b = 1; b <= kFileRowBytes; ++b) row[b] = static_cast<uint8_t>(~row[b]);
    at = std::copy(row.begin() + 1, row.end(), at);
  }
  return out;
}

}  // namespace sigra::app
