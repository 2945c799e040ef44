// Manual-reset events and wait-for-any, the synchronisation the port threads
// and their callers meet through. Every event stays set until reset.
#ifndef SIGRA_LINK_OS_EVENT_H
#define SIGRA_LINK_OS_EVENT_H

#include <cstdint>
#include <initializer_list>
#include <memory>

namespace sigra::link::os {

class Event {
 public:
  virtual ~Event() = default;
  virtual bool Set() = 0;
  virtual bool Reset() = 0;
  virtual bool IsSet() const = 0;
};

// A new manual-reset event, or null when the system cannot create one.
std::unique_ptr<Event> CreateEvent(bool initiallySet);

inline constexpr int kWaitFailed = -1;
inline constexpr int kWaitTimeout = -2;
inline constexpr uint32_t kInfinite = 0xFFFFFFFF;

// Waits until one of the events is set and returns its index; when several are
// set the lowest index wins. kWaitTimeout after timeoutMs, kWaitFailed when an
// event is null or the wait itself fails.
int WaitForAny(std::initializer_list<const Event*> events, uint32_t timeoutMs = kInfinite);

}  // namespace sigra::link::os

#endif
