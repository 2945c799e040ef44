// The emulator seen from the host's side of the pseudo-terminal, byte for byte:
// what it records, its line speeds, the names database, start states, the
// fiscal switch and the receipt's totals.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulator/emulator.h"
#include "emulator/rate_store.h"
#include "emulator/receipt.h"
#include "emulator/start_state.h"
#include "emulator/tester_states.h"
#include "tests/emulator_host.h"

namespace {

using namespace std::chrono_literals;
using namespace sigra::emu::testing;
using sigra::emu::Bytes;
using sigra::emu::Emulator;

sigra::emu::Command SumCommand() {
  return {.name = "sum",
          .answer = [](sigra::emu::Printer&) { return Bytes{ACK}; },
          .dataLength = sigra::emu::FixedData(3),
          .afterData =
              [](sigra::emu::Printer&, const Bytes& data) {
                return Bytes{static_cast<uint8_t>(data[0] + data[1] + data[2])};
              }};
}

TEST(EmulatorRecord, CommandsAreGroupedWithTheirData) {
  Emulator emulator(2);
  emulator.Define(200, SumCommand());
  Host host(emulator.DevicePath());
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
  EXPECT_EQ(host.Exchange({ESC, 200}, 1), Bytes{ACK});
  EXPECT_EQ(host.Exchange({1, 2, ESC}, 1), Bytes{30});
  EXPECT_EQ(emulator.Commands(), (std::vector<Bytes>{{ESC, 35}, {ESC, 200, 1, 2, ESC}}));

  const std::vector<sigra::emu::WireByte> wire = emulator.Wire();
  const Bytes order = {ESC, 35, ACK, ESC, 200, ACK, 1, 2, ESC, 30};
  const bool fromHost[] = {true, true, false, true, true, false, true, true, true, false};
  ASSERT_EQ(wire.size(), order.size());
  for (size_t i = 0; i < wire.size(); ++i) {
    EXPECT_EQ(wire[i].value, order[i]) << i;
    EXPECT_EQ(wire[i].dir == sigra::emu::Direction::HostToPrinter, fromHost[i]) << i;
    if (i > 0) {
      EXPECT_GE(wire[i].at, wire[i - 1].at);
    }
  }
  emulator.ClearRecord();
  EXPECT_TRUE(emulator.Wire().empty());
  EXPECT_TRUE(emulator.Commands().empty());
}

TEST(EmulatorRecord, RefusedCommandTakesNoDataButInjectedAckDoes) {
  Emulator emulator(2);
  emulator.Define(200, SumCommand());
  Host host(emulator.DevicePath());
  emulator.Nak(200);
  EXPECT_EQ(host.Exchange({ESC, 200}, 1), Bytes{NAK});
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
  emulator.AnswerWith(200, {ACK, 0x42});
  EXPECT_EQ(host.Exchange({ESC, 200}, 2), (Bytes{ACK, 0x42}));
  EXPECT_EQ(host.Exchange({4, 5, 6}, 1), Bytes{15});
}

TEST(EmulatorRecord, IncompleteDataIsDroppedAfterTheTimeout) {
  Emulator emulator(2);
  emulator.Define(200, SumCommand());
  Host host(emulator.DevicePath());
  EXPECT_EQ(host.Exchange({ESC, 200}, 1), Bytes{ACK});
  host.Send({7});
  std::this_thread::sleep_for(1200ms);
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
  EXPECT_TRUE(JournalHas(emulator, "incomplete data (1 of 3 bytes) dropped"));
}

TEST(EmulatorRecord, ALongerDataTimeoutWaitsOutAStalledHost) {
  Emulator emulator(2);
  emulator.Define(200, SumCommand());
  emulator.SetDataTimeout(3000ms);
  Host host(emulator.DevicePath());
  EXPECT_EQ(host.Exchange({ESC, 200}, 1), Bytes{ACK});
  host.Send({7});
  std::this_thread::sleep_for(1200ms);
  EXPECT_EQ(host.Exchange({8, 9}, 1), Bytes{24});
  EXPECT_FALSE(JournalHas(emulator, "incomplete data (1 of 3 bytes) dropped"));
}

TEST(EmulatorRecord, DataLengthCanFollowTheData) {
  Emulator emulator(2);
  // Text ended by a line feed, answered after it with its length.
  std::atomic<size_t> lengthSeen{0};
  emulator.Define(9, {.answer = {},
                      .dataLength =
                          [](const Bytes& received) {
                            return !received.empty() && received.back() == '\n'
                                       ? received.size()
                                       : received.size() + 1;
                          },
                      .afterData =
                          [&](sigra::emu::Printer&, const Bytes& data) {
                            lengthSeen = data.size();
                            return Bytes{ACK};
                          }});
  Host host(emulator.DevicePath());
  EXPECT_EQ(host.Exchange({ESC, 9, '0', 'a', 'b', '\n'}, 1), Bytes{ACK});
  EXPECT_EQ(lengthSeen, 4U);
  EXPECT_EQ(emulator.Commands(), (std::vector<Bytes>{{ESC, 9, '0', 'a', 'b', '\n'}}));
}

TEST(EmulatorRecord, WaitForHostBytesTimesOutShort) {
  Emulator emulator(2);
  Host host(emulator.DevicePath());
  EXPECT_FALSE(emulator.WaitForHostBytes(1, 50ms));
  host.Send({ESC, 35});
  EXPECT_TRUE(emulator.WaitForHostBytes(2, 1s));
  EXPECT_EQ(emulator.HostBytes(), (Bytes{ESC, 35}));
}

TEST(LineSpeed, AFixedLunoHearsOnlyAHostAtItsOwnSpeed) {
  Emulator printer(7);
  printer.FixLineSpeed(9600);
  Host host(printer.DevicePath());
  host.SetSpeed(B19200);
  EXPECT_TRUE(host.Exchange({ESC, 35}, 1, 300ms).empty());
  const auto journal = printer.Journal();
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal.back(), "byte 1B at 19200 b/s not understood: the printer listens at 9600 b/s");
  host.SetSpeed(B9600);
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
}

