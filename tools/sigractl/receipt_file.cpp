#include "tools/sigractl/receipt_file.h"

#include <charconv>
#include <cstddef>
#include <limits>
#include <optional>

#include "link/text_1250.h"

namespace sigractl {
namespace {

constexpr size_t kNameChars = 28;
constexpr size_t kUnitChars = 4;
constexpr size_t kPaymentNameChars = 13;
constexpr size_t kLineChars = 253;
constexpr size_t kPayments = 4;
constexpr size_t kLinesAfter = 6;
constexpr int kQuantityDecimals = 4;
constexpr int64_t kMaxAmount = std::numeric_limits<int32_t>::max();

struct Fields {
  std::vector<std::string> values;
  std::optional<std::string> error;
};

// Splits a line into fields; a quoted field may hold spaces, \" and \\.
Fields Split(std::string_view line) {
  Fields fields;
  size_t i = 0;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size() || line[i] == '#') return fields;
    std::string field;
    if (line[i] == '"') {
      for (++i;; ++i) {
        if (i == line.size()) {
          fields.error = "a quoted text has no closing \"";
          return fields;
        }
        if (line[i] == '"') break;
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
          ++i;
        }
        field += line[i];
      }
      ++i;
      if (i < line.size() && line[i] != ' ' && line[i] != '\t') {
        fields.error = "a quoted text must be followed by a space";
        return fields;
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') field += line[i++];
    }
    fields.values.push_back(std::move(field));
  }
}

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

bool ParseInteger(std::string_view text, int32_t low, int32_t high, int32_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

class Parser {
 public:
  std::variant<ReceiptFile, ParseError> Run(std::string_view text) {
    size_t number = 0;
    while (!text.empty()) {
      const size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++number;
      if (std::optional<std::string> error = Entry(line)) {
        return ParseError{"line " + std::to_string(number) + ": " + *error};
      }
    }
    if (receipt_.items.empty()) return ParseError{"the receipt has no item"};
    return receipt_;
  }

 private:
  std::optional<std::string> Entry(std::string_view line) {
    Fields fields = Split(line);
    if (fields.error) return fields.error;
    const std::vector<std::string>& f = fields.values;
    if (f.empty()) return std::nullopt;
    const std::string& kind = f[0];
    if (kind == "item" || kind == "void") return Item(f, kind == "void");
    if (kind == "payment") return Payment(f);
    if (kind == "line") return Line(f);
    if (kind == "discount") return Discount(f);
    return "unknown entry \"" + kind + "\" (item, void, payment, line or discount)";
  }

  // `field` in Windows-1250, at most `chars` characters.
  std::optional<std::string> Text(const std::string& field, size_t chars, const char* what,
                                  std::string& out) {
    out = sigra::Cp1250FromUtf8(field);
    if (sigra::Utf8FromCp1250(out) != field) {
      return std::string(what) + " \"" + field + "\" has a character Windows-1250 lacks";
    }
    if (out.size() > chars) {
      return std::string(what) + " \"" + field + "\" is longer than " + std::to_string(chars) +
             " characters";
    }
    return std::nullopt;
  }

  std::optional<std::string> Amount(const std::string& field, const char* what, int32_t& out) {
    if (!ParseAmount(field, out)) {
      return std::string(what) + " \"" + field +
             "\" is not an amount in zloty with at most two decimal places that fits 21474836.47";
    }
    return std::nullopt;
  }

  std::optional<std::string> Item(const std::vector<std::string>& f, bool voided) {
    if (f.size() != 6) return f[0] + " needs NAME RATE QUANTITY UNIT PRICE";
    ReceiptLine item;
    item.voided = voided;
    if (auto error = Text(f[1], kNameChars, "name", item.name)) return error;
    if (f[2].size() != 1 || f[2][0] < 'A' || f[2][0] > 'G') {
      return "rate \"" + f[2] + "\" is not one of A to G";
    }
    item.rate = static_cast<uint32_t>(f[2][0] - 'A' + 1);
    int64_t quantity = 0;
    int decimals = 0;
    if (!ParseDecimal(f[3], kQuantityDecimals, quantity, decimals) || quantity == 0) {
      return "quantity \"" + f[3] +
             "\" is not a number above 0 with at most four decimal places that fits";
    }
    item.quantity = static_cast<int32_t>(quantity);
    item.decimals = decimals;
    if (auto error = Text(f[4], kUnitChars, "unit", item.unit)) return error;
    if (auto error = Amount(f[5], "price", item.price)) return error;
    int64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const int64_t value = (quantity * item.price + scale / 2) / scale;
    if (value > kMaxAmount) return "the line's value " + f[3] + " x " + f[5] + " does not fit";
    item.value = static_cast<int32_t>(value);
    total_ += voided ? 0 : value;
    if (total_ > kMaxAmount) return "the receipt's total does not fit";
    receipt_.items.push_back(std::move(item));
    return std::nullopt;
  }

  std::optional<std::string> Payment(const std::vector<std::string>& f) {
    if (f.size() != 5) return "payment needs N NAME PAID CHANGE";
    PaymentEntry payment;
    if (!ParseInteger(f[1], 1, static_cast<int32_t>(kPayments), payment.number)) {
      return "payment number \"" + f[1] + "\" is not 1 to 4";
    }
    for (const PaymentEntry& earlier : receipt_.payments) {
      if (earlier.number == payment.number) return "payment " + f[1] + " is given twice";
    }
    if (auto error = Text(f[2], kPaymentNameChars, "payment name", payment.name)) return error;
    if (auto error = Amount(f[3], "paid amount", payment.paid)) return error;
    if (auto error = Amount(f[4], "change", payment.change)) return error;
    receipt_.payments.push_back(std::move(payment));
    return std::nullopt;
  }

  std::optional<std::string> Line(const std::vector<std::string>& f) {
    if (f.size() != 3) return "line needs TYPE TEXT";
    if (receipt_.lines.size() == kLinesAfter) return "more than six lines after the receipt";
    LineAfter line;
    if (!ParseInteger(f[1], 0, 15, line.type)) return "line type \"" + f[1] + "\" is not 0 to 15";
    if (auto error = Text(f[2], kLineChars, "line", line.text)) return error;
    receipt_.lines.push_back(std::move(line));
    return std::nullopt;
  }

  std::optional<std::string> Discount(const std::vector<std::string>& f) {
    int32_t percent = 0;
    if (f.size() != 2 || !ParseInteger(f[1], 0, 99, percent)) {
      return "discount needs a PERCENT of 0 to 99";
    }
    receipt_.discount = static_cast<uint32_t>(percent);
    return std::nullopt;
  }

  ReceiptFile receipt_;
  int64_t total_ = 0;
};

}  // namespace

bool ParseAmount(std::string_view text, int32_t& grosze) {
  int64_t value = 0;
  int decimals = 0;
  if (!ParseDecimal(text, 2, value, decimals)) return false;
  for (; decimals < 2; ++decimals) value *= 10;
  if (value > kMaxAmount) return false;
  grosze = static_cast<int32_t>(value);
  return true;
}

std::variant<ReceiptFile, ParseError> ParseReceipt(std::string_view text) {
  return Parser().Run(text);
}

}  // namespace sigractl
