// A receipt as a till describes it, checked whole before anything is sent:
// the rules every way into a sale (sigractl's receipt file, sigrad's JSON
// body) shares. Amounts and quantities are read exactly from their decimal
// text, never through binary floating point; texts come in UTF-8 and are kept
// in Windows-1250, the driver's code page.
//
//   item NAME RATE QUANTITY UNIT PRICE   NAME up to 28 characters, RATE A to G,
//                                        QUANTITY above 0 with up to 4 decimal
//                                        places (as many places as written are
//                                        sent), UNIT up to 4 characters, PRICE
//                                        in zloty; a voided line the same.
//   payment N NAME PAID CHANGE           entry 1 to 4, NAME up to 13
//                                        characters, amounts in zloty.
//   line TYPE TEXT                       at most six lines after the receipt,
//                                        TYPE 0 to 15, TEXT up to 253
//                                        characters.
//   discount PERCENT                     0 (none) to 99 off each rate's total.
// Amounts have at most two decimal places after a point or a comma and fit a
// signed 32-bit number of grosze, as do each line's value and the total. A
// receipt needs at least one item.
#ifndef SIGRA_CLIENT_RECEIPT_H
#define SIGRA_CLIENT_RECEIPT_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sigra::sale {

struct ReceiptLine {
  bool voided = false;
  std::string name;   // Windows-1250
  uint32_t rate = 0;  // 1 = A
  int32_t quantity = 0;
  int32_t decimals = 0;
  std::string unit;  // Windows-1250
  int32_t price = 0;
  // Quantity times price, rounded half up, as the driver computes it.
  int32_t value = 0;
};

struct PaymentEntry {
  int32_t number = 0;
  std::string name;  // Windows-1250
  int32_t paid = 0;
  int32_t change = 0;
};

struct LineAfter {
  int32_t type = 0;
  std::string text;  // Windows-1250
};

struct Receipt {
  std::vector<ReceiptLine> items;
  std::vector<PaymentEntry> payments;
  std::vector<LineAfter> lines;
  uint32_t discount = 0;
  // The sum of the sold lines less the voided ones, before the discount.
  int64_t sum = 0;
};

// An entry's fault, in UTF-8, for the person who wrote it.
using Error = std::optional<std::string>;

// Takes a receipt entry by entry, each given as the text it was written in,
// and says what is wrong with the first entry that is.
class ReceiptBuilder {
 public:
  Error AddItem(bool voided, std::string_view name, std::string_view rate,
                std::string_view quantity, std::string_view unit, std::string_view price);
  Error AddPayment(std::string_view number, std::string_view name, std::string_view paid,
                   std::string_view change);
  Error AddLine(std::string_view type, std::string_view text);
  Error SetDiscount(std::string_view percent);
  // The receipt, or why it cannot be sold as a whole.
  std::variant<Receipt, std::string> Finish() const;

 private:
  Receipt receipt_;
  int64_t total_ = 0;
};

// The receipt's total as the printer computes it: each rate's total less
// the discount, rounded to the nearer grosz (half a grosz down), added up.
int64_t Total(const Receipt& receipt);

// An amount in zloty ("4.50", "4,5", "12") in grosze; false when it is not one
// or does not fit a 32-bit amount.
bool ParseAmount(std::string_view text, int32_t& grosze);

// A whole number from `low` to `high` written in decimal digits.
bool ParseInteger(std::string_view text, int32_t low, int32_t high, int32_t& value);

// Grosze as "14.24".
std::string DecimalText(int64_t grosze);

}  // namespace sigra::sale

#endif
