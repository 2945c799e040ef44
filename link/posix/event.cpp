// Events on POSIX: an atomic flag per event, and a few slots in which waiting
// threads leave their parker. A thread parks on a futex word of its own, so
// Set wakes exactly the threads that wait for that event, with one system call,
// and costs none when nobody waits. A thread that also waits for a descriptor
// parks in ppoll on an eventfd of its own instead, which Set writes to.
//
// Before it parks, a waiter may watch the flags for a few microseconds: on a
// pseudo-terminal the port worker finishes a byte within that time, and the
// hand-over then needs no sleep and no wake-up. Whether it watches follows
// what the thread's wait after the same step was like the last time (see
// WaitHistory), so a wait for a byte on a real line, which lasts a character
// time or more, parks at once.
#include <linux/futex.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "link/os_event.h"
#include "link/posix/event_wait.h"

namespace sigra::link::os {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kWatch = std::chrono::microseconds(20);

// Where one thread sleeps. Parkers are never freed: a thread that sets an
// event may still hold a parker whose thread has left its wait, and its wake
// then only makes that parker's next wait look again.
struct Parker {
  std::atomic<uint32_t> wakes{0};
  std::atomic<bool> polling{false};
  int wakeFd = -1;
};

std::mutex& g_parkersMutex = *new std::mutex;
std::vector<Parker*>& g_freeParkers = *new std::vector<Parker*>;

// The calling thread's parker, taken from the free ones and given back when
// the thread ends.
Parker& ThisThreadsParker() {
  struct Holder {
    Parker* parker;
    Holder() {
      std::lock_guard lock(g_parkersMutex);
      if (g_freeParkers.empty()) {
        parker = new Parker;
      } else {
        parker = g_freeParkers.back();
        g_freeParkers.pop_back();
      }
    }
    ~Holder() {
      std::lock_guard lock(g_parkersMutex);
      g_freeParkers.push_back(parker);
    }
  };
  thread_local Holder holder;
  return *holder.parker;
}

void Wake(Parker& parker) {
  parker.wakes.fetch_add(1);
  syscall(SYS_futex, &parker.wakes, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
  if (parker.polling.load()) {
    const uint64_t one = 1;
    while (write(parker.wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
  }
}

// What the calling thread's waits were like, by the step that came before
// each: the event the thread set last and whether that set had to wake a
// parked thread. The caller that has posted a write on a pseudo-terminal
// waits a microsecond or two, after posting a read for the printer's answer,
// or when it had to wake the worker first, much longer.
class WaitHistory {
 public:
  static uintptr_t Step(const void* event, bool wokeSomeone) {
    return reinterpret_cast<uintptr_t>(event) | (wokeSomeone ? 1 : 0);
  }
  void Set(uintptr_t step) { last_ = step; }
  // Whether the last wait after the current step was short; a step not yet
  // seen is given the chance.
  bool QuickNow() const {
    for (const auto& [step, quick] : steps_) {
      if (step == last_) return quick;
    }
    return true;
  }
  void Waited(bool quick) {
    for (auto& [step, wasQuick] : steps_) {
      if (step == last_) {
        wasQuick = quick;
        return;
      }
    }
    steps_[next_] = {last_, quick};
    next_ = (next_ + 1) % steps_.size();
  }

 private:
  uintptr_t last_ = 0;
  std::array<std::pair<uintptr_t, bool>, 8> steps_{};
  size_t next_ = 0;
};

thread_local WaitHistory t_history;

timespec Timespec(Clock::duration d) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
  return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

class PosixEvent final : public Event {
 public:
  explicit PosixEvent(bool set) : set_(set) {}

  bool Set() override {
    set_.store(true);
    // A waiter takes a slot before it looks at the flag, so either it sees
    // the flag set or this sees its parker and wakes it.
    bool woke = false;
    for (std::atomic<Parker*>& slot : waiters_) {
      if (Parker* parker = slot.load()) {
        Wake(*parker);
        woke = true;
      }
    }
    t_history.Set(WaitHistory::Step(this, woke));
    return true;
  }
  bool Reset() override {
    set_.store(false);
    return true;
  }
  bool IsSet() const override { return set_.load(); }

  bool Enter(Parker& parker) const {
    for (std::atomic<Parker*>& slot : waiters_) {
      Parker* free = nullptr;
      if (slot.compare_exchange_strong(free, &parker)) return true;
    }
    return false;
  }
  void Leave(Parker& parker) const {
    for (std::atomic<Parker*>& slot : waiters_) {
      Parker* mine = &parker;
      if (slot.compare_exchange_strong(mine, nullptr)) return;
    }
  }

 private:
  std::atomic<bool> set_;
  // More than the threads that ever wait for one event at once: the caller,
  // the worker and the event thread.
  mutable std::array<std::atomic<Parker*>, 4> waiters_{};
};

const PosixEvent& Posix(const Event* event) {
  return static_cast<const PosixEvent&>(*event);
}

int FirstSet(std::initializer_list<const Event*> events) {
  int index = 0;
  for (const Event* event : events) {
    if (event->IsSet()) return index;
    ++index;
  }
  return kWaitTimeout;
}

void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

// The index of a set event after watching the flags until `end`, or
// kWaitTimeout. The watch gives up its processor now and then, so that on a
// busy machine the thread it waits for can run.
int Watch(std::initializer_list<const Event*> events, Clock::time_point end) {
  for (;;) {
    for (int round = 0; round < 16; ++round) {
      if (int index = FirstSet(events); index >= 0) return index;
      Pause();
    }
    if (Clock::now() >= end) return kWaitTimeout;
    std::this_thread::yield();
  }
}

// The parker entered in every event for the length of one wait. An event
// whose slots are all taken cannot wake it, so the wait then looks again
// every millisecond.
class Entered {
 public:
  Entered(Parker& parker, std::initializer_list<const Event*> events)
      : parker_(parker), events_(events) {
    for (const Event* event : events_) {
      if (!Posix(event).Enter(parker_)) everyEvent_ = false;
    }
  }
  ~Entered() {
    for (const Event* event : events_) Posix(event).Leave(parker_);
  }
  Entered(const Entered&) = delete;
  Entered& operator=(const Entered&) = delete;

  std::optional<Clock::duration> Limit(std::optional<Clock::duration> left) const {
    if (everyEvent_) return left;
    const Clock::duration look = std::chrono::milliseconds(1);
    return left ? std::min(*left, look) : look;
  }

 private:
  Parker& parker_;
  std::initializer_list<const Event*> events_;
  bool everyEvent_ = true;
};

// Waits for one of the events without a first look; none when the deadline
// passes first.
std::optional<int> Park(std::initializer_list<const Event*> events,
                        std::optional<Clock::time_point> deadline) {
  Parker& me = ThisThreadsParker();
  Entered entered(me, events);
  for (;;) {
    const uint32_t wakes = me.wakes.load();
    if (int index = FirstSet(events); index >= 0) return index;
    std::optional<Clock::duration> left;
    if (deadline) {
      left = *deadline - Clock::now();
      if (*left <= Clock::duration::zero()) return std::nullopt;
    }
    left = entered.Limit(left);
    timespec limit{};
    if (left) limit = Timespec(*left);
    syscall(SYS_futex, &me.wakes, FUTEX_WAIT_PRIVATE, wakes, left ? &limit : nullptr, nullptr, 0);
  }
}

}  // namespace

std::unique_ptr<Event> CreateEvent(bool initiallySet) {
  return std::make_unique<PosixEvent>(initiallySet);
}

int WaitForAny(std::initializer_list<const Event*> events, uint32_t timeoutMs) {
  for (const Event* event : events) {
    if (event == nullptr) return kWaitFailed;
  }
  if (int index = FirstSet(events); index >= 0 || timeoutMs == 0) return index;
  const auto start = Clock::now();
  std::optional<Clock::time_point> deadline;
  if (timeoutMs != kInfinite) deadline = start + std::chrono::milliseconds(timeoutMs);
  int index = kWaitTimeout;
  if (t_history.QuickNow()) {
    index = Watch(events, deadline ? std::min(*deadline, start + kWatch) : start + kWatch);
  }
  if (index < 0) {
    const std::optional<int> woken = Park(events, deadline);
    if (!woken) return kWaitTimeout;
    index = *woken;
  }
  t_history.Waited(Clock::now() - start < kWatch);
  return index;
}

FdWait WaitForFdOrEvent(int fd, short events, short& revents, const Event& event,
                        std::optional<std::chrono::steady_clock::time_point> deadline) {
  if (event.IsSet()) return FdWait::EventSet;
  Parker& me = ThisThreadsParker();
  if (me.wakeFd < 0) {
    me.wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (me.wakeFd < 0) return FdWait::Failed;
  }
  me.polling.store(true);
  const std::initializer_list<const Event*> watched = {&event};
  Entered entered(me, watched);
  FdWait result = FdWait::Timeout;
  for (;;) {
    if (event.IsSet()) {
      result = FdWait::EventSet;
      break;
    }
    std::optional<Clock::duration> left;
    if (deadline) {
      left = *deadline - Clock::now();
      if (*left <= Clock::duration::zero()) break;
    }
    left = entered.Limit(left);
    timespec limit{};
    if (left) limit = Timespec(*left);
    pollfd fds[2] = {{fd, events, 0}, {me.wakeFd, POLLIN, 0}};
    const int ready = ppoll(fds, 2, left ? &limit : nullptr, nullptr);
    if (ready < 0 && errno != EINTR) {
      result = FdWait::Failed;
      break;
    }
    if (ready > 0 && fds[1].revents != 0) {
      uint64_t count = 0;
      while (read(me.wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
      }
    }
    if (ready > 0 && fds[0].revents != 0 && !event.IsSet()) {
      revents = fds[0].revents;
      result = FdWait::Ready;
      break;
    }
  }
  me.polling.store(false);
  return result;
}

}  // namespace sigra::link::os
