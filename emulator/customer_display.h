// What the graphic customer display of the Luno models shows when the
// register is idle: three advertising lines of 40 characters and an image of
// 64 rows of 192 pixels. Both arrive in blocks that carry an XOR check byte;
// each block is answered by one verdict byte.
#ifndef SIGRA_EMULATOR_CUSTOMER_DISPLAY_H
#define SIGRA_EMULATOR_CUSTOMER_DISPLAY_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sigra::emu {

// Verdicts on a block of advertising text or image.
namespace verdict {
inline constexpr uint8_t kStored = 0;
inline constexpr uint8_t kOutOfRange = 108;  // "l"
inline constexpr uint8_t kBadCheckByte = 200;
inline constexpr uint8_t kOutOfOrder = 201;
inline constexpr uint8_t kRepeated = 202;
inline constexpr uint8_t kReportFirst = 203;
// The answer to an erasure the printer cannot make yet.
inline constexpr uint8_t kEraseRefused = 204;
}  // namespace verdict

class CustomerDisplay {
 public:
  static constexpr size_t kLines = 3;
  static constexpr size_t kLineWidth = 40;
  static constexpr size_t kRows = 64;
  static constexpr size_t kRowBytes = 24;
  using Row = std::array<uint8_t, kRowBytes>;

  // A line number, 40 characters and their XOR.
  uint8_t WriteLine(const std::vector<uint8_t>& block);
  // The text of a line; none when it holds none or does not exist.
  std::optional<std::string> Line(size_t number) const;
  // false (nothing erased) while earlier data awaits a daily report.
  bool EraseLines();

  // A row number, its 24 pixel bytes and their XOR. Rows go in order from 0;
  // the image changes once row 63 arrives.
  uint8_t WriteRow(const std::vector<uint8_t>& block);
  bool HasImage() const { return image_.has_value(); }
  // Row 0 to 63 of the image; none without an image or for another number.
  std::optional<Row> ImageRow(size_t number) const;
  bool EraseImage();

  // While set, the printer takes no new text or image and erases nothing:
  // the data it shows must first be printed on a daily report.
  bool awaitingDailyReport = false;

 private:
  std::array<std::optional<std::string>, kLines> lines_;
  std::optional<std::array<Row, kRows>> image_;
  // The image arriving row by row, and the row it expects next.
  std::array<Row, kRows> incoming_{};
  size_t nextRow_ = 0;
};

}  // namespace sigra::emu

#endif
