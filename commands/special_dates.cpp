#include "commands/special_dates.h"

#include "commands/command_steps.h"
#include "commands/digit_bytes.h"
#include "commands/results.h"
#include "protocol/connection.h"
#include "protocol/sequence.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdWriteSpecialDate = 249;
constexpr uint8_t kCmdReadSpecialDate = 250;

}  // namespace

int32_t ReadSpecialDate(uint8_t kind, uint8_t& year, uint8_t& month, uint8_t& day) {
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  Block data{};
  data[0] = kind;
  if (int32_t result = SendOrder(kCmdReadSpecialDate, data, 1); result != 0) return result;
  // A status byte, then the date in packed BCD.
  uint8_t answer[4] = {};
  for (uint8_t& byte : answer) {
    if (int32_t result = ReceiveAnswerByte(byte); result != 0) return result;
  }
  if (answer[0] != 0) return kResultBadAnswer;
  year = FromPackedBcd(answer[1]);
  month = FromPackedBcd(answer[2]);
  day = FromPackedBcd(answer[3]);
  return 0;
}

int32_t WriteSpecialDate(uint8_t kind, uint8_t year, uint8_t month, uint8_t day) {
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  const Block data = {kind, ToPackedBcd(year), ToPackedBcd(month), ToPackedBcd(day)};
  if (int32_t result = SendOrder(kCmdWriteSpecialDate, data, 4); result != 0) return result;
  uint8_t verdict = 0;
  if (int32_t result = ReceiveAnswerByte(verdict); result != 0) return result;
  return verdict == 0 ? 0 : kResultSpecialDateRefused;
}

}  // namespace sigra
