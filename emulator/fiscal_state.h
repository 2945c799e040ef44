// What the printer keeps for fiscal purposes: its tax rates, the receipt it has
// open, and the counters and totals of the fiscal day.
#ifndef SIGRA_EMULATOR_FISCAL_STATE_H
#define SIGRA_EMULATOR_FISCAL_STATE_H

#include <array>
#include <cstdint>
#include <optional>

#include "emulator/device_traits.h"
#include "emulator/rate_store.h"
#include "emulator/receipt.h"

namespace sigra::emu {

struct FiscalState {
  explicit FiscalState(const DeviceTraits& traits) : rates(traits.rateCount) {}

  RateStore rates;
  std::optional<Receipt> receipt;
  // Receipts closed in the fiscal day.
  uint16_t receiptCounter = 0;
  // Sales per rate A..G in the fiscal day, after discounts; answered as 40-bit
  // amounts.
  std::array<uint64_t, 7> dayTotals{};
  // Whether the Luno models ask for the changeover to the euro.
  bool euroChangeoverDue = false;
};

}  // namespace sigra::emu

#endif
