#include "emulator/receipt.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <utility>

namespace sigra::emu {
namespace {

constexpr size_t kPaperWidth = 40;
constexpr size_t kNameLength = 28;
constexpr uint8_t kEsc = 0x1B;

// Code page 852 codes of Ą ą Ć ć Ę ę Ł ł Ń ń Ó ó Ś ś Ź ź Ż ż.
constexpr std::array<std::pair<uint8_t, const char*>, 18> kPolishLetters = {{
    {164, "Ą"},
    {165, "ą"},
    {143, "Ć"},
    {134, "ć"},
    {168, "Ę"},
    {169, "ę"},
    {157, "Ł"},
    {136, "ł"},
    {227, "Ń"},
    {228, "ń"},
    {224, "Ó"},
    {162, "ó"},
    {151, "Ś"},
    {152, "ś"},
    {141, "Ź"},
    {171, "ź"},
    {189, "Ż"},
    {190, "ż"},
}};

bool IsPolishLetter(uint8_t c) {
  return std::any_of(kPolishLetters.begin(), kPolishLetters.end(),
                     [c](const auto& letter) { return letter.first == c; });
}

bool IsSignificant(uint8_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '%' ||
         c == ',' || c == '.' || c == '/' || c == '\\' || IsPolishLetter(c);
}

// The wire code of a rate: 1..4 for A..D, 6 for E, 7 for F, 5 for G.
std::optional<int> RateOfCode(uint8_t code) {
  switch (code) {
    case 1:
    case 2:
    case 3:
    case 4:
      return code - 1;
    case 6:
      return 4;
    case 7:
      return 5;
    case 5:
      return 6;
    default:
      return std::nullopt;
  }
}

int32_t Int32At(const std::vector<uint8_t>& data, size_t at) {
  uint32_t value = 0;
  for (size_t i = 4; i-- > 0;) value = value << 8 | data[at + i];
  return static_cast<int32_t>(value);
}

uint16_t UInt16At(const std::vector<uint8_t>& data, size_t at) {
  return static_cast<uint16_t>(data[at] | data[at + 1] << 8);
}

std::string TextAt(const std::vector<uint8_t>& data, size_t at, size_t length) {
  std::string text(data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + length));
  text.erase(text.find_last_not_of(' ') + 1);
  return Utf8FromPrinterText(text);
}

// Characters a UTF-8 text takes on paper.
size_t Width(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// `left` and `right` on one line of paper, `right` flush with the edge.
std::string Row(const std::string& left, const std::string& right) {
  const size_t used = Width(left) + Width(right);
  return left + std::string(used < kPaperWidth ? kPaperWidth - used : 1, ' ') + right;
}

std::string Centred(const std::string& text) {
  const size_t width = Width(text);
  return std::string(width < kPaperWidth ? (kPaperWidth - width) / 2 : 0, ' ') + text;
}

const std::string kRule(kPaperWidth, '-');

std::string Quantity(int32_t quantity, int decimals) {
  std::string digits = std::to_string(std::llabs(quantity));
  if (decimals == 0) return (quantity < 0 ? "-" : "") + digits;
  const auto places = static_cast<size_t>(decimals);
  if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
  digits.insert(digits.end() - static_cast<std::ptrdiff_t>(places), ',');
  return (quantity < 0 ? "-" : "") + digits;
}

char Letter(int rate) {
  return static_cast<char>('A' + rate);
}

}  // namespace

std::string Utf8FromPrinterText(std::string_view text) {
  std::string utf8;
  for (char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte < 0x80) {
      utf8 += c;
      continue;
    }
    const auto* letter = std::find_if(kPolishLetters.begin(), kPolishLetters.end(),
                                      [byte](const auto& l) { return l.first == byte; });
    utf8 += letter != kPolishLetters.end() ? letter->second : "?";
  }
  return utf8;
}

std::string Money(int64_t amount) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld,%02lld", amount < 0 ? "-" : "",
                static_cast<long long>(std::llabs(amount) / 100),
                static_cast<long long>(std::llabs(amount) % 100));
  return text;
}

Receipt::Receipt(const RateStore& rates, int minSignificant)
    : rates_(rates), minSignificant_(minSignificant) {}

