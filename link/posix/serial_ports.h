// COM port numbers on Linux. Port n is, in this order:
// - the device a symbolic link "com<n>" in the folder SIGRA_DOSDEVICES names
//   points to;
// - the USB serial adapter numbered n, an adapter being a name in the folder
//   of adapter names (SIGRA_SERIAL_DIR, else /dev/serial/by-id, where udev
//   links each adapter's /dev/ttyUSB* or /dev/ttyACM* under a name of its
//   maker, model and serial number);
// - /dev/ttyS<n-1>.
// An adapter keeps its number for good: the first program that sees a new
// one gives it the lowest number no other adapter, link or built-in port
// holds and records it in the port table, one line "COM<n> <name>" an adapter
// (SIGRA_PORTS_FILE, else /var/lib/sigradrv/ports when that folder exists,
// else $XDG_STATE_HOME/sigra/ports). Every program of the machine reads the
// same table, so all of them give an adapter the same number.
#ifndef SIGRA_LINK_POSIX_SERIAL_PORTS_H
#define SIGRA_LINK_POSIX_SERIAL_PORTS_H

#include <string>
#include <vector>

#include "link/posix/port_table.h"
#include "link/serial_ports.h"

namespace sigra::link::ports {

// The folder of the machine-wide port table the Debian package makes.
inline constexpr const char* kSystemTableDir = "/var/lib/sigradrv";

// The device port n opens (an adapter by its path in the folder of names).
// Numbering new adapters waits at most `wait` for another program doing so.
// Throws TableError (link/posix/port_table.h) when the port table cannot be
// used or its lock is not had in time: no port is guessed then.
std::string DeviceOf(int n, std::chrono::milliseconds wait = kDefaultTableWait);

// Opens a device for the driver: read and write, no controlling terminal,
// non-blocking, locked against any other opening. A /dev/ttyS node whose
// serial driver has no UART behind it is no port (ENODEV). The descriptor,
// or -1 with errno set.
int OpenDevice(const std::string& device);
// Closes what OpenDevice opened, ending the lock against other openings.
void CloseDevice(int fd);

// A port that is there: a link whose device exists, an adapter plugged in, a
// /dev/ttyS node with a UART behind it.
struct Port {
  int number = 0;
  // The device node the port reaches, links followed.
  std::string device;
  // The adapter's name in the folder of names; empty for other ports.
  std::string adapter;
};
// The ports that are there, by number. Numbers the new adapters; throws
// TableError as DeviceOf does.
std::vector<Port> List(std::chrono::milliseconds wait = kDefaultTableWait);

}  // namespace sigra::link::ports

#endif
