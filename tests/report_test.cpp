// The reports printed on one command: the daily report, the financial tax,
// locked article names, fixed descriptions and printer state reports.
#include <gtest/gtest.h>

#include <string>

#include "commands/reports.h"
#include "driver_fixture.h"
#include "printer_state_helpers.h"
#include "protocol/receipt_state.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.h"

namespace sigra::testing {
namespace {

const Frame kDailyReport = {27, 37};
const Frame kReceiptCounter = {27, 102};

// The one printout made since the start, or an empty text.
std::string OnlyPrintout(emu::Emulator& printer) {
  const std::vector<std::string> printouts = printer.Printouts();
  EXPECT_EQ(printouts.size(), 1u);
  return printouts.empty() ? std::string() : printouts.back();
}

void SetReceiptCounter(emu::Emulator& printer, uint16_t counter) {
  printer.WithPrinter([&](emu::Printer& p) { p.Fiscal().receiptCounter = counter; });
}

using DailyReportTest = DriverTest;

TEST_F(DailyReportTest, AllowedZeroDayOnASigraIsPrintedWithoutAskingTheCounter) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(::DailyReport(1), 0);
  const Frames sent = Sent();
  EXPECT_TRUE(FramesOf(sent, 102).empty());
  EXPECT_EQ(FramesOf(sent, 37), Frames({kDailyReport}));
  EXPECT_FALSE(Printer().Printing());
  EXPECT_NE(OnlyPrintout(Printer()).find("RAPORT FISKALNY DOBOWY"), std::string::npos);
}

TEST_F(DailyReportTest, ZeroDayOnATx350IsRefusedWith211AndNothingPrinted) {
  StartPrinter(0);
  Connect();
  EXPECT_EQ(::DailyReport(1), 211);
  const Frames sent = Sent();
  EXPECT_EQ(FramesOf(sent, 102), Frames({kReceiptCounter}));
  EXPECT_TRUE(FramesOf(sent, 37).empty());
  EXPECT_TRUE(Printer().Printouts().empty());
}

TEST_F(DailyReportTest, WithoutAllowZeroEveryModelAsksTheCounter) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(::DailyReport(0), 211);
  SetReceiptCounter(Printer(), 3);
  EXPECT_EQ(::DailyReport(0), 0);
  EXPECT_EQ(FramesOf(Sent(), 102), Frames({kReceiptCounter, kReceiptCounter}));
  EXPECT_EQ(Peek(Printer(), [](emu::Printer& p) { return p.Fiscal().receiptCounter; }), 0);
}

TEST_F(DailyReportTest, CounterIsAskedAfterThePendingPrintoutAndBeforeTheReport) {
  StartPrinter(0);
  Connect();
  SetReceiptCounter(Printer(), 1);
  EXPECT_EQ(::DailyReport(1), 0);
  const Frames sent = Sent();
  // Checking-mode print control: 149, then the pair 148/149 and one more 149.
  ASSERT_GE(sent.size(), 6u);
  EXPECT_EQ(Frames(sent.begin(), sent.begin() + 6),
            Frames({{27, 149}, {27, 149}, {27, 148}, {27, 149}, kReceiptCounter, kDailyReport}));
}

TEST_F(DailyReportTest, OpenReceiptGives200AndSendsNothing) {
  StartPrinter(3);
  Connect();
  ReceiptOpen = true;
  EXPECT_EQ(::DailyReport(1), 200);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(DailyReportTest, WithoutAConnectionItOpensOneAndReturns114WithoutAPort) {
  StartPrinter(3);
  EXPECT_EQ(::DailyReport(1), 114);
  EXPECT_TRUE(Printer().HostBytes().empty());
}

TEST_F(DailyReportTest, RefusedReportCommandIsPassedOn) {
  StartPrinter(3);
  Connect();
  Printer().Nak(37);
  EXPECT_EQ(::DailyReport(1), 24);
  EXPECT_TRUE(Printer().Printouts().empty());
}

TEST_F(DailyReportTest, PaperRunningOutDuringTheReportGives109) {
  StartPrinter(3);
  Connect();
  Printer().PaperRunsOutAfter(1);
  EXPECT_EQ(::DailyReport(1), 109);
}

using OtherReports = DriverTest;

TEST_F(OtherReports, EachSendsItsCommandBetweenTheTwoPrintControls) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(::LockedArticlesReport(), 0);
  EXPECT_EQ(::PrinterStatusReport(), 0);
  EXPECT_EQ(FinancialTaxReport(), 0);
  const Frames sent = Sent();
  EXPECT_EQ(FramesOf(sent, 34), Frames({{27, 34}}));
  EXPECT_EQ(FramesOf(sent, 38), Frames({{27, 38}}));
  EXPECT_EQ(FramesOf(sent, 43), Frames({{27, 43}}));
  // The last printout is waited for: the printer has finished.
  EXPECT_EQ(sent.back(), Frame({27, 149}));
  EXPECT_FALSE(Printer().Printing());
  const std::vector<std::string> printouts = Printer().Printouts();
  ASSERT_EQ(printouts.size(), 3u);
  EXPECT_NE(printouts[0].find("ZABLOKOWANYCH"), std::string::npos);
  EXPECT_TRUE(HasRow(printouts[1], "NUMER UNIKATOWY", "ABC12345678")) << printouts[1];
  EXPECT_NE(printouts[2].find("RAPORT FINANSOWY PODATKOWY"), std::string::npos);
}

TEST_F(OtherReports, ReportOfAModelWithoutItGivesTheNak) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(FinancialTaxReport(), 24);
}

TEST_F(OtherReports, PendingPrintoutWithoutPaperStopsTheReportBeforeItsCommand) {
  StartPrinter(3);
  Connect();
  Printer().SetPaper(false);
  EXPECT_EQ(::PrinterStatusReport(), 109);
  EXPECT_TRUE(FramesOf(Sent(), 38).empty());
}

using FixedDescriptions = DriverTest;

TEST_F(FixedDescriptions, ErasedClockMemoryGives107AfterStatus148Alone) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(148, 0x10);
  EXPECT_EQ(FixedDescriptionsReport(), 107);
  EXPECT_EQ(Sent(), Frames({{27, 148}}));
}

TEST_F(FixedDescriptions, LostControllerGives102) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(148, 0x80);
  EXPECT_EQ(FixedDescriptionsReport(), 102);
}

TEST_F(FixedDescriptions, OpenReceiptIsCheckedAfterTheStatus) {
  StartPrinter(3);
  Connect();
  ReceiptOpen = true;
  EXPECT_EQ(FixedDescriptionsReport(), 200);
  EXPECT_EQ(Sent(), Frames({{27, 148}}));
}

TEST_F(FixedDescriptions, HealthyPrinterPrintsIt) {
  StartPrinter(2);
  Connect();
  EXPECT_EQ(FixedDescriptionsReport(), 0);
  EXPECT_EQ(FramesOf(Sent(), 48), Frames({{27, 48}}));
  EXPECT_NE(OnlyPrintout(Printer()).find("RAPORT OPISÓW STAŁYCH"), std::string::npos);
}

}  // namespace
}  // namespace sigra::testing
