// Command sequences through the exported raw interface and SendSequence: the
// bytes on the wire, the answer layout and the result codes.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "driver_fixture.h"
#include "protocol/sequence.h"
#include "sigra/sigradrv.h"

namespace sigra::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class SequenceTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    StartPrinter(3);
    ASSERT_EQ(OpenPort(1, 9600, 1, 1), 0);
  }

  int32_t Run(int32_t cmd, int32_t answerLength, int32_t dataLength = 0) {
    return RSSequence(cmd, answerLength, dataLength, answer, data);
  }

  unsigned char answer[256] = {};
  unsigned char data[256] = {};
};

TEST_F(SequenceTest, ConnectionCheckIsEscAndCommandAnsweredWithAck) {
  EXPECT_EQ(Run(35, 1), 0);
  EXPECT_EQ(Sent(), Frames({{27, 35}}));
}

TEST_F(SequenceTest, DeviceTypeAnswerFollowsTheAcknowledgementAtPositionZero) {
  EXPECT_EQ(Run(255, 2), 0);
  EXPECT_EQ(answer[0], 44);
}

TEST_F(SequenceTest, RefusedFirstBytesMapToTheirResultsAndNoDataFollows) {
  const struct {
    uint8_t firstByte;
    int32_t result;
  } cases[] = {{0x65, 201}, {0x01, 101}, {0xC8, 26}, {0x00, 23}, {0x15, 24}, {0x07, 23}};
  for (const auto& c : cases) {
    Printer().AnswerWith(35, {c.firstByte});
    Printer().ClearRecord();
    data[0] = 0xAB;
    EXPECT_EQ(Run(35, 3, 4), c.result) << "first byte " << int(c.firstByte);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(Printer().HostBytes(), Frame({27, 35})) << "first byte " << int(c.firstByte);
  }
}

TEST_F(SequenceTest, StatusCommandAnswersItsByteWithoutAcknowledgement) {
  Printer().SetStatus(149, 0x02);
  EXPECT_EQ(Run(149, 1), 0);
  EXPECT_EQ(answer[0], 0x02);

  Printer().AnswerWith(149, {0x15});
  EXPECT_EQ(Run(149, 1), 0);
  EXPECT_EQ(answer[0], 0x15);
  EXPECT_EQ(ReceiveBuffer[0], 0x15);
}

TEST_F(SequenceTest, SilentPrinterGivesReceiveTimeoutAfterTheReadTimeout) {
  Printer().SetSilent(true);
  const auto start = Clock::now();
  EXPECT_EQ(Run(35, 1), 21);
  EXPECT_GE(Clock::now() - start, 900ms);
  // The timeout does not spoil the port: the printer back on answers again.
  Printer().SetSilent(false);
  EXPECT_EQ(Run(35, 1), 0);
}

TEST_F(SequenceTest, AnswerLengthZeroSendsHeaderAndDataAndReadsNothing) {
  for (int i = 0; i < 4; ++i) data[i] = static_cast<unsigned char>(0x10 + i);
  Printer().Define(200, {.name = "test command", .dataLength = emu::FixedData(4)});
  EXPECT_EQ(Run(200, 0, 4), 0);
  EXPECT_EQ(Sent(6), Frames({{27, 200, 0x10, 0x11, 0x12, 0x13}}));
}

TEST_F(SequenceTest, RecordAnswerEndsAtTheFFThatBeginsTheSecondRecord) {
  std::vector<uint8_t> reply = {6};
  for (uint8_t i = 1; i <= 11; ++i) reply.push_back(i);
  reply.push_back(0xFF);
  Printer().AnswerWith(162, reply);
  const auto start = Clock::now();
  EXPECT_EQ(Run(162, 100), 0);
  EXPECT_LT(Clock::now() - start, 800ms);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(answer[i], i + 1);
  EXPECT_EQ(answer[11], 0xFF);
}

TEST_F(SequenceTest, FFInsideARecordDoesNotEndTheAnswer) {
  std::vector<uint8_t> reply = {6, 1, 0xFF, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xFF};
  Printer().AnswerWith(162, reply);
  EXPECT_EQ(Run(162, 100), 0);
  EXPECT_EQ(answer[1], 0xFF);
  EXPECT_EQ(answer[10], 11);
  EXPECT_EQ(answer[11], 0xFF);
}

TEST_F(SequenceTest, SendSequenceCopiesTheAnswerOnlyWhenOneWasAsked) {
  Block mine;
  mine.fill(0xAA);
  const Block none{};
  EXPECT_EQ(SendSequence(35, 0, 0, mine, none), 0);
  for (uint8_t b : mine) ASSERT_EQ(b, 0xAA);

  // The acknowledgement nobody read must have arrived before the next
  // sequence purges the port, or that sequence would take it for its answer.
  std::this_thread::sleep_for(200ms);
  Printer().SetSilent(true);
  EXPECT_EQ(SendSequence(35, 1, 0, mine, none), 21);
  EXPECT_EQ(mine, ReceiveBuffer);
}

TEST_F(SequenceTest, LengthsAreTakenByTheirLowByteButCopiesByTheWholeValue) {
  ReceiveBuffer.fill(0x77);
  answer[0] = 0;
  EXPECT_EQ(Run(35, 256, 256), 0);
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(Printer().HostBytes(), Frame({27, 35}));
  for (unsigned char b : answer) ASSERT_EQ(b, 0x77);
}

TEST_F(SequenceTest, NullBuffersAreRefusedWithoutAnExchange) {
  EXPECT_EQ(RSSequence(35, 1, 0, nullptr, data), 225);
  EXPECT_EQ(RSSequence(35, 0, 1, answer, nullptr), 225);
  EXPECT_EQ(RSSequence(35, 0, 0, nullptr, nullptr), 0);
  EXPECT_EQ(Sent(2), Frames({{27, 35}}));
}

TEST(ResultMapping, OutcomesMapOntoResultCodes) {
  EXPECT_EQ(MapResultCode(0), 0);
  EXPECT_EQ(MapResultCode(20), 20);
  EXPECT_EQ(MapResultCode(25), 25);
  EXPECT_EQ(MapResultCode(26), 101);
  EXPECT_EQ(MapResultCode(30), 105);
  EXPECT_EQ(MapResultCode(31), 107);
  EXPECT_EQ(MapResultCode(39), 115);
  EXPECT_EQ(MapResultCode(40), 200);
  EXPECT_EQ(MapResultCode(52), 212);
  EXPECT_EQ(MapResultCode(53), 26);
  EXPECT_EQ(MapResultCode(54), 0);
}

}  // namespace
}  // namespace sigra::testing
