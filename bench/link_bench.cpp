// What the two thread hand-overs of every protocol byte cost. The driver's
// byte rendezvous and a whole 255-byte command sequence are timed against an
// emulated printer that answers at once, beside a bare single-threaded
// write/read ping-pong with the same printer over the same kind of pty.
// The cost per byte is the time per iteration over the bytes it moves (3 for
// an exchange, 258 for a sequence).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "emulator/emulator.h"
#include "link/comm_threads.h"
#include "sigra/sigradrv.h"

namespace {

constexpr uint8_t kBulkCommand = 200;
constexpr int kBulkData = 255;

// One emulated printer for the whole run, linked as COM1, that also takes a
// command of 255 data bytes.
class Bench {
 public:
  Bench() : printer_(7) {
    char pattern[] = "/tmp/sigra-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("no temporary folder");
    dir_ = pattern;
    setenv("SIGRA_DOSDEVICES", dir_.c_str(), 1);
    printer_.LinkAsComPort(dir_, 1);
    printer_.Define(
        kBulkCommand,
        {.name = "bulk data",
         .answer = [](sigra::emu::Printer&) { return sigra::emu::Bytes{sigra::emu::kAck}; },
         .dataLength = sigra::emu::FixedData(kBulkData)});
  }
  ~Bench() { std::filesystem::remove_all(dir_); }

  sigra::emu::Emulator& Printer() { return printer_; }

 private:
  sigra::emu::Emulator printer_;
  std::string dir_;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

void SetBytes(benchmark::State& state, int64_t bytesPerIteration) {
  state.SetBytesProcessed(state.iterations() * bytesPerIteration);
}

// ESC, 35 and the acknowledgement through SendByte / ReceiveByte.
void DriverByteExchange(benchmark::State& state) {
  Bench& bench = Shared();
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
  bench.Printer().ClearRecord();
  SetBytes(state, 3);
}

// A whole sequence: ESC, the command, the acknowledgement and 255 data bytes.
void DriverSequence255(benchmark::State& state) {
  Bench& bench = Shared();
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
  // The last data bytes may still be on their way to the printer.
  bench.Printer().WaitForHostBytes((kBulkData + 2) * static_cast<size_t>(state.iterations()),
                                   std::chrono::seconds(2));
  bench.Printer().ClearRecord();
  SetBytes(state, kBulkData + 3);
}

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

void BareByteExchange(benchmark::State& state) {
  Bench& bench = Shared();
  BarePort port(bench.Printer().DevicePath());
  for (auto _ : state) {
    port.Write(27);
    port.Write(35);
    if (port.Read() != 6) {
      state.SkipWithError("no acknowledgement");
      break;
    }
  }
  bench.Printer().ClearRecord();
  SetBytes(state, 3);
}

void BareSequence255(benchmark::State& state) {
  Bench& bench = Shared();
  BarePort port(bench.Printer().DevicePath());
  for (auto _ : state) {
    port.Write(27);
    port.Write(kBulkCommand);
    if (port.Read() != 6) {
      state.SkipWithError("no acknowledgement");
      break;
    }
    for (int i = 0; i < kBulkData; ++i) port.Write(0);
  }
  bench.Printer().WaitForHostBytes((kBulkData + 2) * static_cast<size_t>(state.iterations()),
                                   std::chrono::seconds(2));
  bench.Printer().ClearRecord();
  SetBytes(state, kBulkData + 3);
}

BENCHMARK(BareByteExchange)->UseRealTime();
BENCHMARK(DriverByteExchange)->UseRealTime();
BENCHMARK(BareSequence255)->UseRealTime();
BENCHMARK(DriverSequence255)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
