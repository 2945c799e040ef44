// Closing or cancelling a receipt, its payment and after-receipt tables, and
// the day totals.
#include <string>

#include "commands/export_guard.h"
#include "commands/export_text.h"
#include "commands/receipt_closing.h"
#include "sigra/sigradrv.hpp"

using namespace sigra;

extern "C" {

SIGRA_API int32_t SIGRA_CALL FillPayment(int32_t Number, const std::string& Name,
                                         int32_t FirstAmount, int32_t SecondAmount) {
  return Guarded([&] { return sigra::FillPayment(Number, Name, FirstAmount, SecondAmount); });
}

SIGRA_API int32_t SIGRA_CALL pFillPayment(int32_t Number, const char* Name, int32_t FirstAmount,
                                          int32_t SecondAmount) {
  return Guarded(
      [&] { return sigra::FillPayment(Number, TextOf(Name), FirstAmount, SecondAmount); });
}

SIGRA_API int32_t SIGRA_CALL ErasePayments(void) {
  return Guarded([] {
    sigra::ErasePayments();
    return int32_t{0};
  });
}

SIGRA_API int32_t SIGRA_CALL FillLines(int32_t LineType, const std::string& Text,
                                       int32_t* FreeLines) {
  return Guarded([&] {
    if (FreeLines == nullptr) return kResultNullBuffer;
    return sigra::FillLines(static_cast<uint32_t>(LineType), Text, *FreeLines);
  });
}

SIGRA_API int32_t SIGRA_CALL pFillLines(int32_t LineType, const char* Text, int32_t* FreeLines) {
  return Guarded([&] {
    if (FreeLines == nullptr) return kResultNullBuffer;
    return sigra::FillLines(static_cast<uint32_t>(LineType), TextOf(Text), *FreeLines);
  });
}

SIGRA_API int32_t SIGRA_CALL EraseLines(void) {
  return Guarded([] {
    sigra::EraseLines();
    return int32_t{0};
  });
}

SIGRA_API int32_t SIGRA_CALL ReceiptEnd(uint32_t Discount) {
  return Guarded([&] { return sigra::ReceiptEnd(Discount); });
}

SIGRA_API int32_t SIGRA_CALL ReceiptCancel(void) {
  return Guarded([] { return sigra::ReceiptCancel(); });
}

SIGRA_API int32_t SIGRA_CALL ReadTotal(std::string& Total) {
  return Guarded([&] {
    Total.clear();
    return sigra::ReadTotal(Total);
  });
}

SIGRA_API int32_t SIGRA_CALL pReadTotal(char* Total) {
  return Guarded([&] {
    if (Total == nullptr) return kResultNullBuffer;
    std::string total;
    const int32_t result = sigra::ReadTotal(total);
    CopyOut(total, Total);
    return result;
  });
}

SIGRA_API int32_t SIGRA_CALL ReadSelTotal(const std::string& Selection, std::string& Total) {
  return Guarded([&] {
    Total.clear();
    return sigra::ReadSelTotal(Selection, Total);
  });
}

SIGRA_API int32_t SIGRA_CALL pReadSelTotal(const char* Selection, char* Total) {
  return Guarded([&] {
    if (Total == nullptr) return kResultNullBuffer;
    std::string total;
    const int32_t result = sigra::ReadSelTotal(TextOf(Selection), total);
    CopyOut(total, Total);
    return result;
  });
}

}  // extern "C"
