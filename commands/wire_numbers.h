// Numbers in command data and answers: least significant byte first.
#ifndef SIGRA_COMMANDS_WIRE_NUMBERS_H
#define SIGRA_COMMANDS_WIRE_NUMBERS_H

#include <cstddef>
#include <cstdint>

#include "protocol/sequence.h"

namespace sigra {

inline void PutUInt16LE(Block& block, size_t at, uint16_t value) {
  block[at] = static_cast<uint8_t>(value);
  block[at + 1] = static_cast<uint8_t>(value >> 8);
}

inline void PutUInt32LE(Block& block, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// An unsigned number of `length` bytes (up to 8).
inline uint64_t GetUIntLE(const Block& block, size_t at, size_t length) {
  uint64_t value = 0;
  for (size_t i = length; i-- > 0;) value = value << 8 | block[at + i];
  return value;
}

}  // namespace sigra

#endif
