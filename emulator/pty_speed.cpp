// Kept apart from the rest of the pty: the kernel's termios2 header, which
// gives speeds outside the standard table, clashes with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "emulator/pty.h"

namespace sigra::emu {

uint32_t Pty::HostSpeed() const {
  struct termios2 settings {};
  if (ioctl(slave_, TCGETS2, &settings) != 0) return 0;
  return settings.c_ospeed;
}

}  // namespace sigra::emu
