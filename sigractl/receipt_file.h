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
// The entries' rules are those of every receipt (client/receipt.h). The
// file needs at least one item.
#ifndef SIGRA_SIGRACTL_RECEIPT_FILE_H
#define SIGRA_SIGRACTL_RECEIPT_FILE_H

#include <string>
#include <string_view>
#include <variant>

#include "client/receipt.h"

namespace sigractl {

using ReceiptFile = sigra::sale::Receipt;
using sigra::sale::LineAfter;
using sigra::sale::ParseAmount;
using sigra::sale::PaymentEntry;
using sigra::sale::ReceiptLine;

// "line 3: ..." for the first entry that is wrong.
struct ParseError {
  std::string message;
};

std::variant<ReceiptFile, ParseError> ParseReceipt(std::string_view text);

}  // namespace sigractl

#endif
