// The number of receipts issued in the current fiscal day. Rates and the clock
// may change only while it is zero.
#ifndef SIGRA_COMMANDS_RECEIPT_COUNTER_H
#define SIGRA_COMMANDS_RECEIPT_COUNTER_H

#include <cstdint>

namespace sigra {

// 200 while a receipt is open.
int32_t ReadReceiptCounter(uint32_t& counter);

}  // namespace sigra

#endif
