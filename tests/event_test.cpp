// The events the port threads meet through, and the wait of a transfer for
// its descriptor or the abort: what they return, that a Set from another
// thread always wakes the waiter, and that waits end at their deadlines.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "link/os_event.h"
#include "link/posix/event_wait.h"

namespace sigra::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace os = link::os;

TEST(EventWait, LowestSetIndexWinsTimeoutsAndMissingEvents) {
  auto first = os::CreateEvent(false);
  auto second = os::CreateEvent(true);
  EXPECT_EQ(os::WaitForAny({first.get(), second.get()}), 1);
  first->Set();
  EXPECT_EQ(os::WaitForAny({first.get(), second.get()}), 0);
  EXPECT_TRUE(first->IsSet()) << "a woken wait leaves a manual-reset event set";
  first->Reset();
  second->Reset();
  const auto start = Clock::now();
  EXPECT_EQ(os::WaitForAny({first.get(), second.get()}, 50), os::kWaitTimeout);
  EXPECT_GE(Clock::now() - start, 50ms);
  EXPECT_EQ(os::WaitForAny({first.get(), second.get()}, 0), os::kWaitTimeout);
  EXPECT_EQ(os::WaitForAny({first.get(), nullptr}), os::kWaitFailed);
}

TEST(EventWait, SetFromAnotherThreadWakesAWaiterAsleep) {
  auto abort = os::CreateEvent(false);
  auto idle = os::CreateEvent(false);
  const auto start = Clock::now();
  std::thread setter([&] {
    std::this_thread::sleep_for(100ms);
    idle->Set();
  });
  EXPECT_EQ(os::WaitForAny({abort.get(), idle.get()}), 1);
  const auto waited = Clock::now() - start;
  setter.join();
  EXPECT_GE(waited, 100ms);
  EXPECT_LT(waited, 2s);
}

// The rendezvous of SendByte and the worker, many times over, with the worker
// now and then slow enough that the caller falls asleep: no Set may be lost
// between a waiter's look at the flags and its sleep.
TEST(EventWait, ManyHandOversLoseNoWakeUp) {
  auto request = os::CreateEvent(false);
  auto idle = os::CreateEvent(true);
  auto stop = os::CreateEvent(false);
  constexpr int kRounds = 20000;
  std::atomic<int> served{0};
  std::thread worker([&] {
    while (os::WaitForAny({stop.get(), request.get()}) == 1) {
      request->Reset();
      if (served.fetch_add(1) % 500 == 0) std::this_thread::sleep_for(1ms);
      idle->Set();
    }
  });
  auto caller = std::async(std::launch::async, [&] {
    for (int i = 0; i < kRounds; ++i) {
      if (os::WaitForAny({idle.get()}) != 0) return false;
      idle->Reset();
      request->Set();
      if (os::WaitForAny({idle.get()}) != 0) return false;
      if (i % 700 == 0) std::this_thread::sleep_for(1ms);
    }
    return true;
  });
  ASSERT_EQ(caller.wait_for(60s), std::future_status::ready) << served.load() << " served";
  EXPECT_TRUE(caller.get());
  stop->Set();
  worker.join();
  EXPECT_EQ(served.load(), kRounds);
}

TEST(EventWait, EveryWaiterWakesEvenMoreThanAnEventHasSlotsFor) {
  auto event = os::CreateEvent(false);
  std::vector<std::future<int>> waiters;
  for (int i = 0; i < 7; ++i) {
    waiters.push_back(
        std::async(std::launch::async, [&] { return os::WaitForAny({event.get()}); }));
  }
  std::this_thread::sleep_for(100ms);
  event->Set();
  for (auto& waiter : waiters) {
    ASSERT_EQ(waiter.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(waiter.get(), 0);
  }
}

class Pipe {
 public:
  Pipe() {
    int ends[2];
    EXPECT_EQ(pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
    read_ = ends[0];
    write_ = ends[1];
  }
  ~Pipe() {
    close(read_);
    close(write_);
  }
  int ReadEnd() const { return read_; }
  void Put() { EXPECT_EQ(write(write_, "x", 1), 1); }

 private:
  int read_ = -1;
  int write_ = -1;
};

TEST(EventWait, TransferWaitEndsWhenTheDescriptorIsReady) {
  Pipe line;
  auto abort = os::CreateEvent(false);
  std::thread writer([&] {
    std::this_thread::sleep_for(50ms);
    line.Put();
  });
  short revents = 0;
  EXPECT_EQ(os::WaitForFdOrEvent(line.ReadEnd(), POLLIN, revents, *abort, Clock::now() + 5s),
            os::FdWait::Ready);
  EXPECT_NE(revents & POLLIN, 0);
  writer.join();
}

TEST(EventWait, TransferWaitEndsAtOnceWhenTheAbortIsSet) {
  Pipe line;
  auto abort = os::CreateEvent(false);
  const auto start = Clock::now();
  std::thread closer([&] {
    std::this_thread::sleep_for(100ms);
    abort->Set();
  });
  short revents = 0;
  EXPECT_EQ(os::WaitForFdOrEvent(line.ReadEnd(), POLLIN, revents, *abort, std::nullopt),
            os::FdWait::EventSet);
  closer.join();
  EXPECT_GE(Clock::now() - start, 100ms);
  EXPECT_LT(Clock::now() - start, 2s);
  // Set already: nothing is waited for, even with data waiting.
  line.Put();
  EXPECT_EQ(os::WaitForFdOrEvent(line.ReadEnd(), POLLIN, revents, *abort, std::nullopt),
            os::FdWait::EventSet);
}

TEST(EventWait, TransferWaitEndsAtItsDeadlineNotBefore) {
  Pipe line;
  auto abort = os::CreateEvent(false);
  const auto start = Clock::now();
  short revents = 0;
  EXPECT_EQ(os::WaitForFdOrEvent(line.ReadEnd(), POLLIN, revents, *abort, start + 120ms),
            os::FdWait::Timeout);
  EXPECT_GE(Clock::now() - start, 120ms);
  EXPECT_LT(Clock::now() - start, 2s);
}

}  // namespace
}  // namespace sigra::testing
