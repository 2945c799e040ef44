#include "commands/command_steps.h"

#include "commands/results.h"
#include "link/comm_threads.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"
#include "protocol/feedback.h"
#include "protocol/receipt_state.h"
#include "protocol/wire_trace.h"

namespace sigra {

int32_t BeginCommand(const char* progress) {
  if (progress != nullptr) ShowProgressText(progress);
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  return ReceiptOpen ? kResultReceiptOpen : 0;
}

bool IsSecondGeneration(uint8_t deviceType) {
  return IsSigra2OrLater(deviceType);
}

int32_t SendOrder(uint8_t cmd, const Block& data, uint8_t dataLength) {
  Block answer{};
  return SendSequence(cmd, 1, dataLength, answer, data);
}

int32_t SendQuery(uint8_t cmd, uint8_t answerLength, Block& answer) {
  const Block none{};
  return SendSequence(cmd, answerLength, 0, answer, none);
}

int32_t ReceiveAnswerByte(uint8_t& value) {
  // A failed rendezvous (the port closed meanwhile) loses the byte as surely
  // as a timeout does.
  if (!link::ReceiveByte(value)) return kResultReceiveTimeout;
  trace::ReceivedAfter(value);
  return 0;
}

}  // namespace sigra
