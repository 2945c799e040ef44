#include "protocol/connection.h"

#include "link/comm.h"
#include "link/os_serial.h"
#include "link/text_1250.h"

namespace sigra {

bool ConnectionOpen = false;
int32_t ConfiguredPort = 0;
int32_t ConfiguredBaudRate = 0;
int32_t ConfiguredTimeout = 0;
uint8_t DeviceType = kDeviceOther;
bool PortObjectCreated = false;

bool ProbeComPort(uint8_t portNumber) {
  link::os::Handle h = link::os::CreateFile("\\\\.\\COM" + std::to_string(portNumber), false);
  bool opened = h != link::os::InvalidHandle();
  if (opened) link::os::CloseHandle(h);
  return opened;
}

int32_t OpenPrinterPort(uint8_t portNumber, int32_t baud, uint16_t writeSeconds,
                        uint16_t readSeconds) {
  link::os::SetLastError(0);
  if (PortObjectCreated && link::PortObject && link::PortObject->IsOpen()) {
    link::ReportCommError(Cp1250FromUtf8("Ten port jest już zainicjowany"), 5);
    return 5;
  }
  link::PortObject = std::make_unique<link::TComm>();
  int32_t result = link::PortObject->SetParameters(portNumber, baud, writeSeconds, readSeconds);
  if (result == 0) result = link::PortObject->Open();
  PortObjectCreated = true;
  return result;
}

}  // namespace sigra
