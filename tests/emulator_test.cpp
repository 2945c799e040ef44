// The emulator seen from the host's side of the pseudo-terminal, byte for byte:
// identification, status, printouts, line rate and faults.
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "emulator/emulator.h"
#include "tests/emulator_host.h"

namespace {

using namespace std::chrono_literals;
using namespace sigra::emu::testing;
using sigra::emu::Bytes;
using sigra::emu::Emulator;

TEST(EmulatorIdentification, ConnectionCheckIsAcknowledged) {
  Emulator emulator(2);
  Host host(emulator.DevicePath());
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
  EXPECT_TRUE(JournalHas(emulator, "connection check -> 06"));
}

TEST(EmulatorIdentification, DeviceTypeQueryAnswersEachTypesCode) {
  const uint8_t codes[10] = {2, 17, 44, 44, 5, 18, 18, 44, 18, 0x63};
  for (int type = 0; type < 10; ++type) {
    Emulator emulator(type);
    Host host(emulator.DevicePath());
    EXPECT_EQ(host.Exchange({ESC, 255}, 2), (Bytes{ACK, codes[type]})) << "type " << type;
  }
}

TEST(EmulatorIdentification, ModelQueryTellsTheFamiliesApart) {
  {
    Emulator luno(7, 5);
    Host host(luno.DevicePath());
    const Bytes answer = host.Exchange({ESC, 254}, 4);
    ASSERT_EQ(answer.size(), 4U);
    EXPECT_EQ(answer[0], ACK);
    EXPECT_EQ(answer[1], 124);
    EXPECT_EQ(answer[2], 5);
  }
  {
    Emulator lunoF(8, 3);
    Host host(lunoF.DevicePath());
    const Bytes answer = host.Exchange({ESC, 254}, 4);
    ASSERT_EQ(answer.size(), 4U);
    EXPECT_EQ(answer[1], 125);
    EXPECT_EQ(answer[2], 3);
  }
  for (int type : {3, 6}) {
    Emulator sigra(type);
    Host host(sigra.DevicePath());
    const Bytes answer = host.Exchange({ESC, 254}, 4);
    ASSERT_EQ(answer.size(), 4U);
    EXPECT_EQ(answer[0], ACK);
    EXPECT_NE(answer[1], 124);
    EXPECT_NE(answer[1], 125);
    EXPECT_EQ(answer[2], sigra.Version());
  }
  for (int type : {0, 1, 2, 4, 5, 9}) {
    Emulator older(type);
    Host host(older.DevicePath());
    EXPECT_EQ(host.Exchange({ESC, 254}, 1), Bytes{NAK}) << "type " << type;
  }
}

TEST(EmulatorIdentification, UnknownCommandIsRefusedAndNoDataAwaited) {
  Emulator emulator(3);
  Host host(emulator.DevicePath());
  EXPECT_EQ(host.Exchange({ESC, 77}, 1), Bytes{NAK});
  // Answered at once: the printer is not reading the next frame as data.
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
  EXPECT_TRUE(JournalHas(emulator, "NAK to unknown command 77"));
}

TEST(EmulatorIdentification, ReopenedPortStillTalks) {
  Emulator emulator(2);
  { Host first(emulator.DevicePath()); }
  // Long enough for the printer to see the line with no host on it.
  std::this_thread::sleep_for(100ms);
  Host second(emulator.DevicePath());
  EXPECT_EQ(second.Exchange({ESC, 35}, 1), Bytes{ACK});
}

TEST(EmulatorIdentification, ComPortLinkReachesThePrinter) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("sigra-emu-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::create_symlink("/nonexistent", dir / "com4");
  Emulator emulator(2);
  emulator.LinkAsComPort(dir.string(), 4);
  {
    Host host((dir / "com4").string());
    EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
  }
  std::filesystem::remove_all(dir);
}

TEST(EmulatorStatus, StatusCommandsAnswerTheirByteAlone) {
  Emulator emulator(3);
  Host host(emulator.DevicePath());
  uint8_t value = 0x10;
  for (uint8_t command : {94, 96, 144, 148, 149, 150, 155, 159}) {
    emulator.SetStatus(command, ++value);
    EXPECT_EQ(host.Exchange({ESC, command}, 1), Bytes{value}) << "status " << int{command};
  }
  EXPECT_THROW(emulator.SetStatus(35, 1), std::invalid_argument);
}

TEST(EmulatorStatus, StatusBytesThroughOrdinaryCommandsDependOnModel) {
  const uint8_t commands[8] = {91, 84, 85, 86, 95, 80, 243, 93};
  // Which of bytes 1..8 each printer has.
  struct Case {
    int type;
    int version;
    bool has[8];
  };
  const Case cases[] = {
      {2, -1, {true, true, true, true, false, false, false, false}},
      {3, 2, {true, true, true, true, false, false, false, false}},
      {3, 3, {true, true, true, true, true, true, false, false}},
      {6, 5, {true, true, true, true, false, false, false, true}},
      {6, 6, {true, true, true, true, true, true, false, true}},
      {7, -1, {true, true, true, true, true, true, true, false}},
      {8, -1, {true, true, true, true, true, true, true, true}},
      {9, -1, {true, true, true, true, true, true, true, false}},
  };
  for (const Case& c : cases) {
    Emulator emulator(c.type, c.version);
    Host host(emulator.DevicePath());
    for (int n = 1; n <= 8; ++n) {
      emulator.SetStatusByte(n, static_cast<uint8_t>(0xA0 + n));
      const Bytes expected = c.has[n - 1] ? Bytes{ACK, static_cast<uint8_t>(0xA0 + n)} : Bytes{NAK};
      EXPECT_EQ(host.Exchange({ESC, commands[n - 1]}, expected.size()), expected)
          << "type " << c.type << " version " << c.version << " byte " << n;
    }
  }
}

TEST(EmulatorStatus, ByteOneTwoThreeAreTheStatusCommandBytes) {
  Emulator emulator(2);
  Host host(emulator.DevicePath());
  emulator.SetStatus(155, 0x0B);
  emulator.SetStatus(148, 0x08);
  emulator.SetStatus(149, 0x04);
  EXPECT_EQ(host.Exchange({ESC, 91}, 2), (Bytes{ACK, 0x0B}));
  EXPECT_EQ(host.Exchange({ESC, 84}, 2), (Bytes{ACK, 0x08}));
  EXPECT_EQ(host.Exchange({ESC, 85}, 2), (Bytes{ACK, 0x04}));
}

TEST(EmulatorStatus, FailureAndControllerBits) {
  Emulator emulator(3);
  emulator.SetPrinterFailure(true);
  EXPECT_EQ(emulator.Status(149), 0x04);
  emulator.SetControllerLost(true);
  EXPECT_EQ(emulator.Status(149), 0x84);
  EXPECT_EQ(emulator.Status(148) & 0x80, 0x80);
  emulator.SetPrinterFailure(false);
  emulator.SetControllerLost(false);
  EXPECT_EQ(emulator.Status(149), 0x00);
  EXPECT_EQ(emulator.Status(148), 0x00);
}

TEST(EmulatorPrinting, PrintoutLastsItsPollsThenIdles) {
  Emulator emulator(3);
  Host host(emulator.DevicePath());
  emulator.StartPrintout(4);
  EXPECT_EQ(emulator.Status(148) & 0x02, 0x02);
  for (int poll = 0; poll < 4; ++poll) EXPECT_EQ(host.ReadStatus(149), 0x01) << "poll " << poll;
  EXPECT_EQ(host.ReadStatus(149), 0x00);
  EXPECT_EQ(host.ReadStatus(148), 0x00);
  EXPECT_FALSE(emulator.Printing());
}

TEST(EmulatorPrinting, HostLoopSeesDocumentThenPrintingThenIdle) {
  Emulator emulator(3);
  Host host(emulator.DevicePath());
  emulator.StartPrintout(8);
  EXPECT_EQ(host.PrintPattern(), "110");
  EXPECT_EQ(host.PrintPattern(), "110");
  EXPECT_EQ(host.PrintPattern(), "010");
  EXPECT_EQ(host.PrintPattern(), "010");
  EXPECT_EQ(host.PrintPattern(), "000");
}

TEST(EmulatorPrinting, PaperOutStopsPrintoutUntilPaperAndResume) {
  Emulator emulator(3);
  Host host(emulator.DevicePath());
  emulator.StartPrintout(5);
  emulator.PaperRunsOutAfter(2);
  EXPECT_EQ(host.ReadStatus(149), 0x01);
  EXPECT_EQ(host.ReadStatus(149), 0x01);
  // Stopped: no paper, stopped for lack of it, characters still to print.
  EXPECT_EQ(host.ReadStatus(149), 0x43);
  EXPECT_EQ(host.ReadStatus(149), 0x43);
  emulator.SetPaper(true);
  EXPECT_EQ(host.PrintPattern(), "011");
  EXPECT_EQ(host.PrintPattern(), "011");
  EXPECT_EQ(host.Exchange({ESC, 42}, 1), Bytes{ACK});
  EXPECT_EQ(host.ReadStatus(149), 0x01);
  EXPECT_EQ(host.ReadStatus(149), 0x01);
  EXPECT_EQ(host.ReadStatus(149), 0x01);
  EXPECT_EQ(host.PrintPattern(), "000");
  EXPECT_TRUE(JournalHas(emulator, "printout resumed"));
}

TEST(EmulatorPrinting, PrintoutWithoutPaperStopsAtOnceAndResumeWaitsForPaper) {
  Emulator emulator(7);
  Host host(emulator.DevicePath());
  emulator.SetPaper(false);
  emulator.StartPrintout(1);
  EXPECT_EQ(host.ReadStatus(149), 0x43);
  EXPECT_EQ(host.Exchange({ESC, 42}, 1), Bytes{ACK});
  EXPECT_EQ(host.ReadStatus(149), 0x43);
  emulator.SetPaper(true);
  EXPECT_EQ(host.Exchange({ESC, 42}, 1), Bytes{ACK});
  EXPECT_EQ(host.ReadStatus(149), 0x01);
  EXPECT_EQ(host.ReadStatus(149), 0x00);
}

// A command of 96 data bytes answered after them: with its header and
// acknowledgement, 100 bytes on the line, one after another.
double HundredByteExchangeMs(Emulator& emulator, Host& host) {
  emulator.Define(200,
                  {.answer = [](sigra::emu::Printer&) { return Bytes{ACK}; },
                   .dataLength = sigra::emu::FixedData(96),
                   .afterData = [](sigra::emu::Printer&, const Bytes&) { return Bytes{ACK}; }});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(host.Exchange({ESC, 200}, 1), Bytes{ACK});
  EXPECT_EQ(host.Exchange(Bytes(96, 0x55), 1), Bytes{ACK});
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

TEST(EmulatorLineRate, HundredBytesTakeAHundredCharacterTimes) {
  for (const auto& [rate, characterMs] :
       {std::pair{9600, 11.0 / 9.6}, std::pair{28800, 11.0 / 28.8}}) {
    Emulator emulator(3);
    emulator.SetLineRate(rate);
    Host host(emulator.DevicePath());
    EXPECT_GE(HundredByteExchangeMs(emulator, host), 100 * characterMs) << rate << " bit/s";
    // Each host byte arrives a character time after the one before it, not
    // only the exchange as a whole.
    const std::vector<sigra::emu::WireByte> wire = emulator.Wire();
    std::optional<std::chrono::steady_clock::time_point> previous;
    for (const sigra::emu::WireByte& byte : wire) {
      if (byte.dir != sigra::emu::Direction::HostToPrinter) continue;
      if (previous) {
        const double gapMs = std::chrono::duration<double, std::milli>(byte.at - *previous).count();
        EXPECT_GE(gapMs, characterMs * 0.999) << rate << " bit/s";
      }
      previous = byte.at;
    }
  }
}

TEST(EmulatorLineRate, WithoutALineRateBytesPassAtOnce) {
  Emulator emulator(3);
  Host host(emulator.DevicePath());
  EXPECT_LT(HundredByteExchangeMs(emulator, host), 100 * 11.0 / 28.8);
}

TEST(EmulatorLineRate, PrintoutLastsTheTimeOfItsLines) {
  Emulator emulator(3);
  emulator.SetLineRate(28800);
  Host host(emulator.DevicePath());
  // Five lines at ten lines a second.
  emulator.WithPrinter([](sigra::emu::Printer& printer) {
    printer.Print({"1", "2", "3", "4", "5"});
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(host.ReadStatus(149) & 0x01, 0x01);
  EXPECT_EQ(host.ReadStatus(148) & 0x02, 0x02) << "the document waits during the first half";
  std::this_thread::sleep_until(start + 300ms);
  EXPECT_EQ(host.ReadStatus(149) & 0x01, 0x01);
  EXPECT_EQ(host.ReadStatus(148) & 0x02, 0x00);
  std::this_thread::sleep_until(start + 520ms);
  EXPECT_EQ(host.ReadStatus(149), 0x00);
  EXPECT_TRUE(JournalHas(emulator, "printout started (500 ms)"));
}

TEST(EmulatorLineRate, TimedPrintoutStandsStillWithoutPaper) {
  Emulator emulator(3);
  emulator.SetLineRate(28800);
  Host host(emulator.DevicePath());
  emulator.StartPrintout(200000);
  emulator.SetPaper(false);
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(host.ReadStatus(149), 0x43);
  emulator.SetPaper(true);
  EXPECT_EQ(host.Exchange({ESC, 42}, 1), Bytes{ACK});
  EXPECT_EQ(host.ReadStatus(149) & 0x01, 0x01) << "the stopped time does not count";
  std::this_thread::sleep_for(220ms);
  EXPECT_EQ(host.ReadStatus(149), 0x00);
}

TEST(EmulatorFaults, InjectedAnswersReplaceTheNormalOnesUntilCleared) {
  Emulator emulator(2);
  Host host(emulator.DevicePath());
  emulator.AnswerWith(35, {0x65});
  emulator.AnswerWith(255, {ACK, 0x11});
  emulator.Nak(149);
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{0x65});
  EXPECT_EQ(host.Exchange({ESC, 255}, 2), (Bytes{ACK, 0x11}));
  EXPECT_EQ(host.Exchange({ESC, 149}, 1), Bytes{NAK});
  emulator.ClearFaults();
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
  EXPECT_EQ(host.Exchange({ESC, 255}, 2), (Bytes{ACK, 44}));
}

TEST(EmulatorFaults, SilentPrinterReadsButNeverAnswers) {
  Emulator emulator(2);
  Host host(emulator.DevicePath());
  emulator.SetSilent(true);
  host.Send({ESC, 35});
  ASSERT_TRUE(emulator.WaitForHostBytes(2, 1s));
  EXPECT_TRUE(host.Receive(1, 200ms).empty());
  emulator.SetSilent(false);
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
}

TEST(EmulatorFaults, AnswerDelayHoldsTheAnswerBack) {
  Emulator emulator(2);
  Host host(emulator.DevicePath());
  emulator.SetAnswerDelay(150ms);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
  EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
}

TEST(EmulatorFaults, FailingHandlerCostsOnlyItsFrame) {
  Emulator emulator(2);
  emulator.Define(201, {.answer = [](sigra::emu::Printer&) -> Bytes {
                    throw std::runtime_error("broken handler");
                  }});
  Host host(emulator.DevicePath());
  host.Send({ESC, 201});
  EXPECT_EQ(host.Exchange({ESC, 35}, 1), Bytes{ACK});
  EXPECT_TRUE(JournalHas(emulator, "command 201 failed: broken handler"));
}

TEST(EmulatorFaults, InjectedBytesReachTheHostUnasked) {
  Emulator emulator(2);
  Host host(emulator.DevicePath());
  emulator.Inject({0xA2, 0xFF, 0x01});
  EXPECT_EQ(host.Receive(3), (Bytes{0xA2, 0xFF, 0x01}));
  ASSERT_EQ(emulator.Wire().size(), 3U);
  EXPECT_EQ(emulator.Wire()[0].dir, sigra::emu::Direction::PrinterToHost);
}

// A command with three data bytes that answers their sum after the data.
}  // namespace
