#include "sigrad/outcomes.h"

#include <variant>

#include "client/sale.h"
#include "sigrad/answers.h"
#include "sigrad/body.h"

namespace sigra::service {

std::optional<int64_t> TotalOf(const Entry& entry) {
  if (entry.kind != "receipt") return std::nullopt;
  const std::optional<Value> body = ParseBody(entry.body);
  if (!body) return std::nullopt;
  const auto receipt = ReceiptFromBody(*body);
  const sale::Receipt* r = std::get_if<sale::Receipt>(&receipt);
  return r ? std::optional<int64_t>(sale::Total(*r)) : std::nullopt;
}

nlohmann::json Made(const std::string& printer, const std::string& key, const std::string& kind,
                    int32_t number, std::optional<int64_t> total) {
  if (kind != "receipt") {
    return {{"key", key}, {"printer", printer}, {"done", true}, {"report_number", number}};
  }
  nlohmann::json made = {
      {"key", key}, {"printer", printer}, {"fiscalised", true}, {"receipt_number", number}};
  if (total) made["total"] = sale::DecimalText(*total);
  return made;
}

nlohmann::json OtherPrinterBody(const std::string& held, const std::string& connected) {
  return ErrorBody(
      kCodeBusy,
      "A different printer is connected to the port (unique number " +
          (connected.empty() ? std::string("unknown") : connected) +
          ") than the one this went to (" + held +
          "): whether it was fiscalised stays unknown until that printer is connected again. "
          "It is not sent again under this key; to sell it on the printer connected now, send "
          "it under a new key.",
      kIdOtherPrinter);
}

nlohmann::json RateList(int32_t count, const uint32_t (&rates)[7]) {
  nlohmann::json list = nlohmann::json::array();
  for (int32_t i = 0; i < count && i < 7; ++i) {
    nlohmann::json rate = {{"rate", std::string(1, static_cast<char>('A' + i))}};
    if (rates[i] == 10000) {
      rate["exempt"] = true;
    } else if (rates[i] != kRateUndefined) {
      rate["percent"] = sale::DecimalText(rates[i]);
    }
    rate["defined"] = rates[i] != kRateUndefined;
    list.push_back(rate);
  }
  return list;
}

}  // namespace sigra::service
