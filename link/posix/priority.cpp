#include <sys/resource.h>
#include <unistd.h>

#include "link/thread.h"

namespace sigra::link {

void ApplyCurrentThreadPriority(ThreadPriority priority) {
  // A thread's nice value on Linux; without the privilege to raise it the
  // thread simply keeps the normal priority.
  int nice = priority == ThreadPriority::TimeCritical ? -15
             : priority == ThreadPriority::Highest    ? -10
                                                      : 0;
  if (nice != 0) setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
}

}  // namespace sigra::link
