#include "client/receipt.h"

#include <charconv>
#include <cstddef>
#include <cstdio>
#include <limits>

#include "client/receipt_text.h"
#include "commands/code_page.h"
#include "link/text_1250.h"

namespace sigra::sale {
namespace {

constexpr size_t kNameChars = 28;
constexpr size_t kUnitChars = 4;
constexpr size_t kPaymentNameChars = 13;
constexpr size_t kLineChars = 253;
constexpr size_t kPayments = 4;
constexpr size_t kLinesAfter = 6;
constexpr int kQuantityDecimals = 4;
constexpr int64_t kMaxAmount = std::numeric_limits<int32_t>::max();

// A decimal number with at most `maxDecimals` places after '.' or ',', as an
// integer of that many places; `decimals` receives the places written.
bool ParseDecimal(std::string_view text, int maxDecimals, int64_t& value, int& decimals) {
  value = 0;
  decimals = 0;
  bool digits = false;
  bool point = false;
  for (char c : text) {
    if ((c == '.' || c == ',') && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      if (point && ++decimals > maxDecimals) return false;
      value = value * 10 + (c - '0');
      if (value > kMaxAmount) return false;
      digits = true;
    } else {
      return false;
    }
  }
  return digits;
}

// `field` in Windows-1250, at most `chars` characters, each a character the
// printer prints as such (no control character); accents written apart are
// composed with their letters.
Error Text(std::string_view field, size_t chars, const char* what, std::string& out) {
  const std::string quoted = std::string(what) + " \"" + std::string(field) + "\"";
  for (char c : field) {
    if (static_cast<unsigned char>(c) < 0x20) return quoted + " holds a control character";
  }
  const Text1250 converted = To1250(field);
  if (converted.position != 0) {
    return quoted + " has a character Windows-1250 lacks: " + CharacterName(converted.missing) +
           " at character " + std::to_string(converted.position);
  }
  out = converted.text;
  for (char c : out) {
    if (!PrintsAsItself(static_cast<uint8_t>(c))) {
      return quoted + " has \"" + Utf8FromCp1250(std::string(1, c)) +
             "\", a character the printer cannot print";
    }
  }
  if (out.size() > chars) {
    return quoted + " is longer than " + std::to_string(chars) + " characters";
  }
  return std::nullopt;
}

Error Amount(std::string_view field, const char* what, int32_t& out) {
  if (!ParseAmount(field, out)) {
    return std::string(what) + " \"" + std::string(field) +
           "\" is not an amount in zloty with at most two decimal places that fits 21474836.47";
  }
  return std::nullopt;
}

}  // namespace

int64_t Total(const Receipt& receipt) {
  int64_t rates[8] = {};
  for (const ReceiptLine& item : receipt.items) {
    rates[item.rate] += item.voided ? -int64_t{item.value} : item.value;
  }
  int64_t total = 0;
  for (int64_t rate : rates) {
    const int64_t scaled = (100 - int64_t{receipt.discount}) * rate;
    total += scaled / 100 + (scaled % 100 > 50 ? 1 : 0);
  }
  return total;
}

bool ParseAmount(std::string_view text, int32_t& grosze) {
  int64_t value = 0;
  int decimals = 0;
  if (!ParseDecimal(text, 2, value, decimals)) return false;
  for (; decimals < 2; ++decimals) value *= 10;
  if (value > kMaxAmount) return false;
  grosze = static_cast<int32_t>(value);
  return true;
}

bool ParseInteger(std::string_view text, int32_t low, int32_t high, int32_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

std::string DecimalText(int64_t grosze) {
  const char* sign = grosze < 0 ? "-" : "";
  const int64_t magnitude = grosze < 0 ? -grosze : grosze;
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld.%02lld", sign, static_cast<long long>(magnitude / 100),
                static_cast<long long>(magnitude % 100));
  return text;
}

Error ReceiptBuilder::AddItem(bool voided, std::string_view name, std::string_view rate,
                              std::string_view quantity, std::string_view unit,
                              std::string_view price) {
  ReceiptLine item;
  item.voided = voided;
  // The printer refuses a line without a name and cancels the receipt.
  if (name.empty()) return std::string("name is empty");
  if (Error error = Text(name, kNameChars, "name", item.name)) return error;
  if (rate.size() != 1 || rate[0] < 'A' || rate[0] > 'G') {
    return "rate \"" + std::string(rate) + "\" is not one of A to G";
  }
  item.rate = static_cast<uint32_t>(rate[0] - 'A' + 1);
  int64_t count = 0;
  int decimals = 0;
  if (!ParseDecimal(quantity, kQuantityDecimals, count, decimals) || count == 0) {
    return "quantity \"" + std::string(quantity) +
           "\" is not a number above 0 with at most four decimal places that fits";
  }
  item.quantity = static_cast<int32_t>(count);
  item.decimals = decimals;
  if (Error error = Text(unit, kUnitChars, "unit", item.unit)) return error;
  if (Error error = Amount(price, "price", item.price)) return error;
  if (item.price == 0) return "price \"" + std::string(price) + "\" is not above 0";
  int64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const int64_t value = (count * item.price + scale / 2) / scale;
  if (value > kMaxAmount) {
    return "the line's value " + std::string(quantity) + " x " + std::string(price) +
           " does not fit";
  }
  item.value = static_cast<int32_t>(value);
  total_ += voided ? 0 : value;
  if (total_ > kMaxAmount) return "the receipt's total does not fit";
  receipt_.sum += voided ? -value : value;
  receipt_.items.push_back(std::move(item));
  return std::nullopt;
}

Error ReceiptBuilder::AddPayment(std::string_view number, std::string_view name,
                                 std::string_view paid, std::string_view change) {
  PaymentEntry payment;
  if (!ParseInteger(number, 1, static_cast<int32_t>(kPayments), payment.number)) {
    return "payment number \"" + std::string(number) + "\" is not 1 to 4";
  }
  for (const PaymentEntry& earlier : receipt_.payments) {
    if (earlier.number == payment.number) {
      return "payment " + std::string(number) + " is given twice";
    }
  }
  if (Error error = Text(name, kPaymentNameChars, "payment name", payment.name)) return error;
  if (Error error = Amount(paid, "paid amount", payment.paid)) return error;
  if (Error error = Amount(change, "change", payment.change)) return error;
  receipt_.payments.push_back(std::move(payment));
  return std::nullopt;
}

Error ReceiptBuilder::AddLine(std::string_view type, std::string_view text) {
  if (receipt_.lines.size() == kLinesAfter) return "more than six lines after the receipt";
  LineAfter line;
  if (!ParseInteger(type, 0, 15, line.type)) {
    return "line type \"" + std::string(type) + "\" is not 0 to 15";
  }
  if (Error error = Text(text, kLineChars, "line", line.text)) return error;
  receipt_.lines.push_back(std::move(line));
  return std::nullopt;
}

Error ReceiptBuilder::SetDiscount(std::string_view percent) {
  int32_t value = 0;
  if (!ParseInteger(percent, 0, 99, value)) {
    return std::string("discount needs a PERCENT of 0 to 99");
  }
  receipt_.discount = static_cast<uint32_t>(value);
  return std::nullopt;
}

std::variant<Receipt, std::string> ReceiptBuilder::Finish() const {
  if (receipt_.items.empty()) return std::string("the receipt has no item");
  return receipt_;
}

}  // namespace sigra::sale
