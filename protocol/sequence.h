// The command sequence exchange: ESC and a command byte, the answer (an
// acknowledgement or a status byte, then answer bytes), the data bytes, and
// optionally bytes read after the data. Every outcome becomes a result code.
#ifndef SIGRA_PROTOCOL_SEQUENCE_H
#define SIGRA_PROTOCOL_SEQUENCE_H

#include <array>
#include <cstdint>

namespace sigra {

using Block = std::array<uint8_t, 256>;

// Data of the current command, sent from position 0.
extern Block SendBuffer;
// Answer bytes: the first byte read goes to position 0, each later byte i
// (counted from 1) to position i - 2, so after an acknowledgement position 0
// holds the first answer byte that follows it.
extern Block ReceiveBuffer;
// Result code of the last exchange.
extern uint8_t LastResult;

inline constexpr uint8_t kEsc = 27;
inline constexpr uint8_t kAck = 6;
inline constexpr uint8_t kNak = 21;

// Whether the command answers one status byte instead of an acknowledgement.
bool IsStatusCommand(uint8_t cmd);
// The record length of a command whose answer may end early at a record that
// begins with 0xFF, or 0 for other commands.
int RecordLength(uint8_t cmd);

// Turns an internal outcome number into its result code.
uint8_t MapResultCode(uint8_t outcome);

uint8_t RunSequence(uint8_t cmd, uint8_t answerLength, uint8_t dataLength, uint8_t afterLength);
uint8_t SendSequence(uint8_t cmd, uint8_t answerLength, uint8_t dataLength, Block& answer,
                     const Block& data);

}  // namespace sigra

#endif
