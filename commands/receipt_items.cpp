#include "commands/receipt_items.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <limits>
#include <utility>

#include "commands/code_page.h"
#include "commands/results.h"
#include "commands/tax_rates.h"
#include "commands/wire_numbers.h"
#include "link/comm.h"
#include "link/comm_threads.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"
#include "protocol/feedback.h"
#include "protocol/receipt_state.h"
#include "protocol/sequence.h"
#include "protocol/status.h"
#include "protocol/wire_trace.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdEuroChangeover = 245;
constexpr uint8_t kCmdReceiptBegin = 33;
constexpr uint8_t kCmdReceiptItem = 6;
constexpr uint8_t kCmdPackageItem = 23;
constexpr uint8_t kCmdSubtotal = 128;
constexpr uint8_t kStatus4 = 150;

constexpr uint8_t kEuroChangeoverDue = 7;
constexpr size_t kUnitLength = 4;
constexpr uint8_t kItemDataLength = 49;
constexpr uint8_t kPackageDataLength = 10;

const char* const kConditionsProgress = "Sprawdzanie warunków wystawienia paragonu...";

// The status bytes the readiness checks decide on.
struct ReceiptStatus {
  uint8_t byte155 = 0;
  uint8_t byte148 = 0;
  uint8_t byte149 = 0;
  uint8_t byte150 = 0;

  uint8_t Of(uint8_t command) const {
    switch (command) {
      case kStatus1:
        return byte155;
      case kStatus2:
        return byte148;
      case kStatus3:
        return byte149;
      default:
        return byte150;
    }
  }
};

int32_t ReadReceiptStatus(ReceiptStatus& status) {
  for (auto [command, target] :
       {std::pair{kStatus1, &status.byte155}, std::pair{kStatus2, &status.byte148},
        std::pair{kStatus3, &status.byte149}, std::pair{kStatus4, &status.byte150}}) {
    if (int32_t result = ReadStatus(command, *target); result != 0) return result;
  }
  return 0;
}

// One condition that stands in the way of a receipt: a status bit found set
// (or, with `whenClear`, found clear).
struct Condition {
  uint8_t statusCommand;
  uint8_t mask;
  bool whenClear;
  int32_t result;
};

constexpr Condition kNoMakerData{kStatus1, 0x01, true, kResultNoMakerData};
constexpr Condition kNoUserData{kStatus1, 0x02, true, kResultNoUserData};
constexpr Condition kReadOnlyModule{kStatus1, 0x04, false, kResultReadOnlyFiscalModule};
constexpr Condition kDailyReportDue{kStatus2, 0x08, false, kResultDailyReportDue};
constexpr Condition kClockErased{kStatus2, 0x10, false, kResultClockMemoryErased};
constexpr Condition kNoDisplay{kStatus2, 0x40, false, kResultNoCustomerDisplay};
constexpr Condition kNoController{kStatus2, kControllerLost, false, kResultControllerLost};
constexpr Condition kFailure{kStatus3, kPrinterFailure, false, kResultPrinterFailure};
constexpr Condition kServiceJumper{kStatus4, 0x40, false, kResultServiceJumper};

// The two checks weigh the conditions in different orders.
constexpr std::array kConditionsOrder = {kNoMakerData,   kReadOnlyModule, kClockErased,
                                         kServiceJumper, kNoController,   kFailure,
                                         kNoUserData,    kNoDisplay,      kDailyReportDue};
constexpr std::array kBeginConditionsOrder = {kNoMakerData,    kClockErased, kServiceJumper,
                                              kNoController,   kFailure,     kNoUserData,
                                              kReadOnlyModule, kNoDisplay,   kDailyReportDue};

template <size_t N>
int32_t FirstCondition(const std::array<Condition, N>& order, const ReceiptStatus& status) {
  for (const Condition& condition : order) {
    const bool set = (status.Of(condition.statusCommand) & condition.mask) != 0;
    if (set != condition.whenClear) return condition.result;
  }
  return 0;
}

// The rest that both checks share: rates defined, paper, no printout pending.
int32_t CheckRatesPaperAndPrintout(const ReceiptStatus& status) {
  bool defined = false;
  if (int32_t result = HasTaxRates(defined); result != 0) return result;
  if ((status.byte149 & kNoPaper) != 0) return kResultNoPaper;
  return PrintControl(kModeChecking, DeviceType);
}

