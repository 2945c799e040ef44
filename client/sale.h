// A sale through the driver's exported functions that is never printed
// twice: the receipt counter is read before the receipt; when a step fails,
// the counter is read again, which tells whether the printer fiscalised the
// receipt after all: at once when the printer answered the step itself (no
// paper, say), otherwise over a new connection, for up to 30 s.
#ifndef SIGRA_CLIENT_SALE_H
#define SIGRA_CLIENT_SALE_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "sigra/sigradrv.h"
#include "client/receipt.h"

namespace sigra::sale {

struct SaleResult {
  // 0 when every step succeeded; otherwise the first failure's result code
  // and the step that gave it ("ReceiptEnd", "item 2", ...).
  int32_t code = 0;
  std::string step;
  // Whether the printer fiscalised the receipt; none when it could not be
  // reached again to tell.
  std::optional<bool> fiscalised = false;
  // The receipt counter before the sale (-1 when it could not be read) and
  // the receipt's number when it was fiscalised.
  int32_t counterBefore = -1;
  int32_t receiptNumber = 0;
  // The items the driver took, from the first.
  size_t itemsSent = 0;
};

// What a sale tells its caller on the way, so that it can write it down
// before the printer is sent anything that could fiscalise the receipt. An
// exception thrown here ends the sale where it stands.
struct SaleSteps {
  // The counter is read; the receipt is about to be opened.
  std::function<void(int32_t counterBefore)> sending;
  // The lines are sent; the closing is about to go out.
  std::function<void()> closing;
};

// Opens the connection once: the driver's result code.
using Connect = std::function<int32_t()>;

// Sells `receipt` on the open connection. After a failure `connect` reaches
// the printer again until `reconnectTime` has passed.
SaleResult Sell(const Receipt& receipt, const Connect& connect, const SaleSteps& steps = {},
                std::chrono::milliseconds reconnectTime = std::chrono::seconds(30));

// After a failure: whether the receipt (or, with DailyReportNumber, the
// daily report) begun with the counter at `before` was made, read over a new
// connection (none: the printer did not answer within `reconnectTime`), and
// the counter read.
std::optional<bool> Fiscalised(int32_t before, const Connect& connect,
                               std::chrono::milliseconds reconnectTime, int32_t& counter,
                               int32_t(SIGRA_CALL* readCounter)(int32_t*) = ReceiptNumber);

// After a step failed with `code`: the same, told at once on the connection
// the printer answered on when it answered the step with a code of its own
// (100 to 299: no paper, a failure, a refusal), whose counter it still reads;
// a line that failed is reached again as Fiscalised reaches it.
std::optional<bool> FiscalisedAfter(int32_t code, int32_t before, const Connect& connect,
                                    std::chrono::milliseconds reconnectTime, int32_t& counter,
                                    int32_t(SIGRA_CALL* readCounter)(int32_t*) = ReceiptNumber);

// The Polish text of a result code in UTF-8, its lines ending in "\n".
std::string Message(int32_t code);

// A text the driver gives (Windows-1250, CR or CR LF between lines) in UTF-8
// with line feeds.
std::string FromDriver(std::string_view cp1250);

// Moves the printer's clock by 1 to 60 minutes, back when negative; only
// before the fiscal day's first receipt (218 otherwise). `step` names the
// call that failed.
int32_t ShiftClock(int32_t minutes, std::string& step);

}  // namespace sigra::sale

#endif