TEST(LineSpeed, ASettingsWriteMovesTheLunoToItsNewSpeedAfterItsAnswer) {
  Emulator printer(8);
  printer.FixLineSpeed(9600);
  Host host(printer.DevicePath());
  host.SetSpeed(B9600);
  // Group 0 of the factory block with bit 5: 19200 b/s.
  EXPECT_EQ(host.Exchange({ESC, 222, 0, 0x24, 0, 0}, 2), (Bytes{ACK, 0}));
  EXPECT_TRUE(host.Exchange({ESC, 35}, 1, 300ms).empty());
  host.SetSpeed(B19200);
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
}

TEST(LineSpeed, OnlyTheLunoSpeedsCanBeFixed) {
  Emulator printer(7);
  EXPECT_THROW(printer.FixLineSpeed(38400), std::invalid_argument);
}

// The names database of a printer: full, with the given unique number, and
// whether a control print was made.
std::unique_ptr<Emulator> NamesPrinter(int type, bool full, bool controlPrinted) {
  auto printer = std::make_unique<Emulator>(type);
  printer->WithPrinter([&](sigra::emu::Printer& p) {
    if (full) p.SetStatusByte(2, 0x01);
    p.Memory().uniqueNumber = "ABC12345699";
    p.Service().namesDatabase.controlPrinted = controlPrinted;
  });
  return printer;
}

TEST(NamesDatabase, ErasedOnlyWhenFullAfterAControlPrintAndWithTheCheckByte) {
  {
    auto printer = NamesPrinter(3, false, true);
    Host host(printer->DevicePath());
    EXPECT_EQ(host.Exchange({ESC, 92}, 1), Bytes{NAK});
  }
  {
    auto printer = NamesPrinter(3, true, true);
    Host host(printer->DevicePath());
    EXPECT_EQ(host.Exchange({ESC, 92, 113}, 2), (Bytes{ACK, NAK}));
    EXPECT_EQ(printer->StatusByte(2) & 0x01, 0x01);
  }
  {
    auto printer = NamesPrinter(3, true, false);
    Host host(printer->DevicePath());
    EXPECT_EQ(host.Exchange({ESC, 92, 114}, 2), (Bytes{ACK, NAK}));
  }
  {
    auto printer = NamesPrinter(3, true, true);
    Host host(printer->DevicePath());
    EXPECT_EQ(host.Exchange({ESC, 92, 114}, 3, 300ms), (Bytes{ACK, ACK}));
    EXPECT_EQ(printer->StatusByte(2) & 0x01, 0);
    // Once erased, a new control print is needed.
    host.Send({ESC, 63});
    EXPECT_EQ(host.Receive(1), Bytes{ACK});
    host.Send({ESC, 81});
    printer->WithPrinter([](sigra::emu::Printer& p) { p.SetStatusByte(2, 0x01); });
    EXPECT_EQ(host.Exchange({ESC, 92, 114}, 2), (Bytes{ACK, ACK}));
  }
}

