// The serial port object and the byte rendezvous, over a real pseudo-terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "bench/thread_switches.h"
#include "driver_fixture.h"
#include "link/comm.h"
#include "link/comm_threads.h"
#include "link/text_1250.h"
#include "protocol/connection.h"
#include "sigra/sigradrv.h"

namespace sigra::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::unique_ptr<link::TComm> OpenComm(int port, uint16_t writeSeconds, uint16_t readSeconds,
                                      int32_t& result) {
  auto comm = std::make_unique<link::TComm>();
  comm->SetParameters(static_cast<uint8_t>(port), 9600, writeSeconds, readSeconds);
  result = comm->Open();
  return comm;
}

using PortOpening = DriverTest;

TEST_F(PortOpening, PortThatDoesNotExistGivesTwoAndItsMessage) {
  int32_t result = -1;
  auto comm = OpenComm(77, 1, 1, result);
  EXPECT_EQ(result, 2);
  EXPECT_FALSE(comm->IsOpen());
  EXPECT_EQ(link::LastCommErrorCode, 2);
  EXPECT_EQ(link::LastCommErrorText(),
            Cp1250FromUtf8("System nie potrafi znależć danego urządzenia."));
}

TEST_F(PortOpening, PortHeldByAnotherOpeningIsRefusedWithFive) {
  StartPrinter(7);
  int32_t first = -1;
  auto holder = OpenComm(1, 1, 1, first);
  ASSERT_EQ(first, 0);
  EXPECT_FALSE(ProbeComPort(1));

  int32_t second = -1;
  auto other = OpenComm(1, 1, 1, second);
  EXPECT_EQ(second, 5);
  EXPECT_EQ(link::LastCommErrorText(), Cp1250FromUtf8("Zabroniony dostęp do urządzenia."));

  holder->Close();
  EXPECT_TRUE(ProbeComPort(1));
}