std::optional<std::string> Receipt::AddItem(const std::vector<uint8_t>& data) {
  if (data[0] != ' ' && data[0] != '-') return "line marker neither sale nor void";
  if (data[43] != kEsc) return "no ESC before the rate code";
  const auto significant = std::count_if(data.begin() + 1, data.begin() + 1 + kNameLength,
                                         [](uint8_t c) { return IsSignificant(c); });
  if (significant < minSignificant_) {
    return "article name with " + std::to_string(significant) + " significant characters";
  }
  const std::optional<int> rate = RateOfCode(data[44]);
  if (!rate || !rates_.Defined(*rate)) {
    return "rate code " + std::to_string(data[44]) + " names no defined rate";
  }
  SaleLine line{.voided = data[0] == '-',
                .name = TextAt(data, 1, kNameLength),
                .rate = *rate,
                .quantity = Int32At(data, 30),
                .decimals = data[34],
                .unit = TextAt(data, 35, 4),
                .price = Int32At(data, 39),
                .value = Int32At(data, 45)};
  if (line.decimals > 4) return "quantity with " + std::to_string(line.decimals) + " decimals";
  if (line.quantity <= 0 || line.price <= 0) return "quantity or price not positive";
  int64_t divisor = 1;
  for (int i = 0; i < line.decimals; ++i) divisor *= 10;
  const int64_t product = int64_t{line.quantity} * line.price;
  const int64_t expected = product / divisor + (product % divisor * 2 >= divisor ? 1 : 0);
  if (line.value != expected) {
    return "value " + Money(line.value) + " is not quantity x price " + Money(expected);
  }
  int64_t& rateTotal = rateTotals_[static_cast<size_t>(*rate)];
  if (line.voided) {
    if (rateTotal < line.value)
      return "void beyond the sales on rate " + std::string(1, Letter(*rate));
    rateTotal -= line.value;
  } else {
    // The totals are signed 32-bit registers.
    constexpr int64_t kMostTotal = std::numeric_limits<int32_t>::max();
    const int64_t receiptTotal =
        std::accumulate(rateTotals_.begin(), rateTotals_.end(), int64_t{0}) + line.value;
    if (rateTotal + line.value > kMostTotal || receiptTotal > kMostTotal) {
      return "total beyond " + Money(kMostTotal);
    }
    rateTotal += line.value;
  }
  lines_.emplace_back(std::move(line));
  return std::nullopt;
}

bool Receipt::AddPackage(const std::vector<uint8_t>& data) {
  if ((data[0] != ' ' && data[0] != '-') || (data[1] != 'S' && data[1] != 'Z')) return false;
  lines_.emplace_back(PackageLine{.voided = data[0] == '-',
                                  .kind = static_cast<char>(data[1]),
                                  .number = UInt16At(data, 2),
                                  .quantity = UInt16At(data, 4),
                                  .amount = Int32At(data, 6)});
  return true;
}

void Receipt::AddSubtotal() {
  lines_.emplace_back(
      SubtotalLine{std::accumulate(rateTotals_.begin(), rateTotals_.end(), int64_t{0})});
}

std::optional<std::string> Receipt::SetDiscount(uint8_t percent) {
  if (percent < 1 || percent > 99) return "discount of " + std::to_string(percent) + " %";
  discount_ = percent;
  return std::nullopt;
}

std::optional<std::string> Receipt::ConfirmTotal(uint32_t total) {
  if (total != Total()) return "total " + Money(total) + " is not " + Money(Total());
  confirmedTotal_ = total;
  return std::nullopt;
}

void Receipt::AddPayment(bool secondAmount, const std::vector<uint8_t>& data) {
  const int entry = data[0];
  auto payment = std::find_if(payments_.begin(), payments_.end(),
                              [entry](const Payment& p) { return p.entry == entry; });
  if (payment == payments_.end()) {
    payment = payments_.insert(payments_.end(), Payment{entry, TextAt(data, 1, 13)});
  }
  (secondAmount ? payment->change : payment->paid) = Int32At(data, 14);
}

void Receipt::AddLineAfter(const std::vector<uint8_t>& data) {
  // The type character first, the line feed last.
  std::string text(data.begin() + 1, data.end());
  if (!text.empty() && text.back() == '\n') text.pop_back();
  linesAfter_.push_back(Utf8FromPrinterText(text));
}

