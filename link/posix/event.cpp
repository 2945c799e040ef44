// Events on POSIX: a flag per event under one process-wide lock, and one
// condition that every change of any event announces. Few threads wait at a
// time (a caller, the port worker, the event thread), so waking them all on
// each change costs little and keeps wait-for-any simple and exact.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "link/os_event.h"

namespace sigra::link::os {
namespace {

std::mutex g_mutex;
std::condition_variable g_changed;

class PosixEvent final : public Event {
 public:
  explicit PosixEvent(bool set) : set_(set) {}
  bool Set() override {
    {
      std::lock_guard lock(g_mutex);
      set_ = true;
    }
    g_changed.notify_all();
    return true;
  }
  bool Reset() override {
    std::lock_guard lock(g_mutex);
    set_ = false;
    return true;
  }
  bool IsSet() const override {
    std::lock_guard lock(g_mutex);
    return set_;
  }
  bool SetLocked() const { return set_; }

 private:
  bool set_;
};

int FirstSet(std::initializer_list<const Event*> events) {
  int index = 0;
  for (const Event* event : events) {
    if (static_cast<const PosixEvent*>(event)->SetLocked()) return index;
    ++index;
  }
  return kWaitTimeout;
}

}  // namespace

std::unique_ptr<Event> CreateEvent(bool initiallySet) {
  return std::make_unique<PosixEvent>(initiallySet);
}

int WaitForAny(std::initializer_list<const Event*> events, uint32_t timeoutMs) {
  for (const Event* event : events) {
    if (event == nullptr) return kWaitFailed;
  }
  std::unique_lock lock(g_mutex);
  if (timeoutMs == kInfinite) {
    int index;
    g_changed.wait(lock, [&] { return (index = FirstSet(events)) >= 0; });
    return index;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int index = kWaitTimeout;
  g_changed.wait_until(lock, deadline, [&] { return (index = FirstSet(events)) >= 0; });
  return index;
}

}  // namespace sigra::link::os
