// What the menu commands and dialogs share before they act: the configured
// port and speed, the connected-device check, the checks on the status bytes
// and the common command steps.
#ifndef SIGRA_APP_DEVICE_CHECKS_H
#define SIGRA_APP_DEVICE_CHECKS_H

#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>

#include "link/serial_ports.h"

class QDialog;

namespace sigra::app {

// COM port 1..255 and line speed in bit/s; 0 while none is given.
extern uint8_t ConfiguredComPort;
extern uint16_t ConfiguredSpeed;

// The port timeouts of the operator program, in seconds.
inline constexpr uint16_t kWriteSeconds = 3;
inline constexpr uint16_t kReadSeconds = 5;

inline constexpr uint8_t kLastFiscalPrinterType = 8;

// Reopens the configured port with the program's timeouts, and tells the
// driver which port and speed the program uses; 0 or the result code (114
// when there is no port to open).
int32_t OpenConfiguredPort();
// What the operator is told when the port does not open: own texts for a port
// that does not exist (2) and one held by another program (5), or that this
// user may not open (5, see NoRightsText).
QString PortOpenFailureText(int32_t code, uint8_t port);
// A port the user lacks the rights for: its device and what to do, joining
// the group that may open it.
QString NoRightsText(const link::ports::OpenProblem& problem, uint8_t port);
// Follows the printer to a new line speed: the communication dialog's speed
// choice becomes `speed`, the port is reopened at it and the status bar shows
// it. 0, or the code of an opening that failed, which the operator was shown.
int32_t FollowLineSpeed(uint16_t speed);
// "COM1, 9600 b/s".
QString PortAndSpeedText(int port, int speed);
inline constexpr const char* kNotFiscalPrinter = "Podłączone urządzenie nie jest drukarką fiskalną";

// Opens the configured port, reads the device type and shows the device in the
// status bar. True for a fiscal printer (types 0 to 8). `failed` is set when a
// failure was already shown to the operator. Leaves the port open and its
// progress text on screen.
bool CheckFiscalDevice(uint8_t& deviceType, bool& failed);

// Checks on the status bytes. When the bytes cannot be read, each reports the
// result code, sets `failed` and returns false.
bool PrinterInFiscalMode(bool& failed);
bool DrawerOpen(bool& failed);
bool PrinterReadOnly(bool& failed);
bool ClockMemoryErased(bool& failed);
// True when none of the printer's error conditions is present; otherwise
// `kind` names the last one found (see PrinterErrorText).
bool CheckPrinterErrors(bool& failed, uint8_t& kind);
QString PrinterErrorText(uint8_t kind);

// The common steps of the commands. Each returns whether the command goes on;
// when it does not, the operator has been told why.
//
// D: the connected device must be a fiscal printer; `deviceType` receives it.
// The refusal ends with a full stop where the command asks for it.
bool DeviceStep(uint8_t& deviceType, bool withFullStop = false);
// C: the clock memory must not be erased.
bool ClockStep();
// C where the command tells of an erased clock memory in its own words.
bool ClockStep(const QString& erasedText);
// F: the printer must work in fiscal mode.
bool FiscalModeStep();
// G: the device must be one of `allowed`; the refusal ends with a full stop
// where the command asks for it.
bool SecondGenerationStep(uint8_t deviceType, std::initializer_list<uint8_t> allowed,
                          bool withFullStop);
// P: waits for the printer, runs `print` and, while it reports paper out,
// offers to resume once paper is loaded. Returns the last result code.
int32_t PrintStep(uint8_t deviceType, const std::function<int32_t()>& print);
// The paper-resume part of P for a printing result obtained elsewhere.
int32_t HandlePrintResult(int32_t result, uint8_t deviceType);
// S: shows the dialog modally.
int ShowDialogStep(QDialog& dialog);

}  // namespace sigra::app

#endif
