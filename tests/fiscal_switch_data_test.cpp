// The bytes of the fiscalisation and the settlement report, and the texts of
// the settlement verdicts.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "app/fiscal_switch_data.h"

namespace sigra::testing {
namespace {

using app::SettlementKind;

TEST(FiscalisationData, RatesGoHighByteFirstWithReserveAndExemptMarked) {
  const std::array<int32_t, 7> rates = {2200, 700, 0, 25500, 25500, 25500, 10000};
  const std::array<uint8_t, 20> expected = {0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x08,
                                            0x98, 0x02, 0xBC, 0x00, 0x00, 0x80, 0x00,
                                            0x80, 0x00, 0x80, 0x00, 0x40, 0x00};
  EXPECT_EQ(app::FiscalisationData(rates), expected);
  EXPECT_EQ(app::FiscalRateCode(2350), 0x092E);
}

TEST(FiscalisationData, OnlyAPrinterWithoutAnyRateGetsTheDefaults) {
  std::array<int32_t, 7> none;
  none.fill(25500);
  EXPECT_EQ(app::OfferedRates(none),
            (std::array<int32_t, 7>{2200, 700, 0, 25500, 25500, 25500, 10000}));
  std::array<int32_t, 7> one = none;
  one[6] = 10000;
  EXPECT_EQ(app::OfferedRates(one), one);
}

TEST(SettlementData, KindCheckBytesDateAndRange) {
  std::array<uint8_t, 12> range = {1, 0, 0x2C, 0x01, 9, 9, 9, 9, 9, 9, 9, 9};
  const QString date = QStringLiteral("2024.05.17");
  const std::vector<uint8_t> byNumbers =
      app::SettlementData(SettlementKind::ByNumbers, "12345678", date, range);
  EXPECT_EQ(byNumbers, (std::vector<uint8_t>{7, '1' + '2', '3' + '4', '5' + '6', '7' + '8', 2, 4, 0,
                                             5, 1, 7, 0x01, 0x00, 0x2C, 0x01}));
  const std::vector<uint8_t> whole =
      app::SettlementData(SettlementKind::Whole, "99999999", date, range);
  ASSERT_EQ(whole.size(), 11u);
  EXPECT_EQ(whole[0], 8);
  // 57 + 57 = 114, within a byte; the sums wrap modulo 256 otherwise.
  EXPECT_EQ(whole[1], 114);
  const std::vector<uint8_t> byDates =
      app::SettlementData(SettlementKind::ByDates, "zzzzzzzz", date, range);
  ASSERT_EQ(byDates.size(), 23u);
  EXPECT_EQ(byDates[0], 6);
  EXPECT_EQ(byDates[1], static_cast<uint8_t>('z' + 'z'));
  EXPECT_EQ(std::vector<uint8_t>(byDates.begin() + 11, byDates.end()),
            std::vector<uint8_t>(range.begin(), range.end()));
}

TEST(SettlementAnswer, EachRefusalHasItsTextAndTheRestNone) {
  EXPECT_EQ(app::SettlementRefusalText(1),
            QStringLiteral(
                "Nie wykonano raportu rozliczeniowego.\rPodano błędne daty raportów dobowych"));
  EXPECT_EQ(app::SettlementRefusalText(7),
            QStringLiteral(
                "  Licznik paragonów jest niezerowy.\rNależy wykonać fiskalny raport dobowy."));
  for (uint8_t answer = 1; answer <= 7; ++answer) {
    EXPECT_FALSE(app::SettlementRefusalText(answer).isEmpty()) << int{answer};
  }
  EXPECT_TRUE(app::SettlementRefusalText(0).isEmpty());
  EXPECT_TRUE(app::SettlementRefusalText(8).isEmpty());
  EXPECT_TRUE(app::SettlementRefusalText(255).isEmpty());
}

}  // namespace
}  // namespace sigra::testing
