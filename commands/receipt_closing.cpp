#include "commands/receipt_closing.h"

#include <algorithm>
#include <array>
#include <string>

#include "commands/code_page.h"
#include "commands/command_steps.h"
#include "commands/receipt_items.h"
#include "commands/results.h"
#include "commands/tax_rates.h"
#include "commands/wire_numbers.h"
#include "protocol/connection.h"
#include "protocol/receipt_state.h"
#include "protocol/sequence.h"
#include "protocol/status.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdDiscount = 27;
constexpr uint8_t kCmdTotal = 7;
constexpr uint8_t kCmdPaymentFirst = 129;
constexpr uint8_t kCmdPaymentSecond = 130;
constexpr uint8_t kCmdLineAfterReceipt = 9;
constexpr uint8_t kCmdReceiptEnd = 36;
constexpr uint8_t kCmdReceiptCancel = 35;
constexpr uint8_t kCmdDayTotals = 218;

constexpr size_t kPaymentNameLength = 13;
constexpr uint8_t kPaymentDataLength = 18;
constexpr uint32_t kHighestLineType = 15;
constexpr uint8_t kLineFeed = 10;
constexpr size_t kRateTotalBytes = 5;

int32_t Send(uint8_t command, uint8_t dataLength, const Block& data) {
  Block answer{};
  return SendSequence(command, 0, dataLength, answer, data);
}

int32_t SendTotal(uint32_t total) {
  Block data{};
  PutUInt32LE(data, 0, total);
  return Send(kCmdTotal, 4, data);
}

// Sends the filled payment entries, emptying each once both its amounts went.
int32_t SendPayments() {
  for (size_t i = 0; i < PaymentTable.size(); ++i) {
    PaymentEntry& entry = PaymentTable[i];
    if (entry.name.empty()) continue;
    Block data{};
    data[0] = static_cast<uint8_t>(i + 1);
    const std::string name = ToPrinterCodePage(entry.name);
    std::copy(name.begin(), name.end(), data.begin() + 1);
    PutUInt32LE(data, 14, static_cast<uint32_t>(entry.firstAmount));
    if (int32_t result = Send(kCmdPaymentFirst, kPaymentDataLength, data); result != 0) {
      return result;
    }
    PutUInt32LE(data, 14, static_cast<uint32_t>(entry.secondAmount));
    if (int32_t result = Send(kCmdPaymentSecond, kPaymentDataLength, data); result != 0) {
      return result;
    }
    entry = PaymentEntry{};
  }
  return 0;
}

int32_t SendLinesAfterReceipt() {
  for (AfterReceiptLine& line : LinesAfterReceipt) {
    if (line.lineType == kFreeLine) continue;
    Block data{};
    data[0] = static_cast<uint8_t>('0' + line.lineType);
    const std::string text = ToPrinterCodePage(line.text);
    std::copy(text.begin(), text.end(), data.begin() + 1);
    data[text.size() + 1] = kLineFeed;
    if (int32_t result = Send(kCmdLineAfterReceipt, static_cast<uint8_t>(text.size() + 2), data);
        result != 0) {
      return result;
    }
    line = AfterReceiptLine{};
  }
  return 0;
}

// The opening shared by both total reads: no receipt open, a model that keeps
// day totals (the second generation).
int32_t BeginTotalRead() {
  if (int32_t result = EnsureConnection(false); result != 0) return result;
  if (ReceiptOpen) return kResultReceiptOpen;
  uint32_t version = 0;
  if (int32_t result = ReadDeviceType(DeviceType, version); result != 0) return result;
  return IsSecondGeneration(DeviceType) ? 0 : kResultNotOnThisDevice;
}

// The seven 40-bit day totals of rates A to G.
int32_t ReadDayTotals(std::array<uint64_t, 7>& totals) {
  Block answer{};
  const Block data{};
  if (int32_t result = SendSequence(kCmdDayTotals, 36, 0, answer, data); result != 0) {
    return result;
  }
  for (size_t k = 0; k < totals.size(); ++k) {
    totals[k] = GetUIntLE(answer, k * kRateTotalBytes, kRateTotalBytes);
  }
  return 0;
}

uint64_t Sum(const std::array<uint64_t, 7>& totals) {
  uint64_t sum = 0;
  for (uint64_t total : totals) sum += total;
  return sum;
}

}  // namespace

int32_t FillPayment(int32_t number, std::string_view name, int32_t firstAmount,
                    int32_t secondAmount) {
  if (number < 1 || number > static_cast<int32_t>(PaymentTable.size())) {
    return kResultParameterOutOfRange;
  }
  // A negative amount would print as a negative payment or change.
  if (firstAmount < 0 || secondAmount < 0) return kResultParameterOutOfRange;
  PaymentEntry& entry = PaymentTable[static_cast<size_t>(number - 1)];
  entry.name = name.substr(0, std::min(name.size(), kPaymentNameLength));
  entry.name.resize(kPaymentNameLength, ' ');
  entry.firstAmount = firstAmount;
  entry.secondAmount = secondAmount;
  return 0;
}

void ErasePayments() {
  PaymentTable.fill(PaymentEntry{});
}

