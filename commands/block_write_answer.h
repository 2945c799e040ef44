// The byte the printer answers after a block of advertising text or of the
// customer-display image, and the result it stands for.
#ifndef SIGRA_COMMANDS_BLOCK_WRITE_ANSWER_H
#define SIGRA_COMMANDS_BLOCK_WRITE_ANSWER_H

#include <cstdint>

namespace sigra {

// 0 stored; 108 ("l") a line or row number out of range: 223; 200 a wrong
// check byte: 232; 201 blocks out of order: 233; 202 the same data again
// (stored, left out of the daily report): 234; 203 earlier data not yet on a
// daily report: 235; any other byte: 23.
int32_t BlockWriteResult(uint8_t answer);

}  // namespace sigra

#endif
