// The state of the receipt being built: whether one is open, its item count
// and per-rate totals, and the payment and after-receipt line tables filled
// before it closes. Opening a connection clears it, and so does a receipt that
// ends unprinted.
#ifndef SIGRA_PROTOCOL_RECEIPT_STATE_H
#define SIGRA_PROTOCOL_RECEIPT_STATE_H

#include <array>
#include <cstdint>
#include <string>

namespace sigra {

struct PaymentEntry {
  std::string name;  // 13 characters once filled; empty = free
  int32_t firstAmount = 0;
  int32_t secondAmount = 0;
};

inline constexpr uint8_t kFreeLine = 255;

struct AfterReceiptLine {
  uint8_t lineType = kFreeLine;  // 0..15, kFreeLine when free
  std::string text;
};

extern bool ReceiptOpen;
extern uint8_t ReceiptItemCount;
// Running value of the receipt per tax rate; index 0 is rate 1.
extern std::array<int32_t, 7> RateTotals;
extern std::array<PaymentEntry, 4> PaymentTable;
extern std::array<AfterReceiptLine, 6> LinesAfterReceipt;

// The receipt is gone: closes it in the driver's eyes, zeroes its item count
// and rate totals, and empties both tables, so that nothing filled for it
// reaches the next receipt. Run when a new connection begins (the printer at
// its other end has no receipt open) and whenever a receipt ends without being
// printed: cancelled by the host, dropped or cancelled by the printer.
void ClearReceiptBuildingState();

}  // namespace sigra

#endif
