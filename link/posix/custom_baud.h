// Line speeds outside the standard termios list (28800 bit/s among them),
// set and read through the kernel's arbitrary-rate interface.
#ifndef SIGRA_LINK_POSIX_CUSTOM_BAUD_H
#define SIGRA_LINK_POSIX_CUSTOM_BAUD_H

#include <cstdint>

namespace sigra::link::os {

bool SetCustomBaudRate(int fd, uint32_t baud);
uint32_t CustomBaudRate(int fd);

}  // namespace sigra::link::os

#endif
