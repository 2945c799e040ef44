// Closing or cancelling the open receipt, the payment entries and the lines
// printed after the receipt that a point-of-sale program fills before it
// closes, and the fiscal day's totals per tax rate.
#ifndef SIGRA_COMMANDS_RECEIPT_CLOSING_H
#define SIGRA_COMMANDS_RECEIPT_CLOSING_H

#include <cstdint>
#include <string>
#include <string_view>

namespace sigra {

// Longest text of a line after the receipt: with its line-type byte and line
// feed it fills the 255 data bytes a command can carry.
inline constexpr size_t kAfterReceiptTextLength = 253;

// Fills payment entry 1..4 (215 for another number or a negative amount)
// with the first 13 characters of `name`, padded with spaces, and the two
// amounts. Both tables hold until the receipt they were filled for is printed;
// a receipt that ends unprinted empties them.
int32_t FillPayment(int32_t number, std::string_view name, int32_t firstAmount,
                    int32_t secondAmount);
void ErasePayments();
// Puts a line of type 0..15 (215 otherwise) into the first free entry and
// tells how many entries are still free; 216 when none was free.
int32_t FillLines(uint32_t lineType, std::string_view text, int32_t& freeLines);
void EraseLines();

// The receipt's total after a discount of `discount` percent (0..99) on each
// rate's total, each share rounded to the nearest unit, a half down.
uint32_t DiscountedTotal(uint32_t discount);
// Closes the open receipt with a discount of 1..99 percent (anything else is
// none), sends the payment entries and the lines after the receipt, and waits
// for the printout.
int32_t ReceiptEnd(uint32_t discount);
int32_t ReceiptCancel();

// The sum of the fiscal day's totals of all rates, in decimal digits.
int32_t ReadTotal(std::string& total);
// The day's total of rate "A" to "G", or with "+" of all rates together.
int32_t ReadSelTotal(std::string_view selection, std::string& total);

}  // namespace sigra

#endif
