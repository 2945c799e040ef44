// Raw access to the printer: opening and closing the port, and single command
// sequences.
#include <cstring>

#include "commands/export_guard.h"
#include "link/comm.h"
#include "link/comm_threads.h"
#include "protocol/connection.h"
#include "protocol/sequence.h"
#include "protocol/wire_trace.h"
#include "sigra/sigradrv.h"

using namespace sigra;

extern "C" {

SIGRA_API int32_t SIGRA_CALL OpenPort(int32_t PortNumber, int32_t Baud, int32_t WriteSeconds,
                                      int32_t ReadSeconds) {
  return Guarded([&] {
    return OpenPrinterPort(PortNumber, Baud, static_cast<uint16_t>(WriteSeconds),
                           static_cast<uint16_t>(ReadSeconds));
  });
}

SIGRA_API int32_t SIGRA_CALL ClosePort(void) {
  // As CommunicationEnd: a sequence running on another thread ends at once.
  link::AbortTransfers();
  return Guarded([] {
    trace::Flush();
    return link::ClosePrinterPort();
  });
}

SIGRA_API int32_t SIGRA_CALL RSSequence(int32_t Cmd, int32_t AnswerLength, int32_t DataLength,
                                        unsigned char* Answer, const unsigned char* Data) {
  return Guarded([&]() -> int32_t {
    if ((AnswerLength != 0 && Answer == nullptr) || (DataLength != 0 && Data == nullptr)) {
      return kResultNullBuffer;
    }
    if (DataLength != 0) std::memcpy(SendBuffer.data(), Data, SendBuffer.size());
    RunSequence(static_cast<uint8_t>(Cmd), static_cast<uint8_t>(AnswerLength),
                static_cast<uint8_t>(DataLength), 0);
    if (AnswerLength != 0) std::memcpy(Answer, ReceiveBuffer.data(), ReceiveBuffer.size());
    return LastResult;
  });
}

}  // extern "C"
