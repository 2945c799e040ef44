// Start-up of the operator program: the command line, the busy cursor file
// and the connection made on the main window's first activation.
#ifndef SIGRA_APP_STARTUP_H
#define SIGRA_APP_STARTUP_H

#include <QStringList>
#include <cstdint>

class QCursor;

namespace sigra::app {

// Whether the main window has not yet run its start-up connection.
extern bool FirstActivation;

// Sets the state of the main-window module before any form exists: loads the
// busy cursor, sets the first-activation flag and takes the configured port
// and speed from the program's arguments (without the program name).
void InitMainWindowModule(const QStringList& arguments);

// "COM1" to "COM9" in any case; 0 when no argument names a port.
uint8_t PortFromArguments(const QStringList& arguments);
// "9600", "19200" or "28800"; 0 when no argument is a speed.
uint16_t SpeedFromArguments(const QStringList& arguments);

// What the program prints and exits with instead of starting: the usage for
// "--help", the version for "--version" (the first of the two given); empty
// when neither is among the arguments, which are otherwise ignored.
QString CommandLineInformation(const QStringList& arguments);

// The busy cursor: the one loaded from "hourglas.ani" when it could be read,
// else the standard one.
QCursor BusyCursor();

// The first activation: fills the port list, then connects with the port and
// speed of the command line or shows the communication dialog.
void StartupConnection();

}  // namespace sigra::app

#endif
