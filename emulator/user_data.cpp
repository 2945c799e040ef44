#include "emulator/user_data.h"

#include <algorithm>

#include "emulator/receipt.h"

namespace sigra::emu {
namespace {

constexpr size_t kNarrowWidth = 20;
constexpr size_t kWideWidth = 40;

// Centred in `width` characters.
std::string Centred(const std::string& text, size_t width) {
  const size_t left = (width - text.size()) / 2;
  return std::string(left, ' ') + text + std::string(width - text.size() - left, ' ');
}

std::string WithoutTrailingSpaces(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

}  // namespace

size_t UserDataWidth(uint8_t attributes) {
  return (attributes & UserData::kNarrow) != 0 ? kNarrowWidth : kWideWidth;
}

UserData::UserData(size_t lineCount) : lineCount_(std::min(lineCount, kMaxLines)) {
  if (lineCount_ == 0) return;
  const std::array<std::string, kMaxLines> header = {
      "SKLEP SPOZYWCZY", "ul. Polna 1", "00-950 Warszawa", "", "", ""};
  for (size_t i = 0; i + 1 < lineCount_; ++i) lines_[i] = {0, Centred(header[i], kWideWidth)};
  lines_[lineCount_ - 1] = {0, Centred("NIP 123-456-32-18", kWideWidth)};
}

std::optional<UserDataLine> UserData::Line(size_t number) const {
  if (number < 1 || number > lineCount_) return std::nullopt;
  return lines_[number - 1];
}

bool UserData::Write(size_t number, uint8_t attributes, const std::string& text, bool fiscal) {
  if (number < 1 || number > lineCount_) return false;
  // The tax number is fixed once the printer is fiscal.
  if (fiscal && number == lineCount_) return false;
  lines_[number - 1] = {attributes, text};
  return true;
}

void UserData::Clear() {
  lines_.fill(UserDataLine{0, std::string(kWideWidth, ' ')});
}

std::vector<std::string> UserData::Printout() const {
  return UserDataPrintout(
      {lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(lineCount_)});
}

std::vector<std::string> UserDataPrintout(const std::vector<UserDataLine>& lines) {
  std::vector<std::string> paper = {"WYDRUK KONTROLNY NAGŁÓWKA", std::string(kWideWidth, '-')};
  for (const UserDataLine& line : lines) {
    paper.push_back(WithoutTrailingSpaces(Utf8FromPrinterText(line.text)));
  }
  paper.push_back(std::string(kWideWidth, '-'));
  return paper;
}

}  // namespace sigra::emu
