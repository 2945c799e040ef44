// Exported functions called from several threads at once: each call runs
// whole, its frames reach the printer unbroken, and ending the connection
// from another thread still stops a call at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "driver_fixture.h"
#include "link/comm.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.h"

namespace sigra::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// One call made on a thread: what it returned, and when it began and ended.
struct Call {
  std::string function;
  int32_t code;
  Clock::time_point begun;
  Clock::time_point ended;
};

template <class Body>
Call Timed(const char* function, Body&& body) {
  const Clock::time_point begun = Clock::now();
  const int32_t code = body();
  return {function, code, begun, Clock::now()};
}

// Journal lines of a frame the printer could not read as the host meant it.
bool IsBrokenFrameNote(const std::string& line) {
  for (const char* mark : {"outside a command frame", "ESC without", "incomplete data",
                           "unknown command", "failed:", "not understood"}) {
    if (line.find(mark) != std::string::npos) return true;
  }
  return false;
}

class Threads : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    StartPrinter(3);
    Printer().WithPrinter([](emu::Printer& p) {
      p.Fiscal().rates.SetBytes(
          {0x08, 0x98, 0x02, 0xBC, 0x00, 0x00, 0x40, 0x00, 0x01, 0xF4, 0x03, 0x20, 0x05, 0xDC});
    });
    Connect(5);
  }
};

// One thread sells ten receipts of four calls while two others read the
// counters and the clock: 200 calls at once. Each ends as it would alone, and
// the printer reads every frame as sent.
TEST_F(Threads, CallsFromThreeThreadsAtOnceRunOneAfterAnother) {
  // The frames of the same calls made one at a time: each command's code and
  // length.
  std::set<std::pair<uint8_t, size_t>> framesAlone;
  {
    int32_t value = 0;
    int32_t counter = 0;
    char clock[15] = {};
    ASSERT_EQ(::ReceiptBegin(), 0);
    ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 2, 0, "szt", 450, &value), 0);
    value = 0;
    ASSERT_EQ(::pReceiptItem(1, "Mleko 3,2% 1l", 2, 0, 1500, 3, "l", 399, &value), 0);
    ASSERT_EQ(::ReceiptEnd(0), 0);
    ASSERT_EQ(::ReceiptNumber(&counter), 0);
    ASSERT_EQ(::DailyReportNumber(&counter), 0);
    ASSERT_EQ(::pReadClock(clock), 0);
    for (const Frame& frame : Printer().Commands()) framesAlone.emplace(frame[1], frame.size());
  }
  char clockAlone[15] = {};
  ASSERT_EQ(::pReadClock(clockAlone), 0);
  int32_t receiptsBefore = 0;
  int32_t reportsAlone = 0;
  ASSERT_EQ(::ReceiptNumber(&receiptsBefore), 0);
  ASSERT_EQ(::DailyReportNumber(&reportsAlone), 0);
  Printer().ClearRecord();

  constexpr int kReceipts = 10;
  constexpr int kReadsEach = 80;
  std::atomic<bool> go{false};
  auto waitForGo = [&go] {
    while (!go) std::this_thread::yield();
  };

  auto seller = std::async(std::launch::async, [&] {
    waitForGo();
    std::vector<Call> calls;
    for (int i = 0; i < kReceipts; ++i) {
      calls.push_back(Timed("ReceiptBegin", [] { return ::ReceiptBegin(); }));
      calls.push_back(Timed("pReceiptItem", [] {
        int32_t value = 0;
        return ::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 2, 0, "szt", 450, &value);
      }));
      calls.push_back(Timed("pReceiptItem", [] {
        int32_t value = 0;
        return ::pReceiptItem(1, "Mleko 3,2% 1l", 2, 0, 1500, 3, "l", 399, &value);
      }));
      calls.push_back(Timed("ReceiptEnd", [] { return ::ReceiptEnd(0); }));
    }
    return calls;
  });
  // Each reader goes round the receipt counter, the report counter and the
  // clock, and checks what it read against what the printer holds.
  auto reader = [&] {
    waitForGo();
    std::vector<Call> calls;
    int32_t lastCount = receiptsBefore;
    for (int i = 0; i < kReadsEach; ++i) {
      int32_t counter = -1;
      char clock[15] = {};
      switch (i % 3) {
        case 0:
          calls.push_back(Timed("ReceiptNumber", [&] { return ::ReceiptNumber(&counter); }));
          if (calls.back().code != 0) break;
          // The counter never goes back, and counts only the receipts sold.
          EXPECT_GE(counter, lastCount);
          EXPECT_LE(counter, receiptsBefore + kReceipts);
          lastCount = counter;
          break;
        case 1:
          calls.push_back(
              Timed("DailyReportNumber", [&] { return ::DailyReportNumber(&counter); }));
          if (calls.back().code == 0) {
            EXPECT_EQ(counter, reportsAlone);
          }
          break;
        default:
          calls.push_back(Timed("pReadClock", [&] { return ::pReadClock(clock); }));
          if (calls.back().code == 0) {
            EXPECT_STREQ(clock, clockAlone);
          }
      }
    }
    return calls;
  };
  auto first = std::async(std::launch::async, reader);
  auto second = std::async(std::launch::async, reader);
  go = true;

  std::vector<Call> calls;
  for (auto* future : {&seller, &first, &second}) {
    ASSERT_EQ(future->wait_for(120s), std::future_status::ready);
    const std::vector<Call> made = future->get();
    calls.insert(calls.end(), made.begin(), made.end());
  }
  EXPECT_EQ(calls.size(), 200u);
  // While a receipt is open, from the start of its opening to the end of its
  // closing, a reading answers 200, as it does alone; otherwise every call
  // succeeds. A 20, 21 or 23 would be bytes of two calls mixed on the line.
  std::vector<std::pair<Clock::time_point, Clock::time_point>> receiptsOpen;
  for (size_t i = 0; i + 3 < calls.size(); ++i) {
    if (calls[i].function == "ReceiptBegin") receiptsOpen.emplace_back(calls[i].begun, calls[i + 3].ended);
  }
  ASSERT_EQ(receiptsOpen.size(), size_t{kReceipts});
  for (const Call& call : calls) {
    if (call.code == 200 && call.function != "ReceiptBegin" && call.function != "pReceiptItem" &&
        call.function != "ReceiptEnd") {
      const bool duringAReceipt =
          std::any_of(receiptsOpen.begin(), receiptsOpen.end(), [&call](const auto& open) {
            return call.begun < open.second && call.ended > open.first;
          });
      EXPECT_TRUE(duringAReceipt) << call.function << " answered 200 with no receipt open";
      continue;
    }
    EXPECT_EQ(call.code, 0) << call.function;
  }

  for (const std::string& line : Printer().Journal()) {
    EXPECT_FALSE(IsBrokenFrameNote(line)) << line;
  }
  const Frames sent = Printer().Commands();
  EXPECT_EQ(FramesOf(sent, 33).size(), size_t{kReceipts});
  EXPECT_EQ(FramesOf(sent, 6).size(), size_t{2 * kReceipts});
  for (const Frame& frame : sent) {
    // No frame carries bytes of another, nor lacks its own.
    ASSERT_GE(frame.size(), 2u);
    EXPECT_EQ(framesAlone.count({frame[1], frame.size()}), 1u)
        << "command " << int{frame[1]} << ", " << frame.size() << " bytes";
  }
  int32_t receiptsAfter = 0;
  ASSERT_EQ(::ReceiptNumber(&receiptsAfter), 0);
  EXPECT_EQ(receiptsAfter, receiptsBefore + kReceipts);
  const std::vector<std::string> printouts = Printer().Printouts();
  ASSERT_EQ(printouts.size(), size_t{kReceipts + 1});
  for (const std::string& receipt : printouts) {
    EXPECT_TRUE(HasRow(receipt, "SUMA PLN", "14,99")) << receipt;
  }
}

