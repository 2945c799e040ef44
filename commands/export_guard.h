// The barrier every exported function stands behind. The driver interface
// reports failures by result codes only, 999 for anything thrown; and its
// calls run one at a time: the port, the receipt and the buffers are
// process-wide, so bytes of two calls made at once from two threads would mix
// on the line into frames the printer takes for other commands.
#ifndef SIGRA_COMMANDS_EXPORT_GUARD_H
#define SIGRA_COMMANDS_EXPORT_GUARD_H

#include <cstdint>
#include <mutex>

namespace sigra {

inline constexpr int32_t kResultException = 999;
inline constexpr int32_t kResultNullBuffer = 225;

// Held by each guarded call for its whole run. A call that starts while
// another thread's runs waits for it; the thread that holds the lock takes it
// again, for a call made inside another (the operator program's message
// processing during a printout, an operation built of others).
std::recursive_mutex& DriverCallLock();

template <class Body>
int32_t Guarded(Body&& body) noexcept {
  try {
    std::lock_guard lock(DriverCallLock());
    return body();
  } catch (...) {
    return kResultException;
  }
}

}  // namespace sigra

#endif
