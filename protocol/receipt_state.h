// The state of the receipt being built: whether one is open, its item count
// and per-rate totals, and the payment and after-receipt line tables filled
// before it closes. Opening a connection clears it.
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

// Closes the receipt in the driver's eyes (the printer at the other end of a
// new connection has none open), zeroes its item count and rate totals, and
// empties both tables.
void ClearReceiptBuildingState();

}  // namespace sigra

#endif
