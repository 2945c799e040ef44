// A thread facility for the port threads: created suspended, with a priority,
// a termination flag, a wait for its end, and calls run on the main thread.
#ifndef SIGRA_LINK_THREAD_H
#define SIGRA_LINK_THREAD_H

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace sigra::link {

enum class ThreadPriority { Normal, Highest, TimeCritical };

class TThread {
 public:
  TThread();
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts a thread created suspended; later calls do nothing.
  void Resume();
  void SetPriority(ThreadPriority priority) { priority_ = priority; }
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // Waits for Execute to return. Calls the thread hands to the main thread
  // meanwhile run here, so a waiting caller never deadlocks with them.
  void WaitFor();

 protected:
  virtual void Execute() = 0;
  // Runs method on the main thread and waits until it has run there.
  void Synchronize(const std::function<void()>& method);

 private:
  void Run();

  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  ThreadPriority priority_ = ThreadPriority::Normal;
};

// Runs the calls queued by Synchronize. The driver's message processing calls
// it, so a program without a message loop still serves the port threads.
void CheckSynchronize();

// Applies a priority to the calling thread; failures (no privilege) are ignored.
void ApplyCurrentThreadPriority(ThreadPriority priority);

}  // namespace sigra::link

#endif
