// What the two thread hand-overs of every protocol byte cost. The driver's
// byte rendezvous and a whole 255-byte command sequence are timed against an
// emulated printer that answers at once, beside a bare single-threaded
// write/read loop with the same printer over the same kind of pty. The printer
// runs in a process of its own, so the CPU time is the client's: the caller
// and the port's worker together. The summary gives the driver's wall and CPU
// time per byte as ratios to the bare loop of the same run, and how often each
// client thread woke while a read timeout ran out (from the kernel's
// context-switch counters of each thread).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include "bench/printer_process.h"
#include "bench/thread_switches.h"
#include "link/comm_threads.h"
#include "sigra/sigradrv.h"

namespace {

constexpr uint8_t kBulkCommand = 200;
constexpr int kBulkData = 255;
constexpr int kExchangeBytes = 3;
constexpr int kSequenceBytes = kBulkData + 3;

sigra::bench::PrinterProcess* g_printer = nullptr;

// The same bytes written and read directly by one thread, without the worker.
class BarePort {
 public:
  explicit BarePort(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd_, TCSANOW, &tio);
  }
  ~BarePort() { close(fd_); }
  BarePort(const BarePort&) = delete;
  BarePort& operator=(const BarePort&) = delete;

  void Write(uint8_t b) {
    if (write(fd_, &b, 1) != 1) throw std::runtime_error("write failed");
  }
  uint8_t Read() {
    pollfd p{fd_, POLLIN, 0};
    uint8_t b = 0;
    if (poll(&p, 1, 1000) != 1 || read(fd_, &b, 1) != 1) throw std::runtime_error("read failed");
    return b;
  }

 private:
  int fd_;
};

// Waits until the printer has taken every byte sent so far: it answers a
// connection check only after them. Then forgets the line's record.
void Settle() {
  BarePort port(g_printer->DevicePath());
  port.Write(27);
  port.Write(35);
  port.Read();
  g_printer->Count();
}

void SetBytes(benchmark::State& state, int64_t bytesPerIteration) {
  state.SetBytesProcessed(state.iterations() * bytesPerIteration);
}

// ESC, 35 and the acknowledgement through SendByte / ReceiveByte.
void DriverByteExchange(benchmark::State& state) {
  if (OpenPort(1, 28800, 1, 1) != 0) {
    state.SkipWithError("port did not open");
    return;
  }
  for (auto _ : state) {
    uint8_t ack = 0;
    sigra::link::SendByte(27);
    sigra::link::SendByte(35);
    if (!sigra::link::ReceiveByte(ack) || ack != 6) {
      state.SkipWithError("no acknowledgement");
      break;
    }
  }
  ClosePort();
  Settle();
  SetBytes(state, kExchangeBytes);
}

// A whole sequence: ESC, the command, the acknowledgement and 255 data bytes.
void DriverSequence255(benchmark::State& state) {
  if (OpenPort(1, 28800, 1, 1) != 0) {
    state.SkipWithError("port did not open");
    return;
  }
  unsigned char answer[256] = {};
  unsigned char data[256] = {};
  for (auto _ : state) {
    if (int32_t result = RSSequence(kBulkCommand, 1, kBulkData, answer, data); result != 0) {
      state.SkipWithError(("sequence failed with " + std::to_string(result)).c_str());
      break;
    }
  }
  ClosePort();
  Settle();
  SetBytes(state, kSequenceBytes);
}

void BareByteExchange(benchmark::State& state) {
  BarePort port(g_printer->DevicePath());
  for (auto _ : state) {
    port.Write(27);
    port.Write(35);
    if (port.Read() != 6) {
      state.SkipWithError("no acknowledgement");
      break;
    }
  }
  Settle();
  SetBytes(state, kExchangeBytes);
}

void BareSequence255(benchmark::State& state) {
  BarePort port(g_printer->DevicePath());
  for (auto _ : state) {
    port.Write(27);
    port.Write(kBulkCommand);
    if (port.Read() != 6) {
      state.SkipWithError("no acknowledgement");
      break;
    }
    for (int i = 0; i < kBulkData; ++i) port.Write(0);
  }
  Settle();
  SetBytes(state, kSequenceBytes);
}

