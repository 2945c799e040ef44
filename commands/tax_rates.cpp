#include "commands/tax_rates.h"

#include <algorithm>
#include <initializer_list>

#include "commands/receipt_counter.h"
#include "commands/results.h"
#include "protocol/connection.h"
#include "protocol/feedback.h"
#include "protocol/receipt_state.h"
#include "protocol/sequence.h"
#include "protocol/status.h"

namespace sigra {
namespace {

enum class Encoding { WholePercent, TwoBytes, TwoBytesWithMarkers };

struct RateLayout {
  int32_t count;
  uint8_t readCommand;
  uint8_t writeCommand;
  Encoding encoding;
  // First byte of a rate that is not defined.
  uint8_t reserveMarker;

  uint8_t BytesPerRate() const { return encoding == Encoding::WholePercent ? 1 : 2; }
  uint8_t DataLength() const { return static_cast<uint8_t>(count * BytesPerRate()); }
  // The acknowledgement and the rates.
  uint8_t AnswerLength() const { return static_cast<uint8_t>(DataLength() + 1); }
};

constexpr RateLayout kFourRates{4, 112, 68, Encoding::WholePercent, 0xFF};
constexpr RateLayout kSixRates{6, 208, 212, Encoding::TwoBytes, 0xFF};
constexpr RateLayout kSevenRates{7, 209, 213, Encoding::TwoBytesWithMarkers, 0x80};

// Two-byte markers of the seven-rate layout, and the reserve of the six-rate one.
constexpr uint32_t kSevenReserve = 0x8000;
constexpr uint32_t kSevenExempt = 0x4000;
constexpr uint32_t kSixReserve = 0xFF00;
constexpr uint8_t kWholeReserve = 0xFF;

const RateLayout& LayoutOf(uint8_t deviceType) {
  switch (deviceType) {
    case 0:
    case 4:
      return kFourRates;
    case 1:
    case 2:
    case 5:
      return kSixRates;
    default:
      return kSevenRates;
  }
}

// Reads the rates with the newest read command the printer does not refuse
// with a NAK; `layout` tells which one answered.
int32_t ReadRateAnswer(const RateLayout*& layout, Block& answer) {
  const Block data{};
  int32_t result = kResultNak;
  for (const RateLayout* candidate : {&kSevenRates, &kSixRates, &kFourRates}) {
    result = SendSequence(candidate->readCommand, candidate->AnswerLength(), 0, answer, data);
    if (result != kResultNak) {
      layout = candidate;
      break;
    }
  }
  return result;
}

uint32_t DecodeRate(const RateLayout& layout, const Block& answer, size_t k) {
  if (layout.encoding == Encoding::WholePercent) {
    return answer[k] == kWholeReserve ? kRateReserve : answer[k] * 100U;
  }
  const uint32_t value = answer[2 * k] * 256U + answer[2 * k + 1];
  if (layout.encoding == Encoding::TwoBytes) return value == kSixReserve ? kRateReserve : value;
  if (value == kSevenReserve) return kRateReserve;
  if (value == kSevenExempt) return kRateExempt;
  return value;
}

void EncodeRate(const RateLayout& layout, uint32_t rate, Block& data, size_t k) {
  if (layout.encoding == Encoding::WholePercent) {
    // Fractions of a percent are dropped; the reserve 25500 becomes 0xFF.
    data[k] = static_cast<uint8_t>(rate / 100);
    return;
  }
  uint32_t bits = rate;
  if (rate == kRateReserve) {
    bits = layout.encoding == Encoding::TwoBytes ? kSixReserve : kSevenReserve;
  } else if (rate == kRateExempt && layout.encoding == Encoding::TwoBytesWithMarkers) {
    bits = kSevenExempt;
  }
  data[2 * k] = static_cast<uint8_t>(bits >> 8);
  data[2 * k + 1] = static_cast<uint8_t>(bits);
}

}  // namespace

int32_t ReadVAT(int32_t& count, TaxRates& rates) {
  ShowProgressText("Odczyt stawek podatkowych...");
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  if (ReceiptOpen) return kResultReceiptOpen;
  const RateLayout* layout = nullptr;
  Block answer{};
  if (int32_t result = ReadRateAnswer(layout, answer); result != 0) return result;
  count = layout->count;
  for (size_t k = 0; k < static_cast<size_t>(layout->count); ++k) {
    rates[k] = DecodeRate(*layout, answer, k);
  }
  return 0;
}

int32_t SetVAT(int32_t& count, const TaxRates& rates) {
  ShowProgressText("Zapis stawek podatkowych...");
  if (int32_t result = PrintControl(kModeChecking, DeviceType); result != 0) return result;
  uint32_t counter = 0;
  if (int32_t result = ReadReceiptCounter(counter); result != 0) return result;
  if (counter != 0) return kResultReceiptCounterNotZero;
  uint32_t version = 0;
  if (int32_t result = ReadDeviceType(DeviceType, version); result != 0) return result;

  const RateLayout& layout = LayoutOf(DeviceType);
  count = layout.count;
  Block data{};
  for (size_t k = 0; k < static_cast<size_t>(layout.count); ++k) {
    EncodeRate(layout, rates[k], data, k);
  }
  Block answer{};
  if (int32_t result = SendSequence(layout.writeCommand, 1, layout.DataLength(), answer, data);
      result != 0) {
    return result;
  }
  if (int32_t result = PrintControl(kModePrinting, DeviceType); result != 0) return result;

  int32_t countRead = 0;
  TaxRates ratesRead{};
  if (int32_t result = ReadVAT(countRead, ratesRead); result != 0) return result;
  const bool same =
      countRead == count && std::equal(rates.begin(), rates.begin() + count, ratesRead.begin());
  return same ? 0 : kResultRatesNotWritten;
}

int32_t HasTaxRates(bool& defined) {
  ShowProgressText("Odczyt stawek podatkowych...");
  defined = false;
  const RateLayout* layout = nullptr;
  Block answer{};
  if (int32_t result = ReadRateAnswer(layout, answer); result != 0) return result;
  for (size_t k = 0; k < static_cast<size_t>(layout->count); ++k) {
    if (answer[k * layout->BytesPerRate()] != layout->reserveMarker) defined = true;
  }
  return defined ? 0 : kResultNoTaxRates;
}

}  // namespace sigra
