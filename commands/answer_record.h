// A run of bytes the printer sends after an exchange, such as a line of text
// read back.
#ifndef SIGRA_COMMANDS_ANSWER_RECORD_H
#define SIGRA_COMMANDS_ANSWER_RECORD_H

#include <cstdint>
#include <span>

#include "commands/command_steps.h"

namespace sigra {

// Fills `record` byte by byte; 21 when a byte does not arrive (the bytes
// before it stay in place).
inline int32_t ReceiveAnswerRecord(std::span<uint8_t> record) {
  for (uint8_t& byte : record) {
    if (int32_t result = ReceiveAnswerByte(byte); result != 0) return result;
  }
  return 0;
}

}  // namespace sigra

#endif
