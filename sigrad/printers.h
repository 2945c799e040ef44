// The printers the service drives, each through a process of its own (see
// worker.h), with a queue of its own: one printer's requests run one at a
// time in the order they came, and a printer whose process hangs or dies is
// restarted without holding up another printer.
#ifndef SIGRA_SIGRAD_PRINTERS_H
#define SIGRA_SIGRAD_PRINTERS_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "sigrad/platform.h"

namespace sigra::service {

struct PrinterConfig {
  std::string id;
  int32_t port = 1;
  int32_t speed = 9600;
};

// A worker's answer: the HTTP status and the JSON body.
struct Reply {
  int status = 500;
  nlohmann::json body;
};

class Printer {
 public:
  // `program` is this service's executable, started again as the worker;
  // `fatal` is called (from the printer's thread) when the worker cannot
  // write the journal.
  Printer(PrinterConfig config, std::string program, std::string journal, size_t queueLimit,
          std::function<void(const std::string&)> fatal);
  ~Printer();
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;

  const PrinterConfig& Config() const { return config_; }

  // Queues `request` to be answered within `limit` of its start; none when
  // the queue is full.
  std::optional<std::future<Reply>> Submit(nlohmann::json request,
                                           std::chrono::seconds limit);

  // Waits until the printer's process first said it is ready (or failed to
  // start), at most `limit`.
  void AwaitStart(std::chrono::seconds limit);

  // The first step of stopping: the requests not yet begun are answered at
  // once (503, the service stopping), the one running ends with its own
  // timeouts, and the printer's process is not started again. No request is
  // queued after it.
  void Halt();
  // After Halt: waits until the running request has ended and been answered.
  void AwaitEnd();

  // What the printer's process last said of it (online, device type, name).
  nlohmann::json Info() const;
  size_t QueueLength() const;
  // Whether the printer's process has begun the request under `key`.
  bool Begun(const std::string& key) const;
  bool Online() const;

 private:
  struct Job {
    nlohmann::json request;
    std::chrono::seconds limit;
    std::promise<Reply> reply;
  };

  void Run();
  bool Stopping() const;
  // Waits `time` or until the service stops.
  void Pause(std::chrono::seconds time);
  bool Start();
  void Stop();
  std::optional<std::string> ReadLine(std::chrono::steady_clock::time_point deadline);
  Reply Serve(Job& job);

  PrinterConfig config_;
  std::string program_;
  std::string journal_;
  size_t queueLimit_;
  std::function<void(const std::string&)> fatal_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::unique_ptr<Job>> queue_;
  bool stopping_ = false;
  bool serving_ = false;  // the queue's first request has begun
  std::string servingKey_;  // its Idempotency-Key, if it has one
  bool ended_ = false;    // the printer's thread serves no more
  bool stopped_ = false;  // its printout stands stopped for lack of paper
  nlohmann::json info_;

  ChildProcess worker_;
  std::string buffered_;
  std::promise<void> started_;
  std::thread thread_;
};

}  // namespace sigra::service

#endif
