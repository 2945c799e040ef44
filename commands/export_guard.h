// The exception barrier every exported function stands behind: the driver
// interface reports failures by result codes only, 999 for anything thrown.
#ifndef SIGRA_COMMANDS_EXPORT_GUARD_H
#define SIGRA_COMMANDS_EXPORT_GUARD_H

#include <cstdint>

namespace sigra {

inline constexpr int32_t kResultException = 999;
inline constexpr int32_t kResultNullBuffer = 225;

template <class Body>
int32_t Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return kResultException;
  }
}

}  // namespace sigra

#endif