bool IsSignificant(uint8_t c) {
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  switch (c) {
    case '%':
    case ',':
    case '.':
    case '/':
    case '\\':
      return true;
    default:
      // A Polish letter is one that code page 852 writes differently.
      return ToPrinterCodePage(c) != c;
  }
}

// Rates 5, 6 and 7 have codes of their own on the wire.
uint8_t RateCode(uint32_t rate) {
  switch (rate) {
    case 5:
      return 6;
    case 6:
      return 7;
    case 7:
      return 5;
    default:
      return static_cast<uint8_t>(rate);
  }
}

std::string PadTo(std::string_view text, size_t length) {
  std::string padded(text.substr(0, std::min(text.size(), length)));
  padded.resize(std::max(padded.size(), length), ' ');
  return padded;
}

}  // namespace

bool HasExtendedReceipt(uint8_t deviceType) {
  return IsSigra2LunoOrOther(deviceType);
}

int32_t CheckReceiptNotCancelled() {
  uint8_t status3 = 0;
  if (int32_t result = ReadStatus(kStatus3, status3); result != 0) return result;
  if ((status3 & kReceiptCancelled) == 0) return 0;
  ReceiptOpen = false;
  return kResultReceiptCancelled;
}

int32_t ReceiptConditions() {
  ShowProgressText(kConditionsProgress);
  if (int32_t result = EnsureConnection(false); result != 0) return result;
  if (ReceiptOpen) return kResultReceiptOpen;
  uint32_t version = 0;
  if (int32_t result = ReadDeviceType(DeviceType, version); result != 0) return result;
  if (IsLuno(DeviceType)) {
    Block answer{};
    const Block data{};
    if (int32_t result = SendSequence(kCmdEuroChangeover, 2, 0, answer, data); result != 0) {
      return result;
    }
    if (answer[0] == kEuroChangeoverDue) return kResultEuroChangeoverDue;
  }
  ReceiptStatus status;
  if (int32_t result = ReadReceiptStatus(status); result != 0) return result;
  if (int32_t result = FirstCondition(kConditionsOrder, status); result != 0) return result;
  return CheckRatesPaperAndPrintout(status);
}

int32_t CheckReceiptBeginConditions() {
  ShowProgressText(kConditionsProgress);
  if (int32_t result = EnsureConnection(false); result != 0) return result;
  if (ReceiptOpen) return kResultReceiptOpen;
  ReceiptStatus status;
  if (int32_t result = ReadReceiptStatus(status); result != 0) return result;
  if (int32_t result = FirstCondition(kBeginConditionsOrder, status); result != 0) return result;
  return CheckRatesPaperAndPrintout(status);
}

int32_t ReceiptBegin() {
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  if (ReceiptOpen) return kResultReceiptOpen;
  ReceiptItemCount = 0;
  if (int32_t result = CheckReceiptBeginConditions(); result != 0) return result;
  link::PurgePrinterPort();
  Block answer{};
  const Block data{};
  if (int32_t result = SendSequence(kCmdReceiptBegin, 1, 0, answer, data); result != 0) {
    return result;
  }
  ReceiptOpen = true;
  RateTotals.fill(0);
  return 0;
}

int32_t CharsInArticleName(std::string_view name) {
  const std::string padded = PadTo(name, kArticleNameLength);
  return static_cast<int32_t>(std::count_if(
      padded.begin(), padded.end(), [](char c) { return IsSignificant(static_cast<uint8_t>(c)); }));
}

int32_t PrepareArticleName(std::string_view text, std::string& padded) {
  constexpr size_t kScanned = 254;
  text = text.substr(0, std::min({text.find('\0'), text.size(), kScanned}));
  padded = PadTo(text, kArticleNameLength);
  const bool shortNamesAllowed = IsSigra2LunoOrOther(DeviceType);
  const int32_t needed = shortNamesAllowed ? 5 : 10;
  return CharsInArticleName(padded) >= needed ? 0 : kResultTooFewSignificant;
}

