// Opening a fiscal receipt and sending its lines: the readiness checks, the
// opening, sale and voided lines, returnable-package lines and the subtotal.
// The receipt state these keep (ReceiptOpen, ReceiptItemCount, RateTotals) is
// read by the closing.
#ifndef SIGRA_COMMANDS_RECEIPT_ITEMS_H
#define SIGRA_COMMANDS_RECEIPT_ITEMS_H

#include <cstdint>
#include <string>
#include <string_view>

namespace sigra {

// Printable length of an article name on the printer.
inline constexpr size_t kArticleNameLength = 28;

// Whether the model knows package lines, the subtotal and payment entries.
bool HasExtendedReceipt(uint8_t deviceType);

// Status 149: when the printer has cancelled the receipt, the receipt is gone
// (ClearReceiptBuildingState) and the result is 210.
int32_t CheckReceiptNotCancelled();

// Whether a receipt could be opened now; prints nothing.
int32_t ReceiptConditions();
// The checks ReceiptBegin runs before it opens a receipt.
int32_t CheckReceiptBeginConditions();
int32_t ReceiptBegin();

// How many of the first 28 characters of `name` are significant: digits,
// letters (the Polish ones included) and % , . / and backslash.
int32_t CharsInArticleName(std::string_view name);
// The name as the printer takes it: the text up to its first NUL, cut or
// padded with spaces to 28 characters. 202 when it has too few significant
// characters for the connected model; `padded` is filled in any case.
int32_t PrepareArticleName(std::string_view text, std::string& padded);

// The value of a line: quantity × price with `decimals` implied decimal places
// in the quantity, rounded half up. 206 for decimals outside 0..4 and 227 when
// the value is negative or beyond a 32-bit amount.
int32_t ItemValue(int32_t quantity, int32_t decimals, int32_t price, int32_t& value);

// A sale line (`sale` 1) or a voided line (any other `sale`) on rate 1..7.
// A `value` of 0 asks the driver to compute it and write it back. Refused
// before anything is sent, the receipt staying open: 215 for a rate outside
// 1..7, a quantity or price not above 0, or a sale line taking its rate's
// total or the receipt's total past 2^31 - 1; 206 for decimals outside 0..4;
// 202 for a name with too few significant characters; 227 for a computed
// value beyond a 32-bit amount. After the line, status 149 is read again:
// 210 when the printer cancelled the receipt for it.
int32_t ReceiptItem(int32_t sale, std::string_view name, uint32_t rate, int32_t message,
                    int32_t quantity, int32_t decimals, std::string_view unit, int32_t price,
                    int32_t& value);
// A returnable-package line; `param` 0..3 picks its two marker bytes.
int32_t PackageItem(int32_t param, uint16_t number, uint16_t quantity, int32_t amount);
int32_t PrintSubtotal();

}  // namespace sigra

#endif
