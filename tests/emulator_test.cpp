// The emulator seen from the host's side of the pseudo-terminal, byte for byte,
// through plain POSIX calls as a serial port user would make them.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "emulator/emulator.h"
#include "emulator/rate_store.h"
#include "emulator/receipt.h"
#include "emulator/start_state.h"
#include "emulator/tester_states.h"

namespace {

using namespace std::chrono_literals;
using sigra::emu::Bytes;
using sigra::emu::Emulator;

constexpr uint8_t ESC = 0x1B;
constexpr uint8_t ACK = 0x06;
constexpr uint8_t NAK = 0x15;

class Host {
 public:
  explicit Host(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    EXPECT_GE(fd_, 0) << path;
  }
  ~Host() { close(fd_); }

  void Send(const Bytes& bytes) {
    ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Up to `count` bytes, whatever arrived within `timeout`.
  Bytes Receive(size_t count, std::chrono::milliseconds timeout = 1000ms) {
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd in{fd_, POLLIN, 0};
      if (left.count() <= 0 || poll(&in, 1, static_cast<int>(left.count())) <= 0) break;
      uint8_t byte = 0;
      if (read(fd_, &byte, 1) == 1) got.push_back(byte);
    }
    return got;
  }

  // The line speed of the host's end, as a serial port user sets it.
  void SetSpeed(speed_t speed) {
    termios settings{};
    ASSERT_EQ(tcgetattr(fd_, &settings), 0);
    cfsetspeed(&settings, speed);
    ASSERT_EQ(tcsetattr(fd_, TCSANOW, &settings), 0);
  }

  Bytes Exchange(const Bytes& sent, size_t answerLength,
                 std::chrono::milliseconds timeout = 1000ms) {
    Send(sent);
    return Receive(answerLength, timeout);
  }

  uint8_t ReadStatus(uint8_t command) {
    const Bytes answer = Exchange({ESC, command}, 1);
    EXPECT_EQ(answer.size(), 1U) << "status " << int{command};
    return answer.empty() ? 0 : answer[0];
  }

  // The readings of one round of the host's print-control loop, as its pattern
  // of 148 bit 1, 149 bit 0 and 149 bit 6.
  std::string PrintPattern() {
    ReadStatus(149);
    const uint8_t a = ReadStatus(148);
    const uint8_t b = ReadStatus(149);
    return std::string{Bit(a, 1), Bit(b, 0), Bit(b, 6)};
  }

 private:
  static char Bit(uint8_t byte, int bit) { return (byte >> bit) & 1 ? '1' : '0'; }
  int fd_;
};

bool JournalHas(const Emulator& emulator, const std::string& text) {
  for (const std::string& line : emulator.Journal()) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

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