TEST_F(PortOpening, TimeoutsFollowTheSecondsGivenAndAreRestoredOnClose) {
  StartPrinter(7);
  int32_t result = -1;
  auto comm = OpenComm(1, 5, 5, result);
  ASSERT_EQ(result, 0);
  EXPECT_EQ(comm->Timeouts.ReadIntervalTimeout, 5000u);
  EXPECT_EQ(comm->Timeouts.ReadTotalTimeoutConstant, 5000u);
  EXPECT_EQ(comm->Timeouts.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(comm->Timeouts.WriteTotalTimeoutConstant, 5000u);
  EXPECT_EQ(comm->Timeouts.WriteTotalTimeoutMultiplier, 0u);

  ASSERT_EQ(comm->SetTimeouts(5, 0), 0);
  EXPECT_EQ(comm->Timeouts.ReadIntervalTimeout, link::kMaxDword);
  EXPECT_EQ(comm->Timeouts.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(comm->Timeouts.WriteTotalTimeoutConstant, 5000u);
  const link::CommTimeouts before = comm->SavedTimeouts;
  comm->Close();

  // A later opening finds the timeouts the port had before the first one.
  auto next = OpenComm(1, 2, 2, result);
  ASSERT_EQ(result, 0);
  EXPECT_EQ(next->SavedTimeouts, before);
}

TEST_F(PortOpening, LineIsEightDataBitsEvenParityOneStopBitWithCtsHandshake) {
  StartPrinter(7);
  int32_t result = -1;
  auto comm = OpenComm(1, 1, 1, result);
  ASSERT_EQ(result, 0);
  // The settings written to the port (a pseudo-terminal keeps no parity).
  const link::Dcb& dcb = comm->LineSettings;
  EXPECT_EQ(dcb.BaudRate, 9600u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, link::kEvenParity);
  EXPECT_EQ(dcb.StopBits, link::kOneStopBit);
  EXPECT_NE(dcb.Flags & link::dcb::kOutxCtsFlow, 0u);
  EXPECT_NE(dcb.Flags & link::dcb::kAbortOnError, 0u);
  EXPECT_EQ(dcb.Flags & (link::dcb::kOutX | link::dcb::kInX | link::dcb::kOutxDsrFlow |
                         link::dcb::kDtrControlMask | link::dcb::kRtsControlMask),
            0u);
  link::Dcb actual;
  ASSERT_TRUE(link::os::GetCommState(comm->Handle, actual));
  EXPECT_EQ(actual.BaudRate, 9600u);
  EXPECT_EQ(actual.ByteSize, 8);
}

TEST_F(PortOpening, SpeedOutsideTheStandardListIsSet) {
  StartPrinter(7);
  auto comm = std::make_unique<link::TComm>();
  comm->SetParameters(1, 28800, 1, 1);
  ASSERT_EQ(comm->Open(), 0);
  link::Dcb dcb;
  ASSERT_TRUE(link::os::GetCommState(comm->Handle, dcb));
  EXPECT_EQ(dcb.BaudRate, 28800u);
}

TEST_F(PortOpening, PurgesOnAClosedPortSucceed) {
  link::TComm comm;
  EXPECT_EQ(comm.ClearInput(), 0);
  EXPECT_EQ(comm.ClearOutput(), 0);
  EXPECT_EQ(link::PurgePrinterPort(), 0);
  EXPECT_EQ(link::ClosePrinterPort(), 0);
}

using LineErrors = DriverTest;

TEST_F(LineErrors, LastReportedErrorWinsAndFailsEverySequenceUntilReopened) {
  StartPrinter(7);
  ASSERT_EQ(OpenPort(1, 9600, 1, 1), 0);
  link::PortObject->LineErrors = link::kCeFrame | link::kCeRxParity;
  link::PortObject->HandleLineEvent(link::kEvErr);
  EXPECT_EQ(link::LastCommErrorCode, 4);
  EXPECT_EQ(link::LastCommErrorText(),
            Cp1250FromUtf8("Urządzenie wykryło błąd parzystości (CE_RXPARITY)."));

  unsigned char answer[256] = {};
  unsigned char data[256] = {};
  EXPECT_EQ(RSSequence(35, 1, 0, answer, data), 20);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(Printer().HostBytes(), Frame({27}));

  ASSERT_EQ(ClosePort(), 0);
  ASSERT_EQ(OpenPort(1, 9600, 1, 1), 0);
  // The printer drops the frame the lone ESC began once its command byte is late.
  std::this_thread::sleep_for(1100ms);
  EXPECT_EQ(RSSequence(35, 1, 0, answer, data), 0);
}

TEST_F(LineErrors, OnlyTheErrorEventIsActedOn) {
  StartPrinter(7);
  ASSERT_EQ(OpenPort(1, 9600, 1, 1), 0);
  link::PortObject->LineErrors = link::kCeBreak;
  link::PortObject->HandleLineEvent(link::kEvRxChar);
  EXPECT_EQ(link::LastCommErrorCode, 0);
  link::PortObject->HandleLineEvent(link::kEvErr);
  EXPECT_EQ(link::LastCommErrorCode, 16);
}

using ByteRendezvous = DriverTest;

TEST_F(ByteRendezvous, ReadWithNothingArrivingEndsAtTheReadTimeoutAndLeavesTheWorkerUsable) {
  StartPrinter(7).SetSilent(true);
  ASSERT_EQ(OpenPort(1, 9600, 1, 1), 0);
  uint8_t value = 0x5A;
  const auto start = Clock::now();
  EXPECT_FALSE(link::ReceiveByte(value));
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, 900ms);
  EXPECT_LT(waited, 3s);
  EXPECT_EQ(value, 0x5A);
  EXPECT_TRUE(link::IsTransferFailed());
  // A timeout is no lasting failure of the port.
  EXPECT_EQ(link::LastCommErrorCode, 0);

  EXPECT_TRUE(link::SendByte(0x42));
  EXPECT_FALSE(link::IsTransferFailed());
  EXPECT_TRUE(Printer().WaitForHostBytes(1, 2s));
  EXPECT_EQ(Printer().HostBytes(), Frame({0x42}));
}

// Sampled inside the timeout, the caller sleeps in its wait for the worker and
// the worker in its wait for the port; neither wakes before the timeout ends.
TEST_F(ByteRendezvous, NoThreadWakesWhileAReadTimeoutRunsOut) {
  StartPrinter(7).SetSilent(true);
  const auto before = bench::ThreadSwitches();
  ASSERT_EQ(OpenPort(1, 9600, 1, 1), 0);
  // The caller and the threads the opening made.
  std::vector<int> watched = {gettid()};
  for (const auto& [tid, switches] : bench::ThreadSwitches()) {
    if (before.count(tid) == 0) watched.push_back(tid);
  }
  auto sleeps = [&watched] {
    const auto now = bench::ThreadSwitches();
    long total = 0;
    for (int tid : watched) total += now.count(tid) != 0 ? now.at(tid).voluntary : 0;
    return total;
  };
  const auto start = Clock::now();
  long wakeUps = -1;
  std::thread sampler([&] {
    std::this_thread::sleep_until(start + 200ms);
    const long early = sleeps();
    std::this_thread::sleep_until(start + 800ms);
    wakeUps = sleeps() - early;
  });
  uint8_t value = 0;
  EXPECT_FALSE(link::ReceiveByte(value));
  sampler.join();
  EXPECT_GE(watched.size(), 2u);
  EXPECT_EQ(wakeUps, 0);
}

TEST_F(ByteRendezvous, ClosingThePortReleasesAPendingRead) {
  StartPrinter(7).SetSilent(true);
  ASSERT_EQ(OpenPort(1, 9600, 1, 30), 0);
  auto reader = std::async(std::launch::async, [] {
    uint8_t value = 0;
    return link::ReceiveByte(value);
  });
  std::this_thread::sleep_for(200ms);
  const auto start = Clock::now();
  EXPECT_EQ(ClosePort(), 0);
  ASSERT_EQ(reader.wait_for(3s), std::future_status::ready);
  EXPECT_FALSE(reader.get());
  EXPECT_LT(Clock::now() - start, 3s);
  EXPECT_FALSE(link::PortObject->EventThread);
  EXPECT_FALSE(link::PortObject->WorkerThread);

  // The abort stays signalled: transfers after the close fail at once.
  const auto after = Clock::now();
  EXPECT_FALSE(link::SendByte(1));
  uint8_t value = 0;
  EXPECT_FALSE(link::ReceiveByte(value));
  EXPECT_LT(Clock::now() - after, 500ms);
}

// A point-of-sale program ends the connection on one thread while a receipt
// closing waits for a silent printer on another: the closing comes back at
// once with the receive failure, not at the 30 s read timeout.
TEST_F(ByteRendezvous, EndingTheConnectionReleasesACommandWaitingOnAnotherThread) {
  StartPrinter(3);
  Connect(30);
  ASSERT_EQ(ReceiptBegin(), 0);
  Printer().SetSilent(true);
  auto closing = std::async(std::launch::async, [] { return ReceiptEnd(0); });
  std::this_thread::sleep_for(200ms);
  const auto start = Clock::now();
  EXPECT_EQ(CommunicationEnd(), 0);
  ASSERT_EQ(closing.wait_for(3s), std::future_status::ready);
  EXPECT_EQ(closing.get(), 21);
  EXPECT_LT(Clock::now() - start, 3s);
  EXPECT_FALSE(link::PortObject->IsOpen());
}

TEST_F(ByteRendezvous, ReadTimeoutOfZeroReturnsAtOnceWithWhatIsQueued) {
  StartPrinter(7);
  ASSERT_EQ(OpenPort(1, 9600, 1, 0), 0);
  uint8_t value = 0;
  const auto start = Clock::now();
  EXPECT_FALSE(link::ReceiveByte(value));
  EXPECT_LT(Clock::now() - start, 500ms);

  Printer().Inject({0x33});
  std::this_thread::sleep_for(50ms);
  EXPECT_TRUE(link::ReceiveByte(value));
  EXPECT_EQ(value, 0x33);
}

}  // namespace
}  // namespace sigra::testing
