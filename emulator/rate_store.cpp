#include "emulator/rate_store.h"

#include <cstdio>
#include <stdexcept>

namespace sigra::emu {
namespace {

constexpr uint32_t kWholeReserve = 0xFF;
constexpr uint32_t kSixReserve = 0xFF00;
constexpr uint32_t kSevenReserve = 0x8000;
constexpr uint32_t kSevenExempt = 0x4000;

}  // namespace

RateStore::RateStore(int rateCount) : count_(rateCount) {
  switch (rateCount) {
    case 4:
      bytes_ = {22, 7, 0, 0xFF};
      break;
    case 6:
      bytes_ = {0x08, 0x98, 0x02, 0xBC, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00};
      break;
    case 7:
      bytes_ = {0x08, 0x98, 0x02, 0xBC, 0x00, 0x00, 0x40, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00};
      break;
    default:
      throw std::invalid_argument("a printer keeps 4, 6 or 7 tax rates");
  }
}

void RateStore::SetBytes(const std::vector<uint8_t>& bytes) {
  if (bytes.size() != bytes_.size()) throw std::invalid_argument("wrong length of tax rates");
  bytes_ = bytes;
}

uint32_t RateStore::Raw(int k) const {
  const auto at = static_cast<size_t>(k);
  if (count_ == 4) return bytes_[at];
  return bytes_[2 * at] * 256U + bytes_[2 * at + 1];
}

std::optional<uint32_t> RateStore::Percent(int k) const {
  if (k < 0 || k >= count_ || Exempt(k)) return std::nullopt;
  const uint32_t raw = Raw(k);
  switch (count_) {
    case 4:
      if (raw == kWholeReserve) return std::nullopt;
      return raw * 100;
    case 6:
      if (raw == kSixReserve) return std::nullopt;
      return raw;
    default:
      if (raw == kSevenReserve) return std::nullopt;
      return raw;
  }
}

bool RateStore::Exempt(int k) const {
  return count_ == 7 && k >= 0 && k < count_ && Raw(k) == kSevenExempt;
}

bool RateStore::AnyDefined() const {
  for (int k = 0; k < count_; ++k) {
    if (Defined(k)) return true;
  }
  return false;
}

std::string RateStore::Describe(int k) const {
  if (Exempt(k)) return "ZWOLNIONA";
  const std::optional<uint32_t> percent = Percent(k);
  if (!percent) return "REZERWA";
  char text[16];
  std::snprintf(text, sizeof text, "%u,%02u%%", *percent / 100, *percent % 100);
  return text;
}

}  // namespace sigra::emu