int32_t ItemValue(int32_t quantity, int32_t decimals, int32_t price, int32_t& value) {
  if (decimals < 0 || decimals > 4) return kResultDecimalsOutOfRange;
  int64_t divisor = 1;
  for (int32_t i = 0; i < decimals; ++i) divisor *= 10;
  const int64_t product = int64_t{quantity} * price;
  if (product < 0) return kResultItemValueTooLarge;
  const int64_t rounded = product / divisor + (product % divisor * 2 >= divisor ? 1 : 0);
  if (rounded > std::numeric_limits<int32_t>::max()) return kResultItemValueTooLarge;
  value = static_cast<int32_t>(rounded);
  return 0;
}

int32_t ReceiptItem(int32_t sale, std::string_view name, uint32_t rate, int32_t message,
                    int32_t quantity, int32_t decimals, std::string_view unit, int32_t price,
                    int32_t& value) {
  if (int32_t result = EnsureConnection(false); result != 0) return result;
  if (!ReceiptOpen) return kResultReceiptNotOpen;
  if (int32_t result = CheckReceiptNotCancelled(); result != 0) return result;
  // The printer judges the name itself; a weak one is sent all the same.
  std::string paddedName;
  PrepareArticleName(name, paddedName);
  if (value == 0) {
    if (int32_t result = ItemValue(quantity, decimals, price, value); result != 0) return result;
  }

  Block data{};
  data[0] = sale == 1 ? ' ' : '-';
  const std::string printerName = ToPrinterCodePage(paddedName);
  std::copy(printerName.begin(), printerName.end(), data.begin() + 1);
  data[29] = static_cast<uint8_t>('0' + message);
  PutUInt32LE(data, 30, static_cast<uint32_t>(quantity));
  data[34] = static_cast<uint8_t>(decimals);
  const std::string paddedUnit = PadTo(unit, kUnitLength);
  std::copy(paddedUnit.begin(), paddedUnit.end(), data.begin() + 35);
  PutUInt32LE(data, 39, static_cast<uint32_t>(price));
  data[43] = kEsc;
  data[44] = RateCode(rate);
  PutUInt32LE(data, 45, static_cast<uint32_t>(value));
  Block answer{};
  if (int32_t result = SendSequence(kCmdReceiptItem, 0, kItemDataLength, answer, data);
      result != 0) {
    return result;
  }

  if (rate >= 1 && rate <= 7) {
    // Wrapping 32-bit sums, as the printer keeps them.
    auto& total = RateTotals[rate - 1];
    const auto amount = static_cast<uint32_t>(value);
    const auto current = static_cast<uint32_t>(total);
    total = static_cast<int32_t>(sale == 1 ? current + amount : current - amount);
  }
  // Held at 255 rather than wrapping to 0: a count of 0 tells the closing that
  // the receipt has no lines.
  if (ReceiptItemCount < std::numeric_limits<uint8_t>::max()) ++ReceiptItemCount;
  return 0;
}

int32_t PackageItem(int32_t param, uint16_t number, uint16_t quantity, int32_t amount) {
  if (int32_t result = EnsureConnection(false); result != 0) return result;
  if (!ReceiptOpen) return kResultReceiptNotOpen;
  if (!HasExtendedReceipt(DeviceType)) return kResultCommandUnavailable;
  if (int32_t result = CheckReceiptNotCancelled(); result != 0) return result;
  if (param < 0 || param > 3) return kResultPackageParamOutOfRange;

  Block data{};
  data[0] = param < 2 ? ' ' : '-';
  data[1] = param % 2 == 0 ? 'S' : 'Z';
  PutUInt16LE(data, 2, number);
  PutUInt16LE(data, 4, quantity);
  PutUInt32LE(data, 6, static_cast<uint32_t>(amount));
  Block answer{};
  if (int32_t result = SendSequence(kCmdPackageItem, 0, kPackageDataLength, answer, data);
      result != 0) {
    return result;
  }
  uint8_t acknowledgement = 0;
  link::ReceiveByte(acknowledgement);
  if (link::IsTransferFailed()) return kResultReceiveTimeout;
  trace::ReceivedAfter(acknowledgement);
  return acknowledgement == kAck ? 0 : kResultNak;
}

int32_t PrintSubtotal() {
  if (int32_t result = EnsureConnection(false); result != 0) return result;
  if (!ReceiptOpen) return kResultReceiptNotOpen;
  if (!HasExtendedReceipt(DeviceType)) return kResultCommandUnavailable;
  Block answer{};
  const Block data{};
  return SendSequence(kCmdSubtotal, 0, 0, answer, data);
}

}  // namespace sigra
