// The wire trace: one line per command sequence, with exactly the bytes that
// crossed the line.
#include "protocol/wire_trace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "commands/special_dates.h"
#include "driver_fixture.h"
#include "sigra/sigradrv.h"

namespace sigra::testing {
namespace {

std::string Hex(const Frame& bytes) {
  std::string text;
  for (uint8_t byte : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, text.empty() ? "%02X" : " %02X", byte);
    text += digits;
  }
  return text;
}

class WireTraceTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    path_ = Dir() + "/trace.txt";
    trace::SetFile(path_);
  }
  void TearDown() override {
    trace::SetFile("");
    DriverTest::TearDown();
  }

  std::vector<std::string> TraceLines() const {
    std::ifstream file(path_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }

  std::string path_;
};

TEST_F(WireTraceTest, EachSequenceOfAReceiptIsOneLineWithItsBytesBothWays) {
  emu::Emulator& printer = StartPrinter(7);
  ASSERT_EQ(::CommunicationInit(1, 9600, 1), 0);
  ASSERT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy 500g", 1, 0, 2, 0, "szt", 450, &value), 0);
  ASSERT_EQ(::pFillPayment(1, "Gotowka", 2000, 1100), 0);
  ASSERT_EQ(::ReceiptEnd(0), 0);

  const std::vector<std::string> lines = TraceLines();
  const Frames frames = printer.Commands();
  ASSERT_EQ(lines.size(), frames.size());
  const std::regex form(
      R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z COM1 cmd (\d+) sent ([0-9A-F ]+) received ([0-9A-F ]+|-) result (\d+) \(\d+ ms\))");
  for (size_t i = 0; i < lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, form)) << lines[i];
    EXPECT_EQ(match[1].str(), std::to_string(frames[i][1])) << lines[i];
    EXPECT_EQ(match[2].str(), Hex(frames[i])) << lines[i];
    EXPECT_EQ(match[4].str(), "0") << lines[i];
  }
  EXPECT_NE(lines.front().find(" cmd 35 sent 1B 23 received 06 result 0 ("), std::string::npos)
      << lines.front();
}

TEST_F(WireTraceTest, ARefusedSequenceShowsWhatCameBackAndItsResult) {
  emu::Emulator& printer = StartPrinter(7);
  ASSERT_EQ(::CommunicationInit(1, 9600, 1), 0);
  printer.Nak(113);
  char number[12];
  EXPECT_EQ(::pReadUniqueNumber(number), 24);
  printer.SetSilent(true);
  EXPECT_EQ(::pReadUniqueNumber(number), 21);
  const std::vector<std::string> lines = TraceLines();
  ASSERT_GE(lines.size(), 2U);
  EXPECT_NE(lines[lines.size() - 2].find(" cmd 113 sent 1B 71 received 15 result 24 ("),
            std::string::npos)
      << lines[lines.size() - 2];
  EXPECT_NE(lines.back().find(" cmd 113 sent 1B 71 received - result 21 ("), std::string::npos)
      << lines.back();
}

TEST_F(WireTraceTest, BytesReadAfterASequenceFollowOnALineOfTheirOwn) {
  emu::Emulator& printer = StartPrinter(7);
  ASSERT_EQ(::CommunicationInit(1, 9600, 1), 0);
  printer.WithPrinter([](emu::Printer& model) { model.Memory().keptDates[1] = {3, 12, 31}; });
  uint8_t year = 0, month = 0, day = 0;
  ASSERT_EQ(ReadSpecialDate(kNextInspectionDate, year, month, day), 0);
  ASSERT_EQ(::CommunicationEnd(), 0);
  const std::vector<std::string> lines = TraceLines();
  ASSERT_GE(lines.size(), 2U);
  EXPECT_NE(lines[lines.size() - 2].find(" COM1 cmd 250 sent 1B FA 01 received 06 result 0 ("),
            std::string::npos)
      << lines[lines.size() - 2];
  EXPECT_NE(lines.back().find("Z COM1 cmd 250 received after 00 03 12 31"), std::string::npos)
      << lines.back();
}

TEST_F(WireTraceTest, TracingOffWritesNothing) {
  trace::SetFile("");
  StartPrinter(7);
  ASSERT_EQ(::CommunicationInit(1, 9600, 1), 0);
  EXPECT_TRUE(TraceLines().empty());
}

TEST(WireTraceLine, NamesTimePortCommandBytesAndResult) {
  using namespace std::chrono;
  trace::SequenceRecord record;
  record.start =
      sys_days(2026y / December / 9) + hours(1) + minutes(2) + seconds(3) + milliseconds(45);
  record.started = steady_clock::time_point(seconds(10));
  record.port = 3;
  record.cmd = 255;
  record.sent = {0x1B, 0xFF};
  record.received = {0x06, 0x2C};
  EXPECT_EQ(trace::Line(record, 0, record.started + milliseconds(7)),
            "2026-12-09T01:02:03.045Z COM3 cmd 255 sent 1B FF received 06 2C result 0 (7 ms)");
}

}  // namespace
}  // namespace sigra::testing
