// The link layer on the Win32 calls, run under Wine (or Windows) with a
// printer emulator on COM1: events, opening, line settings, byte exchange,
// read timeouts, output clearing and the abort of a pending read by closing the port.
//
//   win32_link_test PORT MISSING_PORT
//
// Prints one line per check and "N passed, N failed" last; exits non-zero
// when a check failed.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/comm.h"
#include "link/comm_threads.h"
#include "link/os_event.h"
#include "link/os_serial.h"

namespace {

using namespace sigra::link;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint8_t kEsc = 27;
constexpr uint8_t kAck = 6;
constexpr uint8_t kConnectionCheck = 35;

int g_passed = 0;
int g_failed = 0;
uint8_t g_port = 1;
uint8_t g_missingPort = 99;

void Check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  ++(ok ? g_passed : g_failed);
}

// Opens the port object of the process, as the driver's connection does.
int32_t OpenPort(uint8_t port, uint16_t writeSeconds, uint16_t readSeconds) {
  PortObject = std::make_unique<TComm>();
  PortObject->SetParameters(port, 9600, writeSeconds, readSeconds);
  return PortObject->Open();
}

// ESC and the connection check, answered by the acknowledgement.
bool ConnectionCheck() {
  uint8_t answer = 0;
  return SendByte(kEsc) && SendByte(kConnectionCheck) && ReceiveByte(answer) && answer == kAck;
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void EventsWakeTheLowestSetIndex() {
  auto first = os::CreateEvent(false);
  auto second = os::CreateEvent(true);
  Check(first && second, "events are created");
  if (!first || !second) return;
  Check(os::WaitForAny({first.get(), second.get()}) == 1, "a wait wakes on the set event");
  first->Set();
  Check(os::WaitForAny({first.get(), second.get()}) == 0, "the lowest set index wins");
  Check(first->IsSet(), "a woken wait leaves a manual-reset event set");
  first->Reset();
  second->Reset();
  Check(os::WaitForAny({first.get(), second.get()}, 50) == os::kWaitTimeout,
        "a wait on reset events times out");
  Check(os::WaitForAny({first.get(), nullptr}) == os::kWaitFailed, "a missing event fails a wait");
}

void MissingPortGivesFileNotFound() {
  Check(OpenPort(g_missingPort, 1, 1) == 2, "opening a port with nothing behind it gives 2");
  Check(!PortObject->IsOpen() && LastCommErrorCode == 2, "the failure is recorded with code 2");
}

void OpenedPortHasTheLineSettingsAndTimeouts() {
  Check(OpenPort(g_port, 1, 1) == 0, "the port opens");
  Dcb dcb;
  Check(os::GetCommState(PortObject->Handle, dcb), "its line settings can be read");
  Check(dcb.BaudRate == 9600 && dcb.ByteSize == 8 && dcb.StopBits == kOneStopBit,
        "9600 bit/s, 8 data bits, one stop bit");
  Check((dcb.Flags & dcb::kOutxCtsFlow) != 0, "output waits for CTS");
  CommTimeouts timeouts;
  Check(os::GetCommTimeouts(PortObject->Handle, timeouts) && timeouts == PortObject->Timeouts,
        "the port has the timeouts the port object set");
  Check(ConnectionCheck(), "the printer acknowledges a connection check");
  Check(PortObject->Close() == 0 && !PortObject->IsOpen(), "the port closes");
}

void ReadTimeoutEndsTheReadAndLeavesNoError() {
  Check(OpenPort(g_port, 1, 1) == 0, "the port opens with a read timeout of 1 s");
  uint8_t value = 0x55;
  const auto start = Clock::now();
  const bool received = ReceiveByte(value);
  const double seconds = SecondsSince(start);
  Check(!received && IsTransferFailed() && value == 0x55,
        "a read with nothing arriving fails and leaves the value alone");
  Check(seconds > 0.5 && seconds < 3, "it ends after the read timeout");
  Check(LastCommErrorCode == 0, "a timeout leaves no error code behind");
  Check(ConnectionCheck(), "the next exchange works");
  PortObject->Close();
}

void ZeroReadTimeoutReturnsAtOnce() {
  Check(OpenPort(g_port, 1, 0) == 0, "the port opens with a read timeout of 0 s");
  uint8_t value = 0;
  const auto start = Clock::now();
  const bool received = ReceiveByte(value);
  Check(!received && SecondsSince(start) < 1, "a read with nothing queued returns at once");
  Check(SendByte(kEsc) && SendByte(kConnectionCheck), "bytes still go out");
  std::this_thread::sleep_for(200ms);
  Check(ReceiveByte(value) && value == kAck, "a queued answer is read at once");
  PortObject->Close();
}

// A sequence starts by clearing the transmit queue, right after the last
// bytes of the one before went out; those must still reach the printer. Bytes
// that the system has taken but not yet passed on are most at risk on a busy
// machine, so threads keep every core busy meanwhile.
void ClearingTheOutputKeepsWrittenBytes() {
  Check(OpenPort(g_port, 1, 1) == 0, "the port opens for repeated output clearing");
  std::atomic<bool> busy{true};
  std::vector<std::thread> load;
  for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i) {
    load.emplace_back([&busy] {
      while (busy) {
      }
    });
  }
  constexpr int kRounds = 500;
  int answered = 0;
  while (answered < kRounds) {
    uint8_t answer = 0;
    if (!SendByte(kEsc) || !SendByte(kConnectionCheck) || PortObject->ClearOutput() != 0 ||
        !ReceiveByte(answer) || answer != kAck) {
      break;
    }
    ++answered;
  }
  busy = false;
  for (std::thread& thread : load) thread.join();
  Check(answered == kRounds, "bytes written before each clearing of the output reach the printer (" +
                                 std::to_string(answered) + " of " + std::to_string(kRounds) +
                                 " checks answered)");
  PortObject->Close();
}

void ClosingThePortAbortsAPendingRead() {
  Check(OpenPort(g_port, 1, 5) == 0, "the port opens with a read timeout of 5 s");
  const auto start = Clock::now();
  auto reading = std::async(std::launch::async, [] {
    uint8_t value = 0;
    return ReceiveByte(value);
  });
  std::this_thread::sleep_for(300ms);
  const int32_t closed = PortObject->Close();
  const bool received = reading.get();
  Check(closed == 0 && !received, "closing the port ends the pending read without a byte");
  Check(SecondsSince(start) < 2.5, "long before the read timeout");
  uint8_t value = 0;
  Check(!SendByte(kEsc) && !ReceiveByte(value), "after closing, transfers fail at once");
  Check(OpenPort(g_port, 1, 1) == 0 && ConnectionCheck(),
        "the port opens again and the printer answers");
  PortObject->Close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::atoi(argv[1]) <= 0 || std::atoi(argv[2]) <= 0) {
    std::fprintf(stderr, "usage: win32_link_test PORT MISSING_PORT\n");
    return 2;
  }
  g_port = static_cast<uint8_t>(std::atoi(argv[1]));
  g_missingPort = static_cast<uint8_t>(std::atoi(argv[2]));
  const std::function<void()> cases[] = {EventsWakeTheLowestSetIndex,
                                         MissingPortGivesFileNotFound,
                                         OpenedPortHasTheLineSettingsAndTimeouts,
                                         ReadTimeoutEndsTheReadAndLeavesNoError,
                                         ZeroReadTimeoutReturnsAtOnce,
                                         ClearingTheOutputKeepsWrittenBytes,
                                         ClosingThePortAbortsAPendingRead};
  for (const auto& run : cases) run();
  PortObject.reset();
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
