#include "protocol/connection.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

#include "link/comm.h"
#include "link/os_serial.h"
#include "link/text_1250.h"
#include "protocol/command_numbers.h"
#include "protocol/device_family.h"
#include "protocol/feedback.h"
#include "protocol/receipt_state.h"
#include "protocol/sequence.h"
#include "protocol/status.h"
#include "protocol/wire_trace.h"

namespace sigra {

bool ConnectionOpen = false;
int32_t ConfiguredPort = 0;
int32_t ConfiguredBaudRate = 0;
int32_t ConfiguredTimeout = 0;
uint8_t DeviceType = kDeviceOther;
bool PortObjectCreated = false;

namespace {

bool IsComPortNumber(int32_t portNumber) {
  return portNumber >= kFirstComPort && portNumber <= kLastComPort;
}

}  // namespace

bool ProbeComPort(int32_t portNumber) {
  if (!IsComPortNumber(portNumber)) return false;
  link::os::Handle h = link::os::CreateFile("\\\\.\\COM" + std::to_string(portNumber), false);
  bool opened = h != link::os::InvalidHandle();
  if (opened) link::os::CloseHandle(h);
  return opened;
}

int32_t OpenPrinterPort(int32_t portNumber, int32_t baud, uint16_t writeSeconds,
                        uint16_t readSeconds) {
  link::os::SetLastError(0);
  if (PortObjectCreated && link::PortObject && link::PortObject->IsOpen()) {
    // The refusal is recorded without a failure code: the open port must go on
    // working, and a non-zero code would fail every later sequence on it.
    link::ReportCommError(Cp1250FromUtf8("Ten port jest już zainicjowany"),
                          link::LastCommErrorCode);
    return 5;
  }
  // Cut to the byte a port object takes, a larger number would open another
  // port (257 COM1, -1 COM255), so such a number opens nothing.
  if (!IsComPortNumber(portNumber)) return link::ReportNoSuchPort();
  link::PortObject = std::make_unique<link::TComm>();
  int32_t result = link::PortObject->SetParameters(static_cast<uint8_t>(portNumber), baud,
                                                   writeSeconds, readSeconds);
  if (result == 0) result = link::PortObject->Open();
  PortObjectCreated = true;
  return result;
}

namespace {

constexpr uint8_t kCmdConnectionCheck = 35;
constexpr int32_t kResultNak = 24;
constexpr int32_t kResultNoPort = 114;
constexpr int32_t kResultParameterOutOfRange = 215;

// Connection check, wait for a pending printout, device type: the steps that
// CommunicationInit and a checking BeginPrinterCall share.
int32_t CheckDevice() {
  Block answer{};
  const Block data{};
  int32_t check = SendSequence(kCmdConnectionCheck, 1, 0, answer, data);
  if (check != 0 && check != kResultNak) return check;
  // The check cancels a receipt the printer holds open, or it refuses one
  // without lines and drops it: either way no receipt is open any more, and
  // one left open by a closing the line cut must not keep the driver refusing
  // commands with 200.
  ReceiptOpen = false;
  ReceiptItemCount = 0;
  if (check == 0) {
    if (int32_t result = WaitForPrintout(kModePrinting, DeviceType); result != 0) return result;
  }
  uint32_t version = 0;
  return ReadDeviceType(DeviceType, version);
}

}  // namespace

int32_t CommunicationInit(int32_t portNumber, int32_t baud, int32_t timeoutSeconds) {
  // Refused before the port is touched: a negative timeout would be cut to
  // 18 hours of waiting for a silent printer, a larger one to another timeout,
  // and at a speed no printer has, no printer answers.
  if (std::find(kPrinterSpeeds.begin(), kPrinterSpeeds.end(), baud) == kPrinterSpeeds.end() ||
      timeoutSeconds < 0 || timeoutSeconds > kLongestTimeout) {
    return kResultParameterOutOfRange;
  }
  try {
    ConfiguredTimeout = timeoutSeconds;
    ConfiguredBaudRate = baud;
    ConnectionOpen = false;
    ClearReceiptBuildingState();
    DeviceType = kDeviceOther;
    if (int32_t result = link::ClosePrinterPort(); result != 0) return result;
    const auto timeout = static_cast<uint16_t>(ConfiguredTimeout);
    if (int32_t result = OpenPrinterPort(portNumber, ConfiguredBaudRate, timeout, timeout);
        result != 0) {
      return result;
    }
    int32_t result = CheckDevice();
    ConnectionOpen = result == 0;
    return result;
  } catch (...) {
    ConnectionOpen = false;
    return 999;
  }
}

int32_t CommunicationEnd() {
  trace::Flush();
  DeviceType = kDeviceOther;
  if (int32_t result = link::ClosePrinterPort(); result != 0) return result;
  ConnectionOpen = false;
  ConfiguredPort = 0;
  return 0;
}

int32_t BeginPrinterCall(int32_t portNumber, bool checkDevice) {
  if (portNumber == 0) return kResultNoPort;
  int32_t result = 0;
  try {
    ConnectionOpen = false;
    ClearReceiptBuildingState();
    DeviceType = kDeviceOther;
    result = link::ClosePrinterPort();
    if (result != 0) return result;
    const auto timeout = static_cast<uint16_t>(ConfiguredTimeout);
    result = OpenPrinterPort(portNumber, ConfiguredBaudRate, timeout, timeout);
    if (result != 0) return result;
    if (checkDevice) result = CheckDevice();
    ConnectionOpen = result == 0;
    return result;
  } catch (...) {
    ConnectionOpen = false;
    return result;
  }
}

int32_t EnsureConnection(bool checkDevice) {
  return ConnectionOpen ? 0 : BeginPrinterCall(ConfiguredPort, checkDevice);
}

int32_t ReadDeviceType(uint8_t& type, uint32_t& version) {
  ShowProgressText("Odczyt typu urządzenia...");
  Block answer{};
  const Block data{};
  if (int32_t result = SendSequence(kCmdDeviceType, 2, 0, answer, data); result != 0) {
    return result;
  }
  const uint8_t code = answer[0];
  if (code != 44 && code != 18) {
    type = code == 2 ? 0 : code == 17 ? 1 : code == 5 ? 4 : kDeviceOther;
    version = 0;
    return 0;
  }
  const bool sigra = code == 44;
  int32_t result = SendSequence(kCmdDeviceVersion, 4, 0, answer, data);
  if (result == 0) {
    if (sigra) {
      type = answer[0] == 124 ? 7 : 3;
    } else {
      type = answer[0] == 125 ? 8 : 6;
    }
    version = answer[1];
    return 0;
  }
  if (result == kResultNak) {
    type = sigra ? 2 : 5;
    version = 0;
    return 0;
  }
  return result;
}

namespace {

// The names pDeviceName gives, by type, UTF-8 here; served in Windows-1250.
constexpr const char* kPDeviceNames[] = {
    "TX350A 5-stawkowa",
    "TX350A 7-stawkowa",
    "SIGRA I generacji",
    "SIGRA II generacji",
    "TX350B 5-st. (apteczna)",
    "TX350B 7-st. (apteczna)",
    "SIGRA F (apteczna)",
    "Nowa drukarka fiskalna",
    "Nowa drukarka fiskalna (apteczna)",
    "INNE URZADZENIE",
};
static_assert(std::size(kPDeviceNames) == std::size(kDeviceTypeNames));
constexpr const char* kUnknownDevice = "NIEZNANE";

const char* NameOf(uint8_t type, bool pList) {
  static const auto converted = [] {
    std::array<std::pair<std::string, std::string>, std::size(kPDeviceNames)> names;
    for (size_t i = 0; i < names.size(); ++i) {
      names[i] = {Cp1250FromUtf8(kDeviceTypeNames[i]), Cp1250FromUtf8(kPDeviceNames[i])};
    }
    return names;
  }();
  if (type >= converted.size()) return kUnknownDevice;
  return pList ? converted[type].second.c_str() : converted[type].first.c_str();
}

}  // namespace

const char* DeviceNameText(uint8_t type) {
  return NameOf(type, false);
}
const char* PDeviceNameText(uint8_t type) {
  return NameOf(type, true);
}

}  // namespace sigra
