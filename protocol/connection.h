// The driver's connection state and the operations that open and close the
// printer connection and identify the connected device.
#ifndef SIGRA_PROTOCOL_CONNECTION_H
#define SIGRA_PROTOCOL_CONNECTION_H

#include <array>
#include <cstdint>

namespace sigra {

// The exported commands may talk to the printer without opening first.
extern bool ConnectionOpen;
// Port number the commands hand to BeginPrinterCall.
extern int32_t ConfiguredPort;
extern int32_t ConfiguredBaudRate;
// Write and read timeout in seconds.
extern int32_t ConfiguredTimeout;
// Device type 0..9; 9 (other device) also while nothing is identified.
extern uint8_t DeviceType;
// Whether OpenPrinterPort ever created a port object.
extern bool PortObjectCreated;

inline constexpr uint8_t kDeviceOther = 9;

// The line speeds the printers work at, in bit/s.
inline constexpr std::array<int32_t, 3> kPrinterSpeeds = {9600, 19200, 28800};
// The longest write and read timeout a port takes, in seconds.
inline constexpr int32_t kLongestTimeout = 65535;

// Ports are COM1 to COM255; no other number names one.
inline constexpr int32_t kFirstComPort = 1;
inline constexpr int32_t kLastComPort = 255;

// Whether port n can be opened right now.
bool ProbeComPort(int32_t portNumber);

// Opens port n in a fresh port object; 5 while a port is already open,
// otherwise 0 or the system error code of the failed opening (2, as for a
// port that is missing, for a number outside COM1 to COM255).
int32_t OpenPrinterPort(int32_t portNumber, int32_t baud, uint16_t writeSeconds,
                        uint16_t readSeconds);

// Opens a connection for a point-of-sale program: the port, the connection
// check (command 35), the wait for a pending printout and the device type.
// A speed none of the printers has, or a timeout below 0 or above
// kLongestTimeout, gives 215 before anything is touched.
int32_t CommunicationInit(int32_t portNumber, int32_t baud, int32_t timeoutSeconds);
int32_t CommunicationEnd();
// The opening every command runs when no connection is open; 114 for port 0.
int32_t BeginPrinterCall(int32_t portNumber, bool checkDevice);
// The opening of every command: BeginPrinterCall on ConfiguredPort unless a
// connection is open already.
int32_t EnsureConnection(bool checkDevice);
int32_t ReadDeviceType(uint8_t& type, uint32_t& version);

// Device names in Windows-1250: the list DeviceName gives and the list
// pDeviceName gives (they differ for types 7, 8 and 9).
const char* DeviceNameText(uint8_t type);
const char* PDeviceNameText(uint8_t type);

}  // namespace sigra

#endif
