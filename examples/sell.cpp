// A sale that is never printed twice, in C++: the receipt counter read before
// the receipt, and after a failure over a new connection, says whether the
// printer fiscalised it.
//
//   sell-cpp [PRICE]    (grosze, default 450; the printer on COM1 at 9600 bit/s)
//
// Exit status 0: fiscalised; 1: not fiscalised, the till may sell again;
// 2: the printer did not come back, do not sell again before it tells;
// 3: no connection.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "sigra/sigradrv.hpp"

constexpr int32_t kPort = 1, kSpeed = 9600, kTimeout = 5;
constexpr auto kReconnectTime = std::chrono::seconds(30);

// The receipt counter over a new connection, or nothing when the printer
// does not answer within kReconnectTime.
std::optional<int32_t> CounterAgain() {
  const auto deadline = std::chrono::steady_clock::now() + kReconnectTime;
  do {
    int32_t counter = 0;
    if (CommunicationInit(kPort, kSpeed, kTimeout) == 0 && ReceiptNumber(&counter) == 0) return counter;
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

int main(int argc, char** argv) {
  const int32_t price = argc > 1 ? std::atoi(argv[1]) : 450;
  int32_t before = 0, value = 0;
  if (CommunicationInit(kPort, kSpeed, kTimeout) != 0 || ReceiptNumber(&before) != 0) return 3;

  int32_t result = ReceiptBegin();
  if (result == 0) result = ReceiptItem(1, "Chleb razowy 500g", 1, 0, 1, 0, "szt", price, &value);
  if (result == 0) result = ReceiptEnd(0);
  std::optional<int32_t> after = before + 1;
  if (result != 0) {
    std::string text;
    ErrMessage(result, text);
    std::fprintf(stderr, "sale failed with %d (%s); asking the printer\n", static_cast<int>(result),
                 text.c_str());
    after = CounterAgain();
  }
  CommunicationEnd();

  if (!after) {
    std::printf("unknown: the printer did not come back\n");
    return 2;
  }
  if (*after != before + 1) {
    std::printf("not fiscalised\n");
    return 1;
  }
  std::printf("fiscalised: receipt %d\n", static_cast<int>(*after));
  return 0;
}
