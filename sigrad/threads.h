// The threads that serve the HTTP connections. Each connection holds one
// while it is open, and a request waiting for its printer holds it until the
// printer answers: with a fixed number of threads, three printers with full
// queues would take them all, and a sale on an idle fourth printer, or
// /healthz, would wait for a busy printer to answer. So the pool grows as
// connections come, up to enough threads for every printer's queue and the
// request it runs (its share: what may wait for it, a full queue answering
// 503 with Retry-After at once), plus kOwnThreads for everything else: no
// printer's requests ever take a thread another printer's or the service's
// own requests need. Threads idle for a while end.
#ifndef SIGRA_SIGRAD_THREADS_H
#define SIGRA_SIGRAD_THREADS_H

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sigra::service {

// The threads for what no printer's queue bounds: connections sending their
// request (connections.h bounds them), /healthz, /metrics, the printer list.
constexpr size_t kOwnThreads = 64;

class Threads : public httplib::TaskQueue {
 public:
  // `printers` printers whose queues hold `queueLimit` requests each.
  Threads(size_t printers, size_t queueLimit);
  ~Threads() override;

  void enqueue(std::function<void()> job) override;
  void shutdown() override;

  size_t Limit() const { return limit_; }

 private:
  void Serve();

  const size_t limit_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> threads_;
  size_t idle_ = 0;
  // Threads that ended idle, to be joined.
  std::vector<std::thread::id> ended_;
  bool stopping_ = false;
};

}  // namespace sigra::service

#endif
