#include "link/thread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace sigra::link {
namespace {

struct SyncCall {
  std::function<void()> method;
  bool done = false;
};

// One queue for every thread's Synchronize calls, and one condition that also
// announces a thread's end to WaitFor. Never destroyed, so that threads still
// waiting when the program ends find them intact.
std::mutex& g_syncMutex = *new std::mutex;
std::condition_variable& g_syncChanged = *new std::condition_variable;
std::deque<SyncCall*>& g_syncQueue = *new std::deque<SyncCall*>;

}  // namespace

TThread::TThread() = default;

TThread::~TThread() {
  if (thread_.joinable()) {
    Terminate();
    WaitFor();
  }
}

void TThread::Resume() {
  if (thread_.joinable() || finished_) return;
  thread_ = std::thread([this] { Run(); });
}

void TThread::Run() {
  ApplyCurrentThreadPriority(priority_);
  Execute();
  {
    std::lock_guard lock(g_syncMutex);
    finished_ = true;
  }
  g_syncChanged.notify_all();
}

void TThread::WaitFor() {
  if (!thread_.joinable()) return;
  std::unique_lock lock(g_syncMutex);
  while (!finished_) {
    if (!g_syncQueue.empty()) {
      lock.unlock();
      CheckSynchronize();
      lock.lock();
      continue;
    }
    g_syncChanged.wait(lock);
  }
  lock.unlock();
  thread_.join();
}

void TThread::Synchronize(const std::function<void()>& method) {
  SyncCall call{method};
  std::unique_lock lock(g_syncMutex);
  g_syncQueue.push_back(&call);
  g_syncChanged.notify_all();
  g_syncChanged.wait(lock, [&] { return call.done; });
}

void CheckSynchronize() {
  std::unique_lock lock(g_syncMutex);
  while (!g_syncQueue.empty()) {
    SyncCall* call = g_syncQueue.front();
    g_syncQueue.pop_front();
    lock.unlock();
    try {
      call->method();
    } catch (...) {
      // A failing handler must not leave its thread waiting forever.
    }
    lock.lock();
    call->done = true;
    g_syncChanged.notify_all();
  }
}

}  // namespace sigra::link
