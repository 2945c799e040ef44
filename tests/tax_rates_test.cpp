// Reading and writing the tax rates in the three device layouts.
#include <gtest/gtest.h>

#include <array>

#include "commands/tax_rates.h"
#include "driver_fixture.h"
#include "protocol/receipt_state.h"
#include "receipt_helpers.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

constexpr uint32_t kUntouched = 4242;

class TaxRates : public DriverTest {
 protected:
  // ReadVAT into rates preset to kUntouched, so that unwritten ones show.
  int32_t Read(int32_t& count, std::array<uint32_t, 7>& rates) {
    rates.fill(kUntouched);
    return ::ReadVAT(&count, &rates[0], &rates[1], &rates[2], &rates[3], &rates[4], &rates[5],
                     &rates[6]);
  }

  void SetPrinterRates(std::vector<uint8_t> bytes) {
    Printer().WithPrinter([&](emu::Printer& p) { p.Fiscal().rates.SetBytes(bytes); });
  }

  void SetReceiptCounter(uint16_t counter) {
    Printer().WithPrinter([&](emu::Printer& p) { p.Fiscal().receiptCounter = counter; });
  }
};

TEST_F(TaxRates, SevenRatePrinterTakesTheExemptAndReserveMarkers) {
  StartPrinter(3);
  Connect();
  int32_t count = 0;
  ASSERT_EQ(::SetVAT(&count, 2200, 700, 0, 10000, 25500, 25500, 25500), 0);
  EXPECT_EQ(count, 7);
  const Frames writes = FramesOf(Sent(), 213);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0], Cmd(213, {{0x08, 0x98, 0x02, 0xBC, 0x00, 0x00, 0x40, 0x00, 0x80, 0x00, 0x80,
                                  0x00, 0x80, 0x00}}));

  std::array<uint32_t, 7> rates{};
  count = 0;
  ASSERT_EQ(Read(count, rates), 0);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(rates, (std::array<uint32_t, 7>{2200, 700, 0, 10000, 25500, 25500, 25500}));
}

TEST_F(TaxRates, FourRatePrinterKeepsWholePercentsOnly) {
  StartPrinter(0);
  Connect();
  int32_t count = 0;
  ASSERT_EQ(::SetVAT(&count, 2200, 700, 0, 25500, 0, 0, 0), 0);
  EXPECT_EQ(count, 4);
  EXPECT_TRUE(Contains(Sent(), Cmd(68, {{22, 7, 0, 0xFF}})));

  Printer().ClearRecord();
  EXPECT_EQ(::SetVAT(&count, 2250, 700, 0, 25500, 0, 0, 0), 217);
  EXPECT_TRUE(Contains(Sent(), Cmd(68, {{22, 7, 0, 0xFF}})));
  std::array<uint32_t, 7> rates{};
  ASSERT_EQ(Read(count, rates), 0);
  EXPECT_EQ(rates[0], 2200u);
}

TEST_F(TaxRates, SixRatePrinterIsReadAfterItsNakToTheSevenRateCommand) {
  StartPrinter(2);
  Connect();
  SetPrinterRates({0x08, 0x98, 0x02, 0xBC, 0x00, 0x00, 0x27, 0x10, 0xFF, 0x00, 0xFF, 0x00});
  int32_t count = 0;
  std::array<uint32_t, 7> rates{};
  ASSERT_EQ(Read(count, rates), 0);
  EXPECT_EQ(count, 6);
  EXPECT_EQ(rates, (std::array<uint32_t, 7>{2200, 700, 0, 10000, 25500, 25500, kUntouched}));
  EXPECT_EQ(Sent(), Frames({Cmd(209), Cmd(208)}));
}

TEST_F(TaxRates, SixRatePrinterGetsTheReserveAsFfAndOtherValuesAsTheirBits) {
  StartPrinter(5);
  Connect();
  int32_t count = 0;
  ASSERT_EQ(::SetVAT(&count, 2300, 800, 500, 10000, 25500, 0, 1234), 0);
  EXPECT_EQ(count, 6);
  EXPECT_TRUE(Contains(Sent(), Cmd(212, {{0x08, 0xFC, 0x03, 0x20, 0x01, 0xF4, 0x27, 0x10, 0xFF,
                                          0x00, 0x00, 0x00}})));
}

TEST_F(TaxRates, FourRatePrinterIsReadAfterTwoNaks) {
  StartPrinter(4);
  Connect();
  int32_t count = 0;
  std::array<uint32_t, 7> rates{};
  ASSERT_EQ(Read(count, rates), 0);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(rates,
            (std::array<uint32_t, 7>{2200, 700, 0, 25500, kUntouched, kUntouched, kUntouched}));
  EXPECT_EQ(Sent(), Frames({Cmd(209), Cmd(208), Cmd(112)}));
}