// Ending the connection does not wait for the call running on another thread:
// it aborts it, and a third thread's call that waited for its turn ends
// promptly too.
TEST_F(Threads, EndingTheConnectionStopsTheRunningCallAndTheWaitingOne) {
  ASSERT_EQ(::ReceiptBegin(), 0);
  Printer().SetSilent(true);
  auto closing = std::async(std::launch::async, [] { return ::ReceiptEnd(0); });
  std::this_thread::sleep_for(200ms);
  auto waiting = std::async(std::launch::async, [] {
    int32_t counter = 0;
    return ::ReceiptNumber(&counter);
  });
  std::this_thread::sleep_for(100ms);
  const auto start = Clock::now();
  EXPECT_EQ(::CommunicationEnd(), 0);
  EXPECT_LT(Clock::now() - start, 3s);
  ASSERT_EQ(closing.wait_for(3s), std::future_status::ready);
  EXPECT_EQ(closing.get(), 21);
  ASSERT_EQ(waiting.wait_for(3s), std::future_status::ready);
  // Its code tells only which of the two took its turn first: the receipt
  // the failed closing left open (200), or the connection ended (114).
  const int32_t waited = waiting.get();
  EXPECT_TRUE(waited == 200 || waited == 114) << waited;
  EXPECT_FALSE(link::PortObject->IsOpen());
}

}  // namespace
}  // namespace sigra::testing
