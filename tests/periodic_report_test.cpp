// The periodic reports: their ranges on the wire, the printer's verdicts on
// command 49, and the port reopened with the long read timeout for the report
// and at its usual timeouts after it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "commands/periodic_reports.h"
#include "driver_fixture.h"
#include "link/comm.h"
#include "protocol/operator_port.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.h"

namespace sigra::testing {
namespace {

using namespace std::chrono;
using std::chrono::May;

// Status 155 of a printer in fiscal mode with maker and user data.
constexpr uint8_t kFiscalReady = 0x0B;

class PeriodicReportTest : public DriverTest {
 protected:
  void TearDown() override {
    OperatorPort = {};
    DriverTest::TearDown();
  }

  // Daily reports 1 to `count`, one a day up to 16 May 2024 (the day before
  // the emulator's clock), each with 1,00 on rate A.
  void MakeDailyReports(int count) {
    Printer().WithPrinter([count](emu::Printer& p) {
      const sys_days last = sys_days(2024y / May / 16);
      for (int n = 0; n < count; ++n) {
        p.Memory().AddDailyReport(emu::Date(last - days(count - 1 - n)), 1, {100});
      }
    });
  }

  // The port's speed and timeouts as the driver left them.
  void ExpectPort(int32_t baud, uint16_t writeSeconds, uint16_t readSeconds) {
    ASSERT_TRUE(link::PortObject && link::PortObject->IsOpen());
    EXPECT_EQ(link::PortObject->PortNumber, 1);
    EXPECT_EQ(link::PortObject->BaudRate, baud);
    EXPECT_EQ(link::PortObject->WriteTimeout, writeSeconds);
    EXPECT_EQ(link::PortObject->ReadTimeout, readSeconds);
  }

