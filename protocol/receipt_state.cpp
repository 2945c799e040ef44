#include "protocol/receipt_state.h"

namespace sigra {

bool ReceiptOpen = false;
uint8_t ReceiptItemCount = 0;
std::array<int32_t, 7> RateTotals{};
std::array<PaymentEntry, 4> PaymentTable{};
std::array<AfterReceiptLine, 6> LinesAfterReceipt{};

void ClearReceiptBuildingState() {
  ReceiptOpen = false;
  ReceiptItemCount = 0;
  RateTotals.fill(0);
  PaymentTable.fill(PaymentEntry{});
  LinesAfterReceipt.fill(AfterReceiptLine{});
}

}  // namespace sigra
