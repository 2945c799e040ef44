// The printer's tax rates A to G. Three generations keep them differently:
// four one-byte whole-percent rates, six two-byte rates, or seven two-byte
// rates with markers for an exempt and a reserve rate. The driver shows them
// all as hundredths of a percent with two special values.
#ifndef SIGRA_COMMANDS_TAX_RATES_H
#define SIGRA_COMMANDS_TAX_RATES_H

#include <array>
#include <cstdint>

namespace sigra {

// Rate values besides 0..9999 hundredths of a percent.
inline constexpr uint32_t kRateExempt = 10000;
inline constexpr uint32_t kRateReserve = 25500;  // the rate is not defined

using TaxRates = std::array<uint32_t, 7>;

// Reads the rates in the newest layout the printer knows, falling back to an
// older one on a NAK. Sets `count` to 4, 6 or 7 and writes only that many
// rates; on a failure nothing is written.
int32_t ReadVAT(int32_t& count, TaxRates& rates);
// Writes the first 4, 6 or 7 of `rates`, as the printer's layout has, while no
// receipt was issued in the fiscal day, and checks them by reading them back:
// 218 after sales in the day, 217 when the printer kept other values.
int32_t SetVAT(int32_t& count, const TaxRates& rates);
// Whether the printer has any rate defined; 113 (and false) when it has none.
// Runs on a connection its caller has opened.
int32_t HasTaxRates(bool& defined);

}  // namespace sigra

#endif
