// The items of the port dialog's list: the port's number, and for a USB
// serial adapter its name in /dev/serial/by-id beside it, as `sigractl ports`
// shows it, so that the operator can tell two adapters apart.
#ifndef SIGRA_APP_LOGIC_PORT_ITEM_H
#define SIGRA_APP_LOGIC_PORT_ITEM_H

#include <string>

namespace sigra::app {

// "COM12" for a port, "COM12 usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
// for an adapter.
std::string PortItemText(int port, const std::string& adapter);

// The port an item names: the number after "COM" up to the first blank,
// COM1 to COM255; 0 for any other text.
int PortOfItem(const std::string& text);

}  // namespace sigra::app

#endif
