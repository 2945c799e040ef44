// Status bytes and the print-control loop against the emulator's printing model.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver_fixture.h"
#include "protocol/sequence.h"
#include "protocol/status.h"
#include "sigra/sigradrv.h"

namespace sigra::testing {
namespace {

const Frame kStatus149 = {27, 149};
const Frame kStatus148 = {27, 148};
const Frame kResume = {27, 42};

size_t Count(const Frames& frames, const Frame& frame) {
  return static_cast<size_t>(std::count(frames.begin(), frames.end(), frame));
}

using PrintControlLoop = DriverTest;

TEST_F(PrintControlLoop, PaperOutAtTheFirstReadingGives109WithoutAskingStatus148) {
  StartPrinter(3);
  Connect();
  Printer().SetPaper(false);
  EXPECT_EQ(::PrintControl(0, 3), 109);
  EXPECT_EQ(Sent(), Frames({kStatus149}));
}

TEST_F(PrintControlLoop, LunoInPrintingModeIsNeverAskedStatus148) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(::PrintControl(0, 7), 0);
  EXPECT_EQ(Sent(), Frames({kStatus149, kStatus149, kStatus149}));

  Printer().ClearRecord();
  Printer().StartPrintout(6);
  EXPECT_EQ(::PrintControl(0, 7), 0);
  EXPECT_FALSE(Printer().Printing());
  EXPECT_EQ(Count(Sent(), kStatus148), 0u);
}

TEST_F(PrintControlLoop, PrintoutIsFollowedUntilItFinishes) {
  StartPrinter(3);
  Connect();
  Printer().StartPrintout(6);
  EXPECT_EQ(::PrintControl(0, 3), 0);
  EXPECT_FALSE(Printer().Printing());
  const Frames sent = Sent();
  EXPECT_GT(Count(sent, kStatus148), 1u);
  EXPECT_EQ(Count(sent, kResume), 0u);
  // The loop ends on a 148/149 pair that shows nothing left to print.
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[sent.size() - 2], kStatus148);
  EXPECT_EQ(sent.back(), kStatus149);
}

TEST_F(PrintControlLoop, DocumentWaitingInCheckingModeIsResumedAndFollowed) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(148, 0x02);
  Printer().Define(42, {.name = "print the waiting document", .answer = [](emu::Printer& p) {
                          p.SetStatus(148, 0x00);
                          p.StartPrintout(2);
                          return emu::Bytes{6};
                        }});
  EXPECT_EQ(::PrintControl(1, 3), 0);
  const Frames sent = Sent();
  EXPECT_EQ(Count(sent, kResume), 1u);
  const Frames opening(sent.begin(), sent.begin() + 6);
  EXPECT_EQ(opening, Frames({kStatus149, kStatus149, kStatus148, kStatus149, kStatus149, kResume}));
  EXPECT_EQ(sent.back(), kStatus149);
  EXPECT_FALSE(Printer().Printing());
}

TEST_F(PrintControlLoop, PrintoutStoppedForPaperIsResumedOncePaperIsBack) {
  StartPrinter(3);
  Connect();
  Printer().StartPrintout(8);
  Printer().PaperRunsOutAfter(5);
  unsigned char answer[256] = {};
  unsigned char data[256] = {};
  for (int i = 0; i < 5; ++i) ASSERT_EQ(RSSequence(149, 1, 0, answer, data), 0);
  ASSERT_EQ(Printer().Status(149) & 0x42, 0x42);
  Printer().SetPaper(true);
  ASSERT_EQ(Printer().Status(148) & 0x02, 0);  // pattern "011"
  Printer().ClearRecord();

  EXPECT_EQ(::PrintControl(0, 3), 0);
  EXPECT_EQ(Count(Sent(), kResume), 1u);
  EXPECT_FALSE(Printer().Printing());
}

TEST_F(PrintControlLoop, PaperRunningOutDuringThePrintoutGives109) {
  StartPrinter(3);
  Connect();
  Printer().StartPrintout(10);
  Printer().PaperRunsOutAfter(3);
  EXPECT_EQ(::PrintControl(0, 3), 109);
  EXPECT_EQ(Count(Sent(), kResume), 0u);
}

