#include "sigractl/receipt_file.h"

#include <optional>
#include <vector>

namespace sigractl {
namespace {

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

sigra::sale::Error Entry(std::string_view line, sigra::sale::ReceiptBuilder& receipt) {
  Fields fields = Split(line);
  if (fields.error) return fields.error;
  const std::vector<std::string>& f = fields.values;
  if (f.empty()) return std::nullopt;
  const std::string& kind = f[0];
  if (kind == "item" || kind == "void") {
    if (f.size() != 6) return kind + " needs NAME RATE QUANTITY UNIT PRICE";
    return receipt.AddItem(kind == "void", f[1], f[2], f[3], f[4], f[5]);
  }
  if (kind == "payment") {
    if (f.size() != 5) return std::string("payment needs N NAME PAID CHANGE");
    return receipt.AddPayment(f[1], f[2], f[3], f[4]);
  }
  if (kind == "line") {
    if (f.size() != 3) return std::string("line needs TYPE TEXT");
    return receipt.AddLine(f[1], f[2]);
  }
  if (kind == "discount") {
    if (f.size() != 2) return std::string("discount needs a PERCENT of 0 to 99");
    return receipt.SetDiscount(f[1]);
  }
  return "unknown entry \"" + kind + "\" (item, void, payment, line or discount)";
}

}  // namespace

std::variant<ReceiptFile, ParseError> ParseReceipt(std::string_view text) {
  sigra::sale::ReceiptBuilder receipt;
  size_t number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++number;
    if (sigra::sale::Error error = Entry(line, receipt)) {
      return ParseError{"line " + std::to_string(number) + ": " + *error};
    }
  }
  std::variant<ReceiptFile, std::string> finished = receipt.Finish();
  if (std::string* error = std::get_if<std::string>(&finished)) return ParseError{*error};
  return std::get<ReceiptFile>(std::move(finished));
}

}  // namespace sigractl
