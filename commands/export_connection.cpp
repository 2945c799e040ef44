// Opening and closing the connection, the device name and print control.
#include <cstring>
#include <string>

#include "commands/export_guard.h"
#include "link/comm_threads.h"
#include "protocol/connection.h"
#include "protocol/status.h"
#include "sigra/sigradrv.hpp"

using namespace sigra;

extern "C" {

SIGRA_API int32_t SIGRA_CALL CommunicationInit(int32_t PortNumber, int32_t Baud,
                                               int32_t TimeoutSeconds) {
  return Guarded([&] { return sigra::CommunicationInit(PortNumber, Baud, TimeoutSeconds); });
}

SIGRA_API int32_t SIGRA_CALL CommunicationEnd(void) {
  // The abort goes before the wait for the lock: a call running on another
  // thread, waiting for a silent printer, ends at once instead of at its
  // timeout, and the connection closes as soon as it has ended.
  link::AbortTransfers();
  return Guarded([] { return sigra::CommunicationEnd(); });
}

SIGRA_API int32_t SIGRA_CALL DeviceName(std::string& Text) {
  return Guarded([&] {
    Text.clear();
    if (!ConnectionOpen) {
      if (int32_t result = BeginPrinterCall(ConfiguredPort, true); result != 0) return result;
    }
    Text = DeviceNameText(sigra::DeviceType);
    return int32_t{0};
  });
}

SIGRA_API int32_t SIGRA_CALL pDeviceName(char* Buffer) {
  return Guarded([&] {
    if (Buffer == nullptr) return kResultNullBuffer;
    if (!ConnectionOpen) {
      if (int32_t result = BeginPrinterCall(ConfiguredPort, true); result != 0) return result;
    }
    const char* name = PDeviceNameText(sigra::DeviceType);
    std::memcpy(Buffer, name, std::strlen(name) + 1);
    return int32_t{0};
  });
}

SIGRA_API int32_t SIGRA_CALL PrintControl(int32_t Mode, int32_t DeviceType) {
  return Guarded([&] { return sigra::PrintControl(Mode, static_cast<uint8_t>(DeviceType)); });
}

SIGRA_API int32_t SIGRA_CALL PrintResume(void) {
  return Guarded([] { return sigra::PrintResume(); });
}

}  // extern "C"
