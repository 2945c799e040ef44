#include "commands/export_guard.h"

namespace sigra {

std::recursive_mutex& DriverCallLock() {
  // Never destroyed: a program may end while a call still runs on another
  // thread.
  static std::recursive_mutex& lock = *new std::recursive_mutex();
  return lock;
}

}  // namespace sigra
