#include "emulator/customer_display.h"

#include <algorithm>

namespace sigra::emu {
namespace {

uint8_t Xor(std::vector<uint8_t>::const_iterator begin, std::vector<uint8_t>::const_iterator end) {
  uint8_t check = 0;
  for (auto it = begin; it != end; ++it) check ^= *it;
  return check;
}

}  // namespace

uint8_t CustomerDisplay::WriteLine(const std::vector<uint8_t>& block) {
  const size_t number = block[0];
  if (number >= kLines) return verdict::kOutOfRange;
  const auto text = block.begin() + 1;
  if (Xor(text, text + kLineWidth) != block[1 + kLineWidth]) return verdict::kBadCheckByte;
  if (awaitingDailyReport) return verdict::kReportFirst;
  std::string line(text, text + kLineWidth);
  const bool repeated = lines_[number] == line;
  lines_[number] = std::move(line);
  return repeated ? verdict::kRepeated : verdict::kStored;
}

std::optional<std::string> CustomerDisplay::Line(size_t number) const {
  return number < kLines ? lines_[number] : std::nullopt;
}

bool CustomerDisplay::EraseLines() {
  if (awaitingDailyReport) return false;
  lines_.fill(std::nullopt);
  return true;
}

uint8_t CustomerDisplay::WriteRow(const std::vector<uint8_t>& block) {
  const size_t number = block[0];
  if (number >= kRows) return verdict::kOutOfRange;
  const auto pixels = block.begin() + 1;
  if (Xor(pixels, pixels + kRowBytes) != block[1 + kRowBytes]) return verdict::kBadCheckByte;
  if (awaitingDailyReport) return verdict::kReportFirst;
  // Row 0 always begins a new image.
  if (number != 0 && number != nextRow_) return verdict::kOutOfOrder;
  std::copy(pixels, pixels + kRowBytes, incoming_[number].begin());
  nextRow_ = number + 1;
  if (nextRow_ < kRows) return verdict::kStored;
  nextRow_ = 0;
  const bool repeated = image_ == incoming_;
  image_ = incoming_;
  return repeated ? verdict::kRepeated : verdict::kStored;
}

std::optional<CustomerDisplay::Row> CustomerDisplay::ImageRow(size_t number) const {
  if (!image_ || number >= kRows) return std::nullopt;
  return (*image_)[number];
}

bool CustomerDisplay::EraseImage() {
  if (awaitingDailyReport) return false;
  image_.reset();
  nextRow_ = 0;
  return true;
}

}  // namespace sigra::emu