  // Frames sent after the first one of `command`.
  static Frames After(const Frames& sent, uint8_t command) {
    auto it = std::find_if(sent.begin(), sent.end(),
                           [command](const Frame& f) { return f.size() >= 2 && f[1] == command; });
    return it == sent.end() ? Frames() : Frames(it + 1, sent.end());
  }
};

using PeriodReportTest = PeriodicReportTest;

TEST_F(PeriodReportTest, DatesOutOfRangeGive215AndSendNothing) {
  StartPrinter(0);
  Connect();
  EXPECT_EQ(::PeriodReport(1, 0, 1, 1, 5, 1, 1), 215);
  EXPECT_EQ(::PeriodReport(1, 5, 1, 1, 100, 1, 1), 215);
  EXPECT_EQ(::PeriodReport(1, 5, 13, 1, 5, 12, 31), 215);
  EXPECT_EQ(::PeriodReport(1, 5, 1, 1, 5, 0, 31), 215);
  EXPECT_EQ(::PeriodReport(1, 5, 1, 0, 5, 12, 31), 215);
  EXPECT_EQ(::PeriodReport(1, 5, 1, 1, 5, 12, 32), 215);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(PeriodReportTest, DetailedReportSendsCommand40WithTwelveDigits) {
  StartPrinter(0);
  Connect();
  EXPECT_EQ(::PeriodReport(1, 5, 1, 1, 5, 12, 31), 0);
  EXPECT_EQ(FramesOf(Sent(), 40), Frames({Cmd(40, {{0, 5, 0, 1, 0, 1, 0, 5, 1, 2, 3, 1}})}));
  ASSERT_EQ(Printer().Printouts().size(), 1u);
  EXPECT_NE(Printer().Printouts()[0].find("OD 2005.01.01 DO 2005.12.31"), std::string::npos);
}

TEST_F(PeriodReportTest, ShortReportSendsCommand41AndPrintsTheSums) {
  StartPrinter(2);
  Connect();
  MakeDailyReports(3);
  EXPECT_EQ(::PeriodReport(0, 24, 5, 15, 24, 5, 16), 0);
  EXPECT_EQ(FramesOf(Sent(), 41), Frames({Cmd(41, {{2, 4, 0, 5, 1, 5, 2, 4, 0, 5, 1, 6}})}));
  ASSERT_EQ(Printer().Printouts().size(), 1u);
  const std::string report = Printer().Printouts()[0];
  EXPECT_NE(report.find("RAPORT OKRESOWY SKRÓCONY"), std::string::npos);
  EXPECT_TRUE(HasRow(report, "LICZBA RAPORTÓW DOBOWYCH", "2")) << report;
  EXPECT_TRUE(HasRow(report, "RAZEM", "2,00")) << report;
}

TEST_F(PeriodReportTest, DetailedOtherThanZeroOrOneIsRefusedWith215) {
  StartPrinter(0);
  Connect();
  EXPECT_EQ(::PeriodReport(2, 5, 1, 1, 5, 12, 31), 215);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(PeriodReportTest, PortRunsAgainAtTheConnectionsTimeoutsAfterwards) {
  StartPrinter(0);
  Connect();
  EXPECT_EQ(::PeriodReport(1, 5, 1, 1, 5, 12, 31), 0);
  ExpectPort(9600, 1, 1);
}

TEST_F(PeriodReportTest, OperatorProgramsPortAndTimeoutsComeBackAfterARefusal) {
  StartPrinter(0);
  Connect();
  OperatorPort = {.port = 1, .baud = 19200, .writeSeconds = 3, .readSeconds = 5};
  Printer().Nak(40);
  EXPECT_EQ(::PeriodReport(1, 5, 1, 1, 5, 12, 31), 24);
  ExpectPort(19200, 3, 5);
}

using MonthlyReportTest = PeriodicReportTest;

TEST_F(MonthlyReportTest, ModelWithoutCommand49Gives224AfterTheDeviceQuery) {
  StartPrinter(0);
  Connect();
  EXPECT_EQ(::MonthlyReport(1, 5, 3), 224);
  EXPECT_EQ(Sent(), Frames({{27, 255}}));
}

TEST_F(MonthlyReportTest, DetailedMonthIsKind2WithFourDigits) {
  StartPrinter(3);
  Connect();
  MakeDailyReports(20);
  EXPECT_EQ(::MonthlyReport(1, 24, 4), 0);
  EXPECT_EQ(FramesOf(Sent(), 49), Frames({Cmd(49, {{2, 2, 4, 0, 4}})}));
  ASSERT_EQ(Printer().Printouts().size(), 1u);
  const std::string report = Printer().Printouts()[0];
  EXPECT_NE(report.find("MIESIĄC 2024.04"), std::string::npos) << report;
  EXPECT_TRUE(HasRow(report, "LICZBA RAPORTÓW DOBOWYCH", "4")) << report;
}

TEST_F(MonthlyReportTest, TheCurrentMonthIsNotEndedAnd222PrintsNothing) {
  StartPrinter(6);
  Connect();
  MakeDailyReports(2);
  EXPECT_EQ(::MonthlyReport(0, 24, 5), 222);
  EXPECT_EQ(FramesOf(Sent(), 49), Frames({Cmd(49, {{5, 2, 4, 0, 5}})}));
  EXPECT_TRUE(Printer().Printouts().empty());
}

TEST_F(MonthlyReportTest, MonthWithoutReportsGives220WithoutWaitingForAPrintout) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(::MonthlyReport(1, 24, 3), 220);
  EXPECT_TRUE(FramesOf(After(Sent(), 49), 149).empty());
}

TEST_F(MonthlyReportTest, MonthThirteenGives219) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(::MonthlyReport(1, 24, 13), 219);
}

TEST_F(MonthlyReportTest, DetailedOtherThanZeroOrOneGives215WithoutCommand49) {
  StartPrinter(7);
  Connect();
  EXPECT_EQ(::MonthlyReport(3, 24, 4), 215);
  EXPECT_TRUE(FramesOf(Sent(), 49).empty());
}

using NumberReportTest = PeriodicReportTest;

TEST_F(NumberReportTest, ShortReportOnALunoIsKind4WithTwoLittleEndianNumbers) {
  StartPrinter(7);
  Connect();
  MakeDailyReports(300);
  EXPECT_EQ(::NumberReport(0, 258, 300), 0);
  EXPECT_EQ(FramesOf(Sent(), 49), Frames({Cmd(49, {{4, 2, 1, 44, 1}})}));
  ASSERT_EQ(Printer().Printouts().size(), 1u);
  const std::string report = Printer().Printouts()[0];
  EXPECT_NE(report.find("OD RAPORTU 258 DO 300"), std::string::npos) << report;
  EXPECT_TRUE(HasRow(report, "LICZBA RAPORTÓW DOBOWYCH", "43")) << report;
}

TEST_F(NumberReportTest, NumbersAreCutTo16Bits) {
  StartPrinter(8);
  Connect();
  MakeDailyReports(2);
  EXPECT_EQ(::NumberReport(1, 0x10001, 0x20002), 0);
  EXPECT_EQ(FramesOf(Sent(), 49), Frames({Cmd(49, {{1, 1, 0, 2, 0}})}));
}

TEST_F(NumberReportTest, ReversedNumbersGive221) {
  StartPrinter(3);
  Connect();
  MakeDailyReports(5);
  EXPECT_EQ(::NumberReport(1, 4, 2), 221);
}

TEST_F(NumberReportTest, AnyOtherVerdictGives0WithoutWaitingForAPrintout) {
  StartPrinter(3);
  Connect();
  Printer().Define(49,
                   {.answer = [](emu::Printer&) { return emu::Bytes{6}; },
                    .dataLength = emu::FixedData(5),
                    .afterData = [](emu::Printer&, const emu::Bytes&) { return emu::Bytes{7}; }});
  EXPECT_EQ(::NumberReport(1, 1, 2), 0);
  EXPECT_TRUE(FramesOf(After(Sent(), 49), 149).empty());
}

TEST_F(NumberReportTest, SlowVerdictIsAwaitedWithTheLongReadTimeout) {
  StartPrinter(7);
  Connect();  // read timeout 1 s
  MakeDailyReports(2);
  Printer().DelayAfterData(49, milliseconds(1500));
  EXPECT_EQ(::NumberReport(1, 1, 2), 0);
  ExpectPort(9600, 1, 1);
}

using PeriodicReportKinds = PeriodicReportTest;

TEST_F(PeriodicReportKinds, TrainingModeGives228BeforeAnyReport) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(PeriodicReport(kShortByDates, {}), 228);
  EXPECT_EQ(Sent(), Frames({{27, 155}, {27, 148}, {27, 149}, {27, 150}}));
}

TEST_F(PeriodicReportKinds, DatesGoOutAsTwelveDigitsAfterTheKind) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(155, kFiscalReady);
  MakeDailyReports(3);
  const ReportDigits digits = {2, 4, 0, 5, 1, 4, 2, 4, 0, 5, 1, 6};
  EXPECT_EQ(PeriodicReport(kDetailedByDates, digits), 0);
  EXPECT_EQ(FramesOf(Sent(), 49), Frames({Cmd(49, {{0, 2, 4, 0, 5, 1, 4, 2, 4, 0, 5, 1, 6}})}));
  ASSERT_EQ(Printer().Printouts().size(), 1u);
  EXPECT_NE(Printer().Printouts()[0].find("RAPORT NR 3  2024.05.16"), std::string::npos);
}

