// Events on POSIX: an atomic flag per event, and one process-wide condition
// that a change of any event announces to the threads blocked on it. A waiter
// first watches the flags for a few microseconds: the port worker usually
// answers within that time, and a hand-over then costs no sleep and no wake-up.
// Few threads wait at a time (a caller, the port worker, the event thread), so
// one condition for all keeps wait-for-any simple and exact.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "link/os_event.h"

namespace sigra::link::os {
namespace {

using Clock = std::chrono::steady_clock;

// Never destroyed: threads of a port left open may still wait on them while
// the program ends.
std::mutex& g_mutex = *new std::mutex;
std::condition_variable& g_changed = *new std::condition_variable;
std::atomic<int> g_blocked{0};

constexpr auto kSpin = std::chrono::microseconds(50);

class PosixEvent final : public Event {
 public:
  explicit PosixEvent(bool set) : set_(set) {}
  bool Set() override {
    set_.store(true);
    // A waiter counts itself before it checks the flags, so either it sees
    // this flag or this sees it blocked and wakes it.
    if (g_blocked.load() > 0) {
      std::lock_guard lock(g_mutex);
      g_changed.notify_all();
    }
    return true;
  }
  bool Reset() override {
    set_.store(false);
    return true;
  }
  bool IsSet() const override { return set_.load(); }

 private:
  std::atomic<bool> set_;
};

int FirstSet(std::initializer_list<const Event*> events) {
  int index = 0;
  for (const Event* event : events) {
    if (event->IsSet()) return index;
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
  const auto spinEnd = Clock::now() + kSpin;
  for (int round = 0;; ++round) {
    if (int index = FirstSet(events); index >= 0) return index;
    if ((round & 15) == 15) {
      if (Clock::now() >= spinEnd) break;
      std::this_thread::yield();
    }
  }
  if (timeoutMs == 0) return kWaitTimeout;

  std::unique_lock lock(g_mutex);
  ++g_blocked;
  int index = kWaitTimeout;
  auto anySet = [&] { return (index = FirstSet(events)) >= 0; };
  if (timeoutMs == kInfinite) {
    g_changed.wait(lock, anySet);
  } else {
    g_changed.wait_until(lock, Clock::now() + std::chrono::milliseconds(timeoutMs), anySet);
  }
  --g_blocked;
  return index;
}

}  // namespace sigra::link::os
