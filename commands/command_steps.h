// Steps the report, clock and counter commands share: their opening, and the
// shapes of exchange they use most.
#ifndef SIGRA_COMMANDS_COMMAND_STEPS_H
#define SIGRA_COMMANDS_COMMAND_STEPS_H

#include <cstdint>

#include "protocol/sequence.h"

namespace sigra {

// Shows `progress` (UTF-8; none when null), opens a checked connection unless
// one is open, and refuses with 200 while a receipt is open.
int32_t BeginCommand(const char* progress);

// The second-generation Sigra and Sigra F, the Luno models and other devices,
// which have the clock with seconds and the periodic report command.
bool IsSecondGeneration(uint8_t deviceType);

// A command answered by its acknowledgement alone, with the first
// `dataLength` bytes of `data`.
int32_t SendOrder(uint8_t cmd, const Block& data = Block{}, uint8_t dataLength = 0);
// A command without data; its answer bytes land in `answer`.
int32_t SendQuery(uint8_t cmd, uint8_t answerLength, Block& answer);
// One more byte the printer sends after an exchange; 21 when none arrives.
int32_t ReceiveAnswerByte(uint8_t& value);

}  // namespace sigra

#endif