int32_t FillLines(uint32_t lineType, std::string_view text, int32_t& freeLines) {
  text = text.substr(0, std::min({text.find('\0'), text.size(), kAfterReceiptTextLength}));
  if (lineType > kHighestLineType) return kResultParameterOutOfRange;
  freeLines = static_cast<int32_t>(
      std::count_if(LinesAfterReceipt.begin(), LinesAfterReceipt.end(),
                    [](const AfterReceiptLine& line) { return line.lineType == kFreeLine; }));
  if (freeLines == 0) return kResultAllLinesTaken;
  auto entry =
      std::find_if(LinesAfterReceipt.begin(), LinesAfterReceipt.end(),
                   [](const AfterReceiptLine& line) { return line.lineType == kFreeLine; });
  entry->lineType = static_cast<uint8_t>(lineType);
  entry->text = std::string(text);
  --freeLines;
  return 0;
}

void EraseLines() {
  LinesAfterReceipt.fill(AfterReceiptLine{});
}

uint32_t DiscountedTotal(uint32_t discount) {
  uint32_t total = 0;
  for (int32_t rateTotal : RateTotals) {
    // Exact arithmetic: a share rounds up only when more than half a unit is
    // left over, so 90 % of 1005 (904.5) is 904.
    const uint64_t scaled = uint64_t{100 - discount} * static_cast<uint32_t>(rateTotal);
    const uint64_t share = scaled / 100 + (scaled % 100 > 50 ? 1 : 0);
    total += static_cast<uint32_t>(share);
  }
  return total;
}

int32_t ReceiptEnd(uint32_t discount) {
  if (int32_t result = EnsureConnection(false); result != 0) return result;
  if (!ReceiptOpen) return kResultReceiptNotOpen;
  if (int32_t result = CheckReceiptNotCancelled(); result != 0) return result;
  if (discount >= 1 && discount <= 99) {
    Block data{};
    data[0] = static_cast<uint8_t>(discount);
    if (int32_t result = Send(kCmdDiscount, 1, data); result != 0) return result;
  } else {
    discount = 0;
  }
  if (int32_t result = CheckReceiptNotCancelled(); result != 0) return result;
  if (int32_t result = SendTotal(DiscountedTotal(discount)); result != 0) return result;
  if (int32_t result = CheckReceiptNotCancelled(); result != 0) return result;
  if (HasExtendedReceipt(DeviceType)) {
    if (int32_t result = SendPayments(); result != 0) return result;
  }
  if (int32_t result = SendLinesAfterReceipt(); result != 0) return result;
  if (int32_t result = CheckReceiptNotCancelled(); result != 0) return result;

  Block answer{};
  const Block none{};
  if (int32_t result = SendSequence(kCmdReceiptEnd, 1, 0, answer, none); result != 0) {
    if (result != kResultNak) return result;
    // A refused closing ends the receipt unprinted; the printer refuses one
    // without lines and that is no failure, unless it reports the receipt
    // cancelled.
    const bool hadLines = ReceiptItemCount != 0;
    ClearReceiptBuildingState();
    if (int32_t cancelled = CheckReceiptNotCancelled(); cancelled != 0) return cancelled;
    return hadLines ? result : 0;
  }
  uint8_t status3 = 0;
  if (int32_t result = ReadStatus(kStatus3, status3); result != 0) return result;
  ReceiptOpen = false;
  if ((status3 & kReceiptCancelled) != 0) {
    ClearReceiptBuildingState();
    PrintControl(kModePrinting, DeviceType);
    return kResultReceiptCancelled;
  }
  ReceiptItemCount = 0;
  return PrintControl(kModePrinting, DeviceType);
}

int32_t ReceiptCancel() {
  if (int32_t result = EnsureConnection(false); result != 0) return result;
  if (!ReceiptOpen) return kResultReceiptNotOpen;
  if (int32_t result = CheckReceiptNotCancelled(); result != 0) return result;
  uint32_t total = 0;
  for (int32_t rateTotal : RateTotals) total += static_cast<uint32_t>(rateTotal);
  if (int32_t result = SendTotal(total); result != 0) return result;
  Block answer{};
  const Block none{};
  const int32_t result = SendSequence(kCmdReceiptCancel, 1, 0, answer, none);
  if (result != 0 && !(result == kResultNak && ReceiptItemCount == 0)) return result;
  ClearReceiptBuildingState();
  return PrintControl(kModePrinting, DeviceType);
}

int32_t ReadTotal(std::string& total) {
  if (int32_t result = BeginTotalRead(); result != 0) return result;
  bool defined = false;
  if (int32_t result = HasTaxRates(defined); result != 0) return result;
  std::array<uint64_t, 7> totals{};
  if (int32_t result = ReadDayTotals(totals); result != 0) return result;
  total = std::to_string(Sum(totals));
  return 0;
}

int32_t ReadSelTotal(std::string_view selection, std::string& total) {
  if (int32_t result = BeginTotalRead(); result != 0) return result;
  int32_t count = 0;
  // Rates the printer does not report count as not defined.
  TaxRates rates;
  rates.fill(kRateReserve);
  if (int32_t result = ReadVAT(count, rates); result != 0) return result;
  const bool isRate = selection.size() == 1 && selection[0] >= 'A' && selection[0] <= 'G';
  const size_t rate = isRate ? static_cast<size_t>(selection[0] - 'A') : 0;
  if (isRate && rates[rate] == kRateReserve) return kResultRateUndefined;
  std::array<uint64_t, 7> totals{};
  if (int32_t result = ReadDayTotals(totals); result != 0) return result;
  if (isRate) {
    total = std::to_string(totals[rate]);
  } else if (selection == "+") {
    total = std::to_string(Sum(totals));
  } else {
    return kResultSelectionOutOfRange;
  }
  return 0;
}

}  // namespace sigra
