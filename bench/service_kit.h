// What the service's benchmarks share: sigra-emu printers and sigrad run as
// programs in a temporary folder, and a five-item receipt sold through
// POST /v1/printers/{id}/receipts.
#ifndef SIGRA_BENCH_SERVICE_KIT_H
#define SIGRA_BENCH_SERVICE_KIT_H

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <httplib.h>
#include <memory>
#include <string>
#include <vector>

namespace sigra::bench {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d);
// The value at `share` (0 to 1) of the sorted values.
double Percentile(std::vector<double> values, double share);
// Waits until `ready`, at most 30 s; throws naming `what` after that.
void WaitFor(const std::function<bool()>& ready, const char* what);

// A program run in the background, its output to a file; ended with SIGTERM.
class Process {
 public:
  Process(const std::vector<std::string>& arguments, const std::filesystem::path& output);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

 private:
  pid_t pid_ = -1;
};

// Emulated printers linked as COM1..COMn in a temporary folder, printer n
// started with the options options[n - 1] (--line-rate 28800, say).
class Printers {
 public:
  explicit Printers(const std::vector<std::vector<std::string>>& options);
  // `count` printers, each at `lineRate` (0: bytes pass at once).
  Printers(int count, int lineRate);
  ~Printers();
  Printers(const Printers&) = delete;
  Printers& operator=(const Printers&) = delete;

  const std::filesystem::path& Folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
  std::vector<std::unique_ptr<Process>> processes_;
};

// The id of printer n: "p" and its number.
std::string PrinterId(int n);

// sigrad on printers p1..pn (COM1..COMn) at `speed`, answering /healthz.
class Service {
 public:
  Service(const Printers& printers, int count, int speed);
  int Port() const { return port_; }

 private:
  int port_;
  std::unique_ptr<Process> process_;
};

struct Item {
  const char* name;
  const char* quantity;
  const char* price;
};

// The benchmarks' receipt: five items and a line after them.
extern const std::vector<Item> kItems;
extern const char* const kLineAfter;

// A kept-alive client of the service on loopback `port`.
std::unique_ptr<httplib::Client> Connect(int port);
// Sells the receipt on `printer` under a new key (`sequence` counts them);
// the answer's status, 0 for none.
int HttpReceipt(httplib::Client& client, const std::string& printer, int& sequence);

}  // namespace sigra::bench

#endif
