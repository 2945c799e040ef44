// One fiscal day on the emulator: receipts, the daily report that closes the
// day, and the counters and totals the printer keeps across it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "driver_fixture.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

class FiscalDay : public DriverTest {
 protected:
  // A receipt with one line on rate `rate`; its value is written back.
  int32_t Sell(const char* name, uint32_t rate, int32_t quantity, int32_t decimals, int32_t price) {
    EXPECT_EQ(::ReceiptBegin(), 0);
    int32_t value = 0;
    EXPECT_EQ(::pReceiptItem(1, name, rate, 0, quantity, decimals, "szt", price, &value), 0);
    EXPECT_EQ(::ReceiptEnd(0), 0);
    return value;
  }

  int32_t Counter(int32_t (*read)(int32_t*)) {
    int32_t value = -1;
    EXPECT_EQ(read(&value), 0);
    return value;
  }

  std::string Total(const char* selection) {
    char total[16] = {};
    EXPECT_EQ(::pReadSelTotal(selection, total), 0);
    return total;
  }
};

TEST_F(FiscalDay, DailyReportClosesTheDayAndStartsTheNext) {
  StartPrinter(3);
  Connect();
  EXPECT_EQ(Sell("Chleb razowy 500g", 1, 2, 0, 450), 900);
  EXPECT_EQ(Sell("Mleko 3,2% 1l", 2, 1500, 3, 399), 599);
  EXPECT_EQ(Counter(::ReceiptNumber), 2);
  EXPECT_EQ(Counter(::DailyReportNumber), 0);
  EXPECT_EQ(Total("+"), "1499");

  EXPECT_EQ(::DailyReport(0), 0);

  EXPECT_EQ(Counter(::ReceiptNumber), 0);
  EXPECT_EQ(Counter(::DailyReportNumber), 1);
  EXPECT_EQ(Total("+"), "0");
  EXPECT_EQ(Total("A"), "0");
  const std::vector<std::string> printouts = Printer().Printouts();
  ASSERT_EQ(printouts.size(), 3u);
  const std::string report = printouts.back();
  EXPECT_NE(report.find("RAPORT FISKALNY DOBOWY"), std::string::npos) << report;
  EXPECT_TRUE(HasRow(report, "RAPORT NR", "1")) << report;
  EXPECT_TRUE(HasRow(report, "SPRZEDAŻ A 22,00%", "9,00")) << report;
  EXPECT_TRUE(HasRow(report, "SPRZEDAŻ B 7,00%", "5,99")) << report;
  EXPECT_TRUE(HasRow(report, "LICZBA PARAGONÓW", "2")) << report;
  EXPECT_TRUE(HasRow(report, "RAZEM", "14,99")) << report;

  // A day without receipts: only the models that close such days take it.
  EXPECT_EQ(::DailyReport(0), 211);
  EXPECT_EQ(::DailyReport(1), 0);
  EXPECT_EQ(Counter(::DailyReportNumber), 2);

  // Once the month has ended, the monthly report finds the day.
  Printer().WithPrinter([](emu::Printer& p) { p.Clock().Advance(std::chrono::days(15)); });
  EXPECT_EQ(::MonthlyReport(1, 24, 5), 0);
  const std::string monthly = Printer().Printouts().back();
  EXPECT_NE(monthly.find("RAPORT NR 1  2024.05.17"), std::string::npos) << monthly;
  EXPECT_TRUE(HasRow(monthly, "RAZEM", "14,99")) << monthly;
}

}  // namespace
}  // namespace sigra::testing
