// Reading and writing the tax rates.
#include <cstddef>

#include "commands/export_guard.h"
#include "commands/tax_rates.h"
#include "sigra/sigradrv.h"

using namespace sigra;

extern "C" {

SIGRA_API int32_t SIGRA_CALL ReadVAT(int32_t* Count, uint32_t* RateA, uint32_t* RateB,
                                     uint32_t* RateC, uint32_t* RateD, uint32_t* RateE,
                                     uint32_t* RateF, uint32_t* RateG) {
  return Guarded([&] {
    uint32_t* const targets[] = {RateA, RateB, RateC, RateD, RateE, RateF, RateG};
    if (Count == nullptr) return kResultNullBuffer;
    for (uint32_t* target : targets) {
      if (target == nullptr) return kResultNullBuffer;
    }
    int32_t count = 0;
    TaxRates rates{};
    if (int32_t result = sigra::ReadVAT(count, rates); result != 0) return result;
    *Count = count;
    for (std::size_t k = 0; k < static_cast<std::size_t>(count); ++k) *targets[k] = rates[k];
    return int32_t{0};
  });
}

SIGRA_API int32_t SIGRA_CALL SetVAT(int32_t* Count, uint32_t RateA, uint32_t RateB, uint32_t RateC,
                                    uint32_t RateD, uint32_t RateE, uint32_t RateF,
                                    uint32_t RateG) {
  return Guarded([&] {
    if (Count == nullptr) return kResultNullBuffer;
    return sigra::SetVAT(*Count, {RateA, RateB, RateC, RateD, RateE, RateF, RateG});
  });
}

}  // extern "C"
