#include "sigrad/threads.h"

#include <algorithm>
#include <chrono>

namespace sigra::service {
namespace {

// How long a thread waits for a job before it ends; the first kKept stay.
constexpr auto kIdleEnd = std::chrono::seconds(30);
constexpr size_t kKept = 8;

}  // namespace

Threads::Threads(size_t printers, size_t queueLimit)
    : limit_(kOwnThreads + printers * (queueLimit + 1)) {}

Threads::~Threads() {
  shutdown();
}

void Threads::enqueue(std::function<void()> job) {
  std::lock_guard lock(mutex_);
  jobs_.push_back(std::move(job));
  // Threads that ended are joined here, on the accepting thread.
  for (const std::thread::id id : ended_) {
    const auto found = std::find_if(threads_.begin(), threads_.end(),
                                    [id](const std::thread& t) { return t.get_id() == id; });
    if (found != threads_.end()) {
      found->join();
      threads_.erase(found);
    }
  }
  ended_.clear();
  if (idle_ < jobs_.size() && threads_.size() < limit_) {
    threads_.emplace_back([this] { Serve(); });
  } else {
    wake_.notify_one();
  }
}

void Threads::shutdown() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
  }
  wake_.notify_all();
  // No thread is added or removed once stopping.
  for (std::thread& thread : threads_) thread.join();
}

void Threads::Serve() {
  std::unique_lock lock(mutex_);
  while (true) {
    ++idle_;
    const bool woken = wake_.wait_for(lock, kIdleEnd, [&] { return stopping_ || !jobs_.empty(); });
    --idle_;
    if (jobs_.empty()) {
      if (stopping_) return;
      if (!woken && threads_.size() - ended_.size() > kKept) {
        ended_.push_back(std::this_thread::get_id());
        return;
      }
      continue;
    }
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    job();
    lock.lock();
  }
}

}  // namespace sigra::service
