// Decimal numbers in command data as the printer's clock and report ranges
// carry them: one binary byte (0 to 9) per digit, or two digits packed in one
// byte (BCD).
#ifndef SIGRA_COMMANDS_DIGIT_BYTES_H
#define SIGRA_COMMANDS_DIGIT_BYTES_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "protocol/sequence.h"

namespace sigra {

// Each value as two digit bytes, tens then units, from position `at` on.
inline void PutDigitPairs(Block& block, size_t at, std::initializer_list<int32_t> values) {
  for (int32_t value : values) {
    block[at++] = static_cast<uint8_t>(value / 10);
    block[at++] = static_cast<uint8_t>(value % 10);
  }
}

// Tens in the high four bits, units in the low four.
inline uint8_t ToPackedBcd(uint8_t value) {
  return static_cast<uint8_t>((value / 10) << 4 | value % 10);
}
inline uint8_t FromPackedBcd(uint8_t bcd) {
  return static_cast<uint8_t>((bcd >> 4) * 10 + (bcd & 0x0F));
}

}  // namespace sigra

#endif
