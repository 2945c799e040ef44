// A fiscal receipt as the printer keeps it between its opening and its end:
// the lines sold and voided per tax rate, package lines, subtotals, the
// discount, the total the host confirmed, payments and the lines after the
// receipt. It checks each line the way the printer does and says why it
// cancels the receipt when one does not pass; it renders the paper.
#ifndef SIGRA_EMULATOR_RECEIPT_H
#define SIGRA_EMULATOR_RECEIPT_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "emulator/rate_store.h"

namespace sigra::emu {

// Printer text (code page 852) as UTF-8: the Polish letters converted, other
// bytes above 127 shown as '?'.
std::string Utf8FromPrinterText(std::string_view text);
// Money in the printer's unit (grosze) as "12,34".
std::string Money(int64_t amount);

struct SaleLine {
  bool voided;
  std::string name;  // UTF-8, without the padding
  int rate;          // 0 = A
  int32_t quantity;
  int decimals;
  std::string unit;
  int32_t price;
  int32_t value;
};

struct PackageLine {
  bool voided;
  char kind;  // 'S' or 'Z'
  uint16_t number;
  uint16_t quantity;
  int32_t amount;
};

struct SubtotalLine {
  int64_t amount;
};

struct Payment {
  int entry;
  std::string name;
  int32_t paid = 0;
  int32_t change = 0;
};

class Receipt {
 public:
  // `minSignificant`: how many significant characters an article name needs.
  Receipt(const RateStore& rates, int minSignificant);

  // The 49 data bytes of a sale or voided line; the reason to cancel the
  // receipt when the line does not pass.
  std::optional<std::string> AddItem(const std::vector<uint8_t>& data);
  // The 10 data bytes of a package line; false when they make no package line.
  bool AddPackage(const std::vector<uint8_t>& data);
  void AddSubtotal();
  std::optional<std::string> SetDiscount(uint8_t percent);
  // The total the host computed; the reason to cancel when it differs.
  std::optional<std::string> ConfirmTotal(uint32_t total);
  // The 18 data bytes of a payment entry with its first or second amount.
  void AddPayment(bool secondAmount, const std::vector<uint8_t>& data);
  // The data of a line after the receipt: type character, text, line feed.
  void AddLineAfter(const std::vector<uint8_t>& data);

  size_t SaleLineCount() const;
  bool TotalConfirmed() const { return confirmedTotal_.has_value(); }
  // Each rate's share of the total after the discount: a share rounds up only
  // when more than half a unit is left over.
  std::array<int64_t, 7> Shares() const;
  int64_t Total() const;

  std::vector<std::string> Printout(int receiptNumber) const;
  std::vector<std::string> CancelledPrintout(const std::string& reason) const;

 private:
  std::vector<std::string> Body() const;

  RateStore rates_;
  int minSignificant_;
  std::vector<std::variant<SaleLine, PackageLine, SubtotalLine>> lines_;
  std::array<int64_t, 7> rateTotals_{};
  int discount_ = 0;
  std::optional<uint32_t> confirmedTotal_;
  std::vector<Payment> payments_;
  std::vector<std::string> linesAfter_;
};

}  // namespace sigra::emu

#endif