TEST_F(PrintControlLoop, PrinterConditionsEndTheLoop) {
  StartPrinter(3);
  Connect();
  Printer().SetControllerLost(true);
  EXPECT_EQ(::PrintControl(0, 3), 102);
  Printer().SetControllerLost(false);
  Printer().SetPrinterFailure(true);
  EXPECT_EQ(::PrintControl(0, 3), 103);
}

TEST_F(PrintControlLoop, PrinterFallingSilentEndsTheLoopAtTheReadTimeout) {
  StartPrinter(3);
  Connect();
  Printer().StartPrintout(1000);
  Printer().SetSilent(true);
  EXPECT_EQ(::PrintControl(0, 3), 21);
}

TEST_F(PrintControlLoop, ResumeWithAReceiptOpenIsRefusedWithoutAnExchange) {
  StartPrinter(3);
  Connect();
  ReceiptOpen = true;
  EXPECT_EQ(::PrintResume(), 200);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(PrintControlLoop, ResumeWithoutPaperGives109BeforeCommand42) {
  StartPrinter(3);
  Connect();
  Printer().SetPaper(false);
  EXPECT_EQ(::PrintResume(), 109);
  EXPECT_EQ(Sent(), Frames({kStatus149}));
}

struct StatusLayout {
  int type;
  int version;
  int32_t count;
  bool hasByte8;
  Frames commands;
};

class StatusBytes : public DriverTest, public ::testing::WithParamInterface<StatusLayout> {};

TEST_P(StatusBytes, EachDeviceIsAskedForTheBytesItHas) {
  const StatusLayout& p = GetParam();
  StartPrinter(p.type, p.version);
  Connect();
  for (int n = 1; n <= 8; ++n) Printer().SetStatusByte(n, static_cast<uint8_t>(0x10 + n));
  int32_t count = 0;
  uint8_t b[8] = {};
  bool hasByte8 = false;
  ASSERT_EQ(ReadStatusBytes(count, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], hasByte8), 0);
  EXPECT_EQ(count, p.count);
  EXPECT_EQ(hasByte8, p.hasByte8);
  for (int n = 1; n <= count; ++n) EXPECT_EQ(b[n - 1], 0x10 + n) << "byte " << n;
  if (p.hasByte8) {
    EXPECT_EQ(b[7], 0x18);
  }
  EXPECT_EQ(Sent(), p.commands);
}

const Frames kIdentifySigra = {{27, 255}, {27, 254}};
const Frames kBytes1To4 = {{27, 91}, {27, 84}, {27, 85}, {27, 86}};

Frames Join(std::initializer_list<Frames> parts) {
  Frames all;
  for (const Frames& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

INSTANTIATE_TEST_SUITE_P(
    Devices, StatusBytes,
    ::testing::Values(
        StatusLayout{2, -1, 4, false, Join({kIdentifySigra, kBytes1To4})},
        StatusLayout{3, 2, 4, false, Join({kIdentifySigra, kBytes1To4})},
        StatusLayout{3, 3, 6, false, Join({kIdentifySigra, kBytes1To4, {{27, 95}, {27, 80}}})},
        StatusLayout{
            8, 3, 7, true,
            Join({kIdentifySigra, kBytes1To4, {{27, 95}, {27, 80}, {27, 243}, {27, 93}}})}),
    [](const ::testing::TestParamInfo<StatusLayout>& info) {
      return "Type" + std::to_string(info.param.type) + "Version" +
             (info.param.version < 0 ? std::string("Default") : std::to_string(info.param.version));
    });

TEST_F(DriverTest, FiscalModeIsBitThreeOfStatusByteOne) {
  StartPrinter(7);
  Connect();
  Printer().SetStatus(155, 0x0B);
  int32_t fiscal = -1;
  EXPECT_EQ(IsFiscalMode(fiscal), 0);
  EXPECT_EQ(fiscal, 1);
  Printer().SetStatus(155, 0x03);
  EXPECT_EQ(IsFiscalMode(fiscal), 0);
  EXPECT_EQ(fiscal, 0);
  EXPECT_EQ(Sent(), Frames({{27, 155}, {27, 155}}));
}

}  // namespace
}  // namespace sigra::testing