TEST(NamesDatabase, ALunoReportsTheErasureInSixteenStepsAndAZero) {
  auto printer = NamesPrinter(7, true, true);
  Host host(printer->DevicePath());
  Bytes expected = {ACK, ACK};
  for (uint8_t step = 1; step <= 16; ++step) expected.push_back(step);
  expected.push_back(0);
  EXPECT_EQ(host.Exchange({ESC, 92, 114}, expected.size()), expected);
}

}  // namespace

namespace {

TEST(EmulatorStartState, ErasedClockFiscalModeAndReceiptsSoldShowOnTheWire) {
  Emulator emulator(7);
  sigra::emu::ApplyStartState(emulator,
                              {.clockErased = true, .fiscalMode = true, .receiptsSold = 3});
  Host host(emulator.DevicePath());
  EXPECT_EQ(host.ReadStatus(155) & 0x08, 0x08);
  EXPECT_EQ(host.ReadStatus(148) & 0x10, 0x10);
  EXPECT_EQ(host.Exchange({ESC, 102}, 3), (Bytes{ACK, 3, 0}));
}

TEST(EmulatorStartState, DefaultIsATrainingPrinterWithAnIntactClock) {
  Emulator emulator(3);
  sigra::emu::ApplyStartState(emulator, {});
  Host host(emulator.DevicePath());
  EXPECT_EQ(host.ReadStatus(155) & 0x08, 0);
  EXPECT_EQ(host.ReadStatus(148) & 0x10, 0);
  EXPECT_EQ(host.Exchange({ESC, 102}, 3), (Bytes{ACK, 0, 0}));
}

}  // namespace

