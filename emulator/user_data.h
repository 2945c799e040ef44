// The user data a printer keeps: the header lines it prints at the top of
// every receipt, each with its attribute byte (bit 0: a line of 20 characters
// rather than 40; bit 1: a further print option). Text is in code page 852.
#ifndef SIGRA_EMULATOR_USER_DATA_H
#define SIGRA_EMULATOR_USER_DATA_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sigra::emu {

struct UserDataLine {
  uint8_t attributes = 0;
  std::string text;  // 20 or 40 characters, as the attribute says
};

class UserData {
 public:
  static constexpr size_t kMaxLines = 6;
  static constexpr uint8_t kNarrow = 0x01;

  // A printer with `lineCount` lines (4, or 6 on the Luno models), the last
  // of them the tax number; it comes with a header entered.
  explicit UserData(size_t lineCount);

  size_t LineCount() const { return lineCount_; }
  // Line 1 to LineCount(); none for another number.
  std::optional<UserDataLine> Line(size_t number) const;
  // Stores line `number`; false (nothing stored) for a number outside
  // 1..LineCount(), or for the tax-number line once `fiscal`.
  bool Write(size_t number, uint8_t attributes, const std::string& text, bool fiscal);
  // The header as the paper shows it, in UTF-8.
  std::vector<std::string> Printout() const;
  // Empties every line.
  void Clear();

 private:
  size_t lineCount_;
  std::array<UserDataLine, kMaxLines> lines_;
};

// Width of a line with these attributes.
size_t UserDataWidth(uint8_t attributes);
// Lines the host sends for a control print (command 51): per line an
// attribute byte and 20 or 40 characters; the header as the paper shows it.
std::vector<std::string> UserDataPrintout(const std::vector<UserDataLine>& lines);

}  // namespace sigra::emu

#endif
