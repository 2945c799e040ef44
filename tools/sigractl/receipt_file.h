// The receipt file sigractl prints: plain UTF-8 text, one entry a line.
//
//   # a comment; empty lines are ignored too
//   item "Chleb razowy 500g" A 2 szt 4.50
//   item "Mleko 3,2% 1l" B 1.500 l 3.99
//   void "Mleko 3,2% 1l" B 1.500 l 3.99
//   payment 1 Gotówka 20.00 5.76
//   line 0 "Dziękujemy za zakupy"
//   discount 5
//
// Fields are separated by spaces or tabs; a field that holds spaces is
// written in double quotes, with \" and \\ inside.
//   item NAME RATE QUANTITY UNIT PRICE   a sale line; `void` the same line
//                                        voided. NAME up to 28 characters,
//                                        RATE A to G, QUANTITY with up to 4
//                                        decimal places (as many places as
//                                        written are sent), UNIT up to 4
//                                        characters, PRICE in zloty.
//   payment N NAME PAID CHANGE           payment entry 1 to 4, NAME up to 13
//                                        characters, amounts in zloty.
//   line TYPE TEXT                       one of at most six lines printed
//                                        after the receipt, TYPE 0 to 15,
//                                        TEXT up to 253 characters.
//   discount PERCENT                     0 (none) to 99 off each rate's total.
// Amounts have at most two decimal places after a point or a comma. Texts
// must be representable in Windows-1250. The file needs at least one item.
#ifndef SIGRA_TOOLS_SIGRACTL_RECEIPT_FILE_H
#define SIGRA_TOOLS_SIGRACTL_RECEIPT_FILE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sigractl {

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

struct ReceiptFile {
  std::vector<ReceiptLine> items;
  std::vector<PaymentEntry> payments;
  std::vector<LineAfter> lines;
  uint32_t discount = 0;
};

// "line 3: ..." for the first entry that is wrong.
struct ParseError {
  std::string message;
};

std::variant<ReceiptFile, ParseError> ParseReceipt(std::string_view text);

// An amount in zloty ("4.50", "4,5", "12") in grosze; false when it is not one
// or does not fit a 32-bit amount.
bool ParseAmount(std::string_view text, int32_t& grosze);

}  // namespace sigractl

#endif