TEST_F(PeriodicReportKinds, NumbersAndMonthsTakeFourBytes) {
  StartPrinter(9);
  Connect();
  Printer().SetStatus(155, kFiscalReady);
  MakeDailyReports(2);
  EXPECT_EQ(PeriodicReport(kShortByNumbers, {1, 0, 2, 0, 9, 9}), 0);
  EXPECT_EQ(PeriodicReport(kShortMonthly, {2, 4, 0, 4, 9, 9}), 220);
  EXPECT_EQ(FramesOf(Sent(), 49), Frames({Cmd(49, {{4, 1, 0, 2, 0}}), Cmd(49, {{5, 2, 4, 0, 4}})}));
}

TEST_F(PeriodicReportKinds, UnknownKindGoesAloneAndTheRefusalGives223) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(155, kFiscalReady);
  EXPECT_EQ(PeriodicReport(9, {1, 2, 3}), 223);
  EXPECT_EQ(FramesOf(Sent(), 49), Frames({Cmd(49, {{9}})}));
}

TEST_F(PeriodicReportKinds, PortIsBackAtTheOperatorsTimeoutsAfterAFailedExchange) {
  StartPrinter(3);
  Connect();
  Printer().SetStatus(155, kFiscalReady);
  OperatorPort = {.port = 1, .baud = 9600, .writeSeconds = 3, .readSeconds = 5};
  Printer().Nak(49);
  EXPECT_EQ(PeriodicReport(kDetailedByNumbers, {1, 0, 1, 0}), 24);
  ExpectPort(9600, 3, 5);
}

using PeriodicReportConditions = PeriodicReportTest;

TEST_F(PeriodicReportConditions, EachConditionGivesItsCodeInOrder) {
  struct Case {
    uint8_t s155, s148, s149;
    int32_t result;
  };
  const Case cases[] = {
      {0x0A, 0x10, 0x04, 100},  // no maker data comes first
      {0x03, 0x10, 0x04, 228},  // training mode
      {0x0B, 0x90, 0x04, 107},  // clock memory erased
      {0x0B, 0xC0, 0x04, 102},  // no controller
      {0x09, 0x40, 0x06, 103},  // printer failure
      {0x09, 0x40, 0x02, 104},  // no user data
      {0x0B, 0x40, 0x02, 106},  // no customer display
      {0x0B, 0x00, 0x02, 109},  // no paper
      {0x0B, 0x00, 0x00, 0},
  };
  StartPrinter(3);
  Connect();
  for (const Case& c : cases) {
    Printer().SetStatus(155, c.s155);
    Printer().SetStatus(148, c.s148);
    Printer().SetStatus(149, c.s149);
    EXPECT_EQ(CheckPeriodicReportConditions(), c.result)
        << int{c.s155} << " " << int{c.s148} << " " << int{c.s149};
  }
}

}  // namespace
}  // namespace sigra::testing
