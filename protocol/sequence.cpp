#include "protocol/sequence.h"

#include "link/comm.h"
#include "link/comm_threads.h"
#include "protocol/wire_trace.h"

namespace sigra {

Block SendBuffer{};
Block ReceiveBuffer{};
uint8_t LastResult = 0;

namespace {

// Internal outcomes of an exchange.
constexpr uint8_t kOutcomeSendFailed = 20;
constexpr uint8_t kOutcomeReceiveFailed = 21;
constexpr uint8_t kOutcomeUnexpected = 23;
constexpr uint8_t kOutcomeNak = 24;
constexpr uint8_t kOutcomeServiceJumper = 26;
constexpr uint8_t kOutcomeReceiptNotOpen = 41;
constexpr uint8_t kOutcomePrinterBusy = 53;

uint8_t RefusalOutcome(uint8_t firstByte) {
  switch (firstByte) {
    case 1:
      return kOutcomeServiceJumper;
    case kNak:
      return kOutcomeNak;
    case 101:
      return kOutcomeReceiptNotOpen;
    case 200:
      return kOutcomePrinterBusy;
    default:
      return kOutcomeUnexpected;
  }
}

// The record of the sequence under way while tracing is on.
trace::SequenceRecord* tracing = nullptr;

void Sent(uint8_t byte) {
  if (tracing != nullptr) tracing->sent.push_back(byte);
}

void Received(uint8_t byte) {
  if (tracing != nullptr) tracing->received.push_back(byte);
}

bool SendFailed() {
  return link::LastCommErrorCode != 0 || link::IsTransferFailed();
}

// Reads answer bytes 2..length (byte 1 is already at position 0), storing byte
// i at position i - 2; a record answer ends at an 0xFF that begins a record.
bool ReadRest(int length, int recordLength, int first) {
  for (int i = first; i <= length; ++i) {
    uint8_t& slot = ReceiveBuffer[static_cast<size_t>(i == 1 ? 0 : i - 2)];
    link::ReceiveByte(slot);
    if (link::IsTransferFailed()) return false;
    Received(slot);
    if (recordLength > 0 && slot == 0xFF && (i - 1) % recordLength == 1) break;
  }
  return true;
}

uint8_t Run(uint8_t cmd, uint8_t answerLength, uint8_t dataLength, uint8_t afterLength) {
  const bool status = IsStatusCommand(cmd);
  const int recordLength = RecordLength(cmd);
  link::PurgePrinterPort();
  for (uint8_t header : {kEsc, cmd}) {
    link::SendByte(header);
    if (SendFailed()) return kOutcomeSendFailed;
    Sent(header);
  }
  if (answerLength > 0) {
    link::ReceiveByte(ReceiveBuffer[0]);
    if (link::IsTransferFailed()) return kOutcomeReceiveFailed;
    Received(ReceiveBuffer[0]);
    if (ReceiveBuffer[0] != kAck) return status ? 0 : RefusalOutcome(ReceiveBuffer[0]);
    if (!ReadRest(answerLength, recordLength, 2)) return kOutcomeReceiveFailed;
  }
  for (int i = 0; i < dataLength; ++i) {
    link::SendByte(SendBuffer[static_cast<size_t>(i)]);
    if (link::IsTransferFailed()) return kOutcomeSendFailed;
    Sent(SendBuffer[static_cast<size_t>(i)]);
  }
  if (afterLength > 0 && !ReadRest(afterLength, recordLength, 1)) return kOutcomeReceiveFailed;
  return 0;
}

}  // namespace

bool IsStatusCommand(uint8_t cmd) {
  switch (cmd) {
    case 94:
    case 96:
    case 144:
    case 148:
    case 149:
    case 150:
    case 155:
    case 159:
      return true;
    default:
      return false;
  }
}

int RecordLength(uint8_t cmd) {
  switch (cmd) {
    case 162:
    case 163:
    case 165:
      return 11;
    case 173:
    case 174:
      return 16;
    case 231:
      return 4;
    case 233:
    case 238:
      return 20;
    case 234:
      return 8;
    default:
      return 0;
  }
}

uint8_t MapResultCode(uint8_t outcome) {
  if (outcome >= 1 && outcome <= 25) return outcome;
  if (outcome >= 26 && outcome <= 30) return static_cast<uint8_t>(outcome + 75);
  if (outcome >= 31 && outcome <= 39) return static_cast<uint8_t>(outcome + 76);
  if (outcome >= 40 && outcome <= 52) return static_cast<uint8_t>(outcome + 160);
  if (outcome == 53) return 26;
  return 0;
}

uint8_t RunSequence(uint8_t cmd, uint8_t answerLength, uint8_t dataLength, uint8_t afterLength) {
  LastResult = 0;
  tracing = trace::Begin(cmd, link::PortObject ? link::PortObject->PortNumber : 0);
  LastResult = MapResultCode(Run(cmd, answerLength, dataLength, afterLength));
  if (tracing != nullptr) trace::End(LastResult);
  tracing = nullptr;
  return LastResult;
}

uint8_t SendSequence(uint8_t cmd, uint8_t answerLength, uint8_t dataLength, Block& answer,
                     const Block& data) {
  if (dataLength > 0) SendBuffer = data;
  RunSequence(cmd, answerLength, dataLength, 0);
  if (answerLength > 0) answer = ReceiveBuffer;
  return LastResult;
}

}  // namespace sigra
