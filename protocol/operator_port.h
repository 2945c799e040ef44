// The serial port settings of the operator application: the port and speed
// chosen on its command line or in its communication dialog, and its own write
// and read timeouts. The driver reads them where it reopens the port on the
// application's behalf (around the periodic reports). A point-of-sale program
// never sets them, and the port stays 0.
#ifndef SIGRA_PROTOCOL_OPERATOR_PORT_H
#define SIGRA_PROTOCOL_OPERATOR_PORT_H

#include <cstdint>

namespace sigra {

struct OperatorPortSettings {
  // COM port number; 0 while the application has configured none.
  uint8_t port = 0;
  // Line speed in bit/s.
  int32_t baud = 9600;
  uint16_t writeSeconds = 3;
  uint16_t readSeconds = 5;
};

// Set by the operator application whenever its port or speed changes.
extern OperatorPortSettings OperatorPort;

}  // namespace sigra

#endif
