#include "client/sale.h"

#include "link/text_1250.h"

namespace sigra::sale {

std::optional<bool> Fiscalised(int32_t before, const Connect& connect,
                               std::chrono::milliseconds reconnectTime, int32_t& counter,
                               int32_t(SIGRA_CALL* readCounter)(int32_t*)) {
  const auto deadline = std::chrono::steady_clock::now() + reconnectTime;
  do {
    if (connect() == 0 && readCounter(&counter) == 0) return counter == before + 1;
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

std::optional<bool> FiscalisedAfter(int32_t code, int32_t before, const Connect& connect,
                                    std::chrono::milliseconds reconnectTime, int32_t& counter,
                                    int32_t(SIGRA_CALL* readCounter)(int32_t*)) {
  // The printer's own codes: it answered, so the line and the connection
  // serve. Opening it again would not do: a printer without paper, or one
  // whose printout stopped, does not let a connection open.
  if (code >= 100 && code < 300 && readCounter(&counter) == 0) return counter == before + 1;
  return Fiscalised(before, connect, reconnectTime, counter, readCounter);
}

std::string FromDriver(std::string_view cp1250) {
  std::string text;
  for (size_t i = 0; i < cp1250.size(); ++i) {
    if (cp1250[i] == '\r') {
      text += '\n';
      if (i + 1 < cp1250.size() && cp1250[i + 1] == '\n') ++i;
    } else {
      text += cp1250[i];
    }
  }
  return Utf8FromCp1250(text);
}

std::string Message(int32_t code) {
  char text[622] = {};
  pErrMessage(code, text);
  return FromDriver(text);
}

int32_t ShiftClock(int32_t minutes, std::string& step) {
  constexpr uint8_t kShiftClock = 54;
  int32_t receipts = 0;
  step = "ReceiptNumber";
  if (int32_t code = ReceiptNumber(&receipts); code != 0) return code;
  // The printer moves its clock only before the fiscal day's first receipt.
  constexpr int32_t kReceiptsIssued = 218;
  if (receipts != 0) return kReceiptsIssued;
  const int32_t by = minutes < 0 ? -minutes : minutes;
  unsigned char data[256] = {static_cast<unsigned char>(minutes > 0),
                             static_cast<unsigned char>(by / 10),
                             static_cast<unsigned char>(by % 10)};
  unsigned char answer[256] = {};
  step = "RSSequence 54";
  return RSSequence(kShiftClock, 1, 3, answer, data);
}

SaleResult Sell(const Receipt& receipt, const Connect& connect, const SaleSteps& steps,
                std::chrono::milliseconds reconnectTime) {
  SaleResult result;
  const auto failed = [&](std::string step, int32_t code) {
    result.step = std::move(step);
    result.code = code;
    int32_t counter = 0;
    result.fiscalised =
        FiscalisedAfter(code, result.counterBefore, connect, reconnectTime, counter);
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
