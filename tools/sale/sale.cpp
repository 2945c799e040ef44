#include "tools/sale/sale.h"

#include "sigra/sigradrv.h"

namespace sigra::sale {

std::optional<bool> Fiscalised(int32_t before, const Connect& connect,
                               std::chrono::milliseconds reconnectTime, int32_t& counter) {
  const auto deadline = std::chrono::steady_clock::now() + reconnectTime;
  do {
    if (connect() == 0 && ReceiptNumber(&counter) == 0) return counter == before + 1;
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

SaleResult Sell(const Receipt& receipt, const Connect& connect, const SaleSteps& steps,
                std::chrono::milliseconds reconnectTime) {
  SaleResult result;
  const auto failed = [&](std::string step, int32_t code) {
    result.step = std::move(step);
    result.code = code;
    int32_t counter = 0;
    result.fiscalised = Fiscalised(result.counterBefore, connect, reconnectTime, counter);
    if (result.fiscalised == true) result.receiptNumber = counter;
    return result;
  };
  if (int32_t code = ReceiptNumber(&result.counterBefore); code != 0) {
    result.counterBefore = -1;
    result.step = "ReceiptNumber";
    result.code = code;
    return result;
  }
  if (steps.sending) steps.sending(result.counterBefore);
  if (int32_t code = ReceiptBegin(); code != 0) return failed("ReceiptBegin", code);
  // A line the driver or the printer refuses leaves no receipt half open.
  const auto cancelled = [&](std::string step, int32_t code) {
    ReceiptCancel();
    return failed(std::move(step), code);
  };
  for (size_t i = 0; i < receipt.items.size(); ++i) {
    const ReceiptLine& item = receipt.items[i];
    int32_t value = 0;
    const int32_t code =
        pReceiptItem(item.voided ? 0 : 1, item.name.c_str(), item.rate, 0, item.quantity,
                     item.decimals, item.unit.c_str(), item.price, &value);
    if (code != 0) return cancelled("item " + std::to_string(i + 1), code);
    result.itemsSent = i + 1;
  }
  for (const PaymentEntry& payment : receipt.payments) {
    const int32_t code =
        pFillPayment(payment.number, payment.name.c_str(), payment.paid, payment.change);
    if (code != 0) return cancelled("payment " + std::to_string(payment.number), code);
  }
  for (const LineAfter& line : receipt.lines) {
    int32_t freeLines = 0;
    if (int32_t code = pFillLines(line.type, line.text.c_str(), &freeLines); code != 0) {
      return cancelled("line after the receipt", code);
    }
  }
  if (steps.closing) steps.closing();
  if (int32_t code = ReceiptEnd(receipt.discount); code != 0) return failed("ReceiptEnd", code);
  result.fiscalised = true;
  result.receiptNumber = result.counterBefore + 1;
  return result;
}

}  // namespace sigra::sale
