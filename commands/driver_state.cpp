#include "commands/driver_state.h"

#include "link/comm.h"
#include "protocol/connection.h"
#include "protocol/operator_port.h"
#include "protocol/receipt_state.h"

namespace sigra {

void ResetDriverState() {
  link::ClosePrinterPort();
  link::PortObject.reset();
  link::ReportCommError("", 0);
  PortObjectCreated = false;
  ConnectionOpen = false;
  ConfiguredPort = 0;
  ConfiguredBaudRate = 0;
  ConfiguredTimeout = 0;
  DeviceType = kDeviceOther;
  OperatorPort = OperatorPortSettings{};
  ClearReceiptBuildingState();
}

}  // namespace sigra