BENCHMARK(BareByteExchange)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(DriverByteExchange)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BareSequence255)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(DriverSequence255)->UseRealTime()->MeasureProcessCPUTime();

struct Timing {
  double wallNs = 0;
  double cpuNs = 0;
};

// The console report, keeping each benchmark's time per iteration (the
// median when it was repeated) for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const std::string name = run.run_name.function_name;
      if (median) {
        timings_[name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        medians_.insert(name);
      } else if (run.run_type == Run::RT_Iteration && medians_.count(name) == 0) {
        timings_[name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      }
    }
  }

  void PrintRatios() const {
    std::printf("\nPer byte, driver against the bare loop of this run:\n");
    Ratio("exchange (ESC, 35, ACK)", "DriverByteExchange", "BareByteExchange", kExchangeBytes);
    Ratio("sequence with 255 data bytes", "DriverSequence255", "BareSequence255", kSequenceBytes);
  }

 private:
  void Ratio(const char* what, const char* driver, const char* bare, int bytes) const {
    const auto d = timings_.find(driver);
    const auto b = timings_.find(bare);
    if (d == timings_.end() || b == timings_.end()) return;
    // Times are reported in nanoseconds per iteration.
    std::printf("  %-30s wall %6.2f us vs %6.2f us = %4.2fx   cpu %6.2f us vs %6.2f us = %4.2fx\n",
                what, d->second.wallNs / bytes / 1000, b->second.wallNs / bytes / 1000,
                d->second.wallNs / b->second.wallNs, d->second.cpuNs / bytes / 1000,
                b->second.cpuNs / bytes / 1000, d->second.cpuNs / b->second.cpuNs);
  }

  std::map<std::string, Timing> timings_;
  std::set<std::string> medians_;
};

// A read that nothing answers, with a read timeout of 2 seconds. The
// switches of each thread are sampled 0.2 s and 1.8 s into the wait: a thread
// that sleeps through the timeout in one wait has none between the samples,
// and each voluntary switch there is a wake-up before the timeout ran out.
void CountTimeoutWakeUps() {
  if (OpenPort(1, 28800, 1, 2) != 0) {
    std::printf("\nport did not open for the read-timeout count\n");
    return;
  }
  const int caller = gettid();
  // Threads of the open port, the sampler not among them.
  const auto portThreads = sigra::bench::ThreadSwitches();
  std::map<int, sigra::bench::Switches> early;
  std::map<int, sigra::bench::Switches> late;
  const auto start = std::chrono::steady_clock::now();
  std::thread sampler([&] {
    std::this_thread::sleep_until(start + std::chrono::milliseconds(200));
    early = sigra::bench::ThreadSwitches();
    std::this_thread::sleep_until(start + std::chrono::milliseconds(1800));
    late = sigra::bench::ThreadSwitches();
  });
  uint8_t byte = 0;
  const bool got = sigra::link::ReceiveByte(byte);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  sampler.join();
  ClosePort();
  std::printf("\nA read timing out after %.2f s (%s), from 0.2 s to 1.8 s into it:\n", seconds,
              got ? "a byte came, not a timeout" : "no byte, as expected");
  for (const auto& [tid, before] : portThreads) {
    if (early.count(tid) == 0 || late.count(tid) == 0) continue;
    std::printf("  %-6s %ld wake-ups (%ld preemptions)\n", tid == caller ? "caller" : "worker",
                late[tid].voluntary - early[tid].voluntary,
                late[tid].involuntary - early[tid].involuntary);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Forked before this process has any thread.
  sigra::bench::PrinterProcess printer(7, [](sigra::emu::Emulator& emulator) {
    emulator.Define(
        kBulkCommand,
        {.name = "bulk data",
         .answer = [](sigra::emu::Printer&) { return sigra::emu::Bytes{sigra::emu::kAck}; },
         .dataLength = sigra::emu::FixedData(kBulkData)});
  });
  g_printer = &printer;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  CountTimeoutWakeUps();
  benchmark::Shutdown();
  return 0;
}