size_t Receipt::SaleLineCount() const {
  return static_cast<size_t>(std::count_if(lines_.begin(), lines_.end(), [](const auto& line) {
    return std::holds_alternative<SaleLine>(line);
  }));
}

std::array<int64_t, 7> Receipt::Shares() const {
  std::array<int64_t, 7> shares{};
  for (size_t k = 0; k < shares.size(); ++k) {
    const int64_t scaled = (100 - discount_) * rateTotals_[k];
    shares[k] = scaled / 100 + (scaled % 100 > 50 ? 1 : 0);
  }
  return shares;
}

int64_t Receipt::Total() const {
  const std::array<int64_t, 7> shares = Shares();
  return std::accumulate(shares.begin(), shares.end(), int64_t{0});
}

std::vector<std::string> Receipt::Body() const {
  std::vector<std::string> paper = {Centred("PARAGON FISKALNY"), kRule};
  for (const auto& entry : lines_) {
    if (const auto* sale = std::get_if<SaleLine>(&entry)) {
      paper.push_back(sale->voided ? "STORNO " + sale->name : sale->name);
      paper.push_back(Row(
          "  " + Quantity(sale->quantity, sale->decimals) + " " + sale->unit + " x " +
              Money(sale->price),
          Money(sale->voided ? -int64_t{sale->value} : sale->value) + " " + Letter(sale->rate)));
    } else if (const auto* package = std::get_if<PackageLine>(&entry)) {
      paper.push_back(Row(std::string(package->voided ? "STORNO " : "") + "OPAKOWANIE " +
                              package->kind + " nr " + std::to_string(package->number) + " x" +
                              std::to_string(package->quantity),
                          Money(package->amount)));
    } else {
      paper.push_back(Row("PODSUMA", Money(std::get<SubtotalLine>(entry).amount)));
    }
  }
  return paper;
}

std::vector<std::string> Receipt::Printout(int receiptNumber) const {
  std::vector<std::string> paper = Body();
  paper.push_back(kRule);
  const std::array<int64_t, 7> shares = Shares();
  if (discount_ > 0) {
    const int64_t before = std::accumulate(rateTotals_.begin(), rateTotals_.end(), int64_t{0});
    paper.push_back(Row("RABAT " + std::to_string(discount_) + "%", Money(Total() - before)));
  }
  int64_t taxes = 0;
  for (int k = 0; k < rates_.Count(); ++k) {
    if (rateTotals_[static_cast<size_t>(k)] == 0) continue;
    const int64_t share = shares[static_cast<size_t>(k)];
    if (rates_.Exempt(k)) {
      paper.push_back(Row(std::string("SPRZED. ZWOLNIONA ") + Letter(k), Money(share)));
      continue;
    }
    const int64_t rate = *rates_.Percent(k);
    const int64_t tax = (share * rate * 2 + 10000 + rate) / (2 * (10000 + rate));
    taxes += tax;
    paper.push_back(Row(std::string("SPRZED. OPODAT. ") + Letter(k), Money(share)));
    paper.push_back(Row(std::string("PTU ") + Letter(k) + " " + rates_.Describe(k), Money(tax)));
  }
  paper.push_back(Row("SUMA PTU", Money(taxes)));
  paper.push_back(Row("SUMA PLN", Money(Total())));
  if (!payments_.empty()) {
    paper.push_back(kRule);
    for (const Payment& payment : payments_) {
      paper.push_back(Row(payment.name, Money(payment.paid)));
      if (payment.change != 0) paper.push_back(Row("RESZTA", Money(payment.change)));
    }
  }
  paper.push_back(kRule);
  paper.insert(paper.end(), linesAfter_.begin(), linesAfter_.end());
  paper.push_back(Centred("PARAGON NR " + std::to_string(receiptNumber)));
  return paper;
}

std::vector<std::string> Receipt::CancelledPrintout(const std::string& reason) const {
  std::vector<std::string> paper = Body();
  paper.push_back(kRule);
  paper.push_back(Centred("PARAGON ANULOWANY"));
  paper.push_back(Centred("(" + reason + ")"));
  return paper;
}

}  // namespace sigra::emu