namespace {

// The fiscalisation data: six letters "f", then rates A to G.
Bytes FiscalisationFrame() {
  Bytes frame = {ESC, 114, 'f', 'f', 'f', 'f', 'f', 'f'};
  const Bytes rates = {0x08, 0x98, 0x02, 0xBC, 0, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x40, 0};
  frame.insert(frame.end(), rates.begin(), rates.end());
  return frame;
}

TEST(EmulatorFiscalSwitch, FiscalisationNeedsTheServiceJumperAndHappensOnce) {
  Emulator refusing(7);
  Host first(refusing.DevicePath());
  EXPECT_EQ(first.Exchange(FiscalisationFrame(), 5), Bytes{NAK});
  EXPECT_EQ(first.ReadStatus(155) & 0x08, 0);

  Emulator luno(7);
  luno.WithPrinter([](sigra::emu::Printer& p) { sigra::emu::SetServiceJumper(p, true); });
  Host host(luno.DevicePath());
  // The Luno reports the fiscal memory's progress until a 0.
  EXPECT_EQ(host.Exchange(FiscalisationFrame(), 5), (Bytes{ACK, 1, 2, 3, 0}));
  EXPECT_EQ(host.ReadStatus(155) & 0x08, 0x08);
  luno.WithPrinter([](sigra::emu::Printer& p) {
    EXPECT_EQ(p.Memory().fiscalRates,
              (Bytes{0x08, 0x98, 0x02, 0xBC, 0, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x40, 0}));
    EXPECT_EQ(p.Memory().taxNumber, p.UserDataLines().Line(6)->text);
    EXPECT_EQ(p.Fiscal().rates.Describe(1), "7,00%");
  });
  EXPECT_EQ(host.Exchange(FiscalisationFrame(), 5), Bytes{NAK});

  Emulator sigra(3);
  sigra.WithPrinter([](sigra::emu::Printer& p) { sigra::emu::SetServiceJumper(p, true); });
  Host other(sigra.DevicePath());
  EXPECT_EQ(other.Exchange(FiscalisationFrame(), 5), Bytes{ACK});
}

// A settlement report of `kind` with the check bytes of "12345678", the
// printer's date and `range`; the verdict byte.
Bytes Settlement(Emulator& printer, uint8_t kind, bool rightNumber, const Bytes& range = {}) {
  Bytes data = {kind, '1' + '2', '3' + '4', '5' + '6', static_cast<uint8_t>('7' + '8')};
  if (!rightNumber) data[4] = 0;
  printer.WithPrinter([&](sigra::emu::Printer& p) {
    const auto today = p.Clock().Today();
    const int year = static_cast<int>(today.year()) % 100;
    const unsigned month = static_cast<unsigned>(today.month());
    const unsigned day = static_cast<unsigned>(today.day());
    data.insert(data.end(), {static_cast<uint8_t>(year / 10), static_cast<uint8_t>(year % 10),
                             static_cast<uint8_t>(month / 10), static_cast<uint8_t>(month % 10),
                             static_cast<uint8_t>(day / 10), static_cast<uint8_t>(day % 10)});
  });
  data.insert(data.end(), range.begin(), range.end());
  Host host(printer.DevicePath());
  EXPECT_EQ(host.Exchange({ESC, 49}, 1), Bytes{ACK});
  return host.Exchange(data, 1);
}

TEST(EmulatorFiscalSwitch, SettlementWithTheRightNumberEndsInReadOnlyMode) {
  Emulator printer(7);
  // In training mode there is nothing to settle.
  EXPECT_EQ(Settlement(printer, 8, true), Bytes{6});
  sigra::emu::ApplyStartState(printer, {.fiscalMode = true});
  EXPECT_EQ(Settlement(printer, 8, false), Bytes{6});
  EXPECT_EQ(printer.StatusByte(1) & 0x04, 0);
  // A refused range still leaves the printer read-only.
  EXPECT_EQ(Settlement(printer, 7, true, {1, 0, 0x2C, 0x01}), Bytes{2});
  EXPECT_EQ(printer.StatusByte(1) & 0x04, 0x04);
  EXPECT_EQ(Settlement(printer, 7, true, {5, 0, 1, 0}), Bytes{3});
}

TEST(EmulatorFiscalSwitch, SettlementRefusedWhileReceiptsAwaitTheDailyReport) {
  Emulator printer(3);
  sigra::emu::ApplyStartState(printer, {.fiscalMode = true, .receiptsSold = 2});
  EXPECT_EQ(Settlement(printer, 8, true), Bytes{7});
  EXPECT_EQ(printer.StatusByte(1) & 0x04, 0);
}

// --- The receipt's own checks -----------------------------------------------

// The 49 data bytes of a line of quantity 1 at `price` on a rate code, its
// value as given.
std::vector<uint8_t> ItemLine(bool voided, uint8_t rateCode, int32_t price, int32_t value) {
  std::vector<uint8_t> data(49, ' ');
  data[0] = voided ? '-' : ' ';
  const std::string name = "Zestaw mebli";
  std::copy(name.begin(), name.end(), data.begin() + 1);
  data[29] = '0';
  const auto put = [&data](size_t at, int32_t number) {
    for (size_t i = 0; i < 4; ++i) {
      data[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(number) >> (8 * i));
    }
  };
  put(30, 1);
  data[34] = 0;
  put(39, price);
  data[43] = 0x1B;
  data[44] = rateCode;
  put(45, value);
  return data;
}

TEST(EmulatorReceipt, LineTakingATotalPastTheSigned32BitRangeIsRefused) {
  constexpr int32_t kMost = 2147483647;
  const sigra::emu::RateStore rates(7);
  sigra::emu::Receipt oneRate(rates, 5);
  ASSERT_EQ(oneRate.AddItem(ItemLine(false, 1, kMost, kMost)), std::nullopt);
  EXPECT_EQ(oneRate.AddItem(ItemLine(false, 1, 1, 1)), "total beyond 21474836,47");

  sigra::emu::Receipt twoRates(rates, 5);
  ASSERT_EQ(twoRates.AddItem(ItemLine(false, 1, kMost - 1, kMost - 1)), std::nullopt);
  ASSERT_EQ(twoRates.AddItem(ItemLine(false, 2, 1, 1)), std::nullopt);
  EXPECT_EQ(twoRates.AddItem(ItemLine(false, 3, 1, 1)), "total beyond 21474836,47");
  // A voided line makes room again.
  ASSERT_EQ(twoRates.AddItem(ItemLine(true, 2, 1, 1)), std::nullopt);
  EXPECT_EQ(twoRates.AddItem(ItemLine(false, 3, 1, 1)), std::nullopt);
  EXPECT_EQ(twoRates.Total(), kMost);
}

}  // namespace
