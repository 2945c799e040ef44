#include "link/thread.h"
#include "link/win32/windows_api.h"

namespace sigra::link {

void ApplyCurrentThreadPriority(ThreadPriority priority) {
  const int level = priority == ThreadPriority::TimeCritical ? THREAD_PRIORITY_TIME_CRITICAL
                    : priority == ThreadPriority::Highest    ? THREAD_PRIORITY_HIGHEST
                                                             : THREAD_PRIORITY_NORMAL;
  ::SetThreadPriority(::GetCurrentThread(), level);
}

}  // namespace sigra::link