TEST_F(TaxRates, OtherFailuresOfTheReadLeaveTheOutputsAlone) {
  StartPrinter(3);
  Connect();
  Printer().AnswerWith(209, {0x00});
  int32_t count = 99;
  std::array<uint32_t, 7> rates{};
  EXPECT_EQ(Read(count, rates), 23);
  EXPECT_EQ(count, 99);
  EXPECT_EQ(rates[0], kUntouched);
  EXPECT_EQ(Sent(), Frames({Cmd(209)}));
}

TEST_F(TaxRates, ReadWithAReceiptOpenGives200) {
  StartPrinter(3);
  Connect();
  ReceiptOpen = true;
  int32_t count = 0;
  std::array<uint32_t, 7> rates{};
  EXPECT_EQ(Read(count, rates), 200);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(TaxRates, ReadWithoutSomewhereToPutARateGives225) {
  StartPrinter(3);
  Connect();
  int32_t count = 0;
  uint32_t rate = 0;
  EXPECT_EQ(::ReadVAT(&count, &rate, &rate, &rate, &rate, &rate, &rate, nullptr), 225);
  EXPECT_EQ(::ReadVAT(nullptr, &rate, &rate, &rate, &rate, &rate, &rate, &rate), 225);
  EXPECT_EQ(::SetVAT(nullptr, 2200, 700, 0, 0, 0, 0, 0), 225);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(TaxRates, WriteAfterASoldReceiptGives218AndSendsNoWrite) {
  StartPrinter(3);
  Connect();
  ASSERT_EQ(::ReceiptBegin(), 0);
  int32_t value = 0;
  ASSERT_EQ(::pReceiptItem(1, "Chleb razowy", 1, 0, 1, 0, "szt", 450, &value), 0);
  ASSERT_EQ(::ReceiptEnd(0), 0);
  Printer().ClearRecord();
  int32_t count = 0;
  EXPECT_EQ(::SetVAT(&count, 2200, 700, 0, 10000, 25500, 25500, 25500), 218);
  const Frames sent = Sent();
  EXPECT_TRUE(Contains(sent, Cmd(102)));
  EXPECT_TRUE(FramesOf(sent, 213).empty());
}

TEST_F(TaxRates, LunoWithAZeroCounterIsAskedTheLongCounter) {
  StartPrinter(7);
  Connect();
  SetReceiptCounter(3);
  Printer().AnswerWith(102, {0x06, 0x00, 0x00});
  int32_t count = 0;
  EXPECT_EQ(::SetVAT(&count, 2200, 700, 0, 10000, 25500, 25500, 25500), 218);
  const Frames sent = Sent();
  EXPECT_TRUE(Contains(sent, Cmd(247)));
  EXPECT_TRUE(FramesOf(sent, 213).empty());
}

TEST_F(TaxRates, SigraWithAZeroCounterIsNotAskedTheLongCounter) {
  StartPrinter(3);
  Connect();
  int32_t count = 0;
  ASSERT_EQ(::SetVAT(&count, 2200, 700, 0, 10000, 25500, 25500, 25500), 0);
  EXPECT_TRUE(FramesOf(Sent(), 247).empty());
}

TEST_F(TaxRates, SevenRatePrinterWithAllRatesReserveHasNone) {
  StartPrinter(3);
  Connect();
  SetPrinterRates({0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0});
  bool defined = true;
  EXPECT_EQ(HasTaxRates(defined), 113);
  EXPECT_FALSE(defined);
}

TEST_F(TaxRates, AnExemptRateAloneCountsAsDefined) {
  StartPrinter(3);
  Connect();
  SetPrinterRates({0x80, 0, 0x80, 0, 0x80, 0, 0x40, 0, 0x80, 0, 0x80, 0, 0x80, 0});
  bool defined = false;
  EXPECT_EQ(HasTaxRates(defined), 0);
  EXPECT_TRUE(defined);
}

TEST_F(TaxRates, FourRatePrinterWithAllRatesReserveHasNone) {
  StartPrinter(0);
  Connect();
  SetPrinterRates({0xFF, 0xFF, 0xFF, 0xFF});
  bool defined = true;
  EXPECT_EQ(HasTaxRates(defined), 113);
  EXPECT_FALSE(defined);
  EXPECT_EQ(Sent(), Frames({Cmd(209), Cmd(208), Cmd(112)}));
}

}  // namespace
}  // namespace sigra::testing
