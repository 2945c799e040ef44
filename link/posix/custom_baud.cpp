// Kept apart from the termios code: the kernel's termios2 header clashes with
// the C library's <termios.h>.
#include "link/posix/custom_baud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace sigra::link::os {

bool SetCustomBaudRate(int fd, uint32_t baud) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
  tio.c_cflag |= BOTHER;
  tio.c_ispeed = baud;
  tio.c_ospeed = baud;
  return ioctl(fd, TCSETS2, &tio) == 0;
}

uint32_t CustomBaudRate(int fd) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return 0;
  return tio.c_ospeed;
}

}  // namespace sigra::link::os
