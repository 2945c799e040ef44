// The bodies a printer's process answers and journals for what a printer
// did: a receipt or a report made, a sale whose printer is no longer on its
// port, the tax rates it holds.
#ifndef SIGRA_SIGRAD_OUTCOMES_H
#define SIGRA_SIGRAD_OUTCOMES_H

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "sigrad/journal.h"

namespace sigra::service {

// ReadVAT's value of a rate the printer has not defined.
constexpr uint32_t kRateUndefined = 25500;

// The total of a journalled receipt's body; none for a report.
std::optional<int64_t> TotalOf(const Entry& entry);

// A receipt (`kind` "receipt", with its `total`) or a report made on
// `printer`, numbered `number`.
nlohmann::json Made(const std::string& printer, const std::string& key, const std::string& kind,
                    int32_t number, std::optional<int64_t> total);

// What is told of a sale or a report that went to the printer with the
// unique number `held` while another, `connected` (empty: not told), stands
// on the port.
nlohmann::json OtherPrinterBody(const std::string& held, const std::string& connected);

// The first `count` of the rates ReadVAT gave, as GET .../rates lists them.
nlohmann::json RateList(int32_t count, const uint32_t (&rates)[7]);

}  // namespace sigra::service

#endif
