#include "commands/block_write_answer.h"

#include "commands/results.h"

namespace sigra {

int32_t BlockWriteResult(uint8_t answer) {
  switch (answer) {
    case 0:
      return 0;
    case 108:
      return kResultBlockParameterOutOfRange;
    case 200:
      return kResultChecksumError;
    case 201:
      return kResultOutOfOrder;
    case 202:
      return kResultDataRepeated;
    case 203:
      return kResultPreviousDataNotReported;
    default:
      return kResultBadAnswer;
  }
}

}  // namespace sigra
