#include "app/fiscal_switch_data.h"

namespace sigra::app {

uint16_t FiscalRateCode(int32_t rate) {
  if (rate == kReserveRate) return 0x8000;
  if (rate == kExemptRate) return 0x4000;
  return static_cast<uint16_t>(rate);
}

std::array<int32_t, 7> OfferedRates(const std::array<int32_t, 7>& read) {
  for (const int32_t rate : read) {
    if (rate != kReserveRate) return read;
  }
  return {2200, 700, 0, kReserveRate, kReserveRate, kReserveRate, kExemptRate};
}

std::array<uint8_t, 20> FiscalisationData(const std::array<int32_t, 7>& rates) {
  std::array<uint8_t, 20> data{};
  data.fill('f');
  for (size_t k = 0; k < rates.size(); ++k) {
    const uint16_t code = FiscalRateCode(rates[k]);
    data[6 + 2 * k] = static_cast<uint8_t>(code >> 8);
    data[7 + 2 * k] = static_cast<uint8_t>(code);
  }
  return data;
}

std::vector<uint8_t> SettlementData(SettlementKind kind, const std::string& uniqueNumber,
                                    const QString& date, const std::array<uint8_t, 12>& range) {
  static constexpr uint8_t kKindByte[] = {0, 8, 6, 7};
  std::vector<uint8_t> data = {kKindByte[static_cast<int>(kind)]};
  for (size_t k = 0; k < 4; ++k) {
    const auto at = [&](size_t i) {
      return i < uniqueNumber.size() ? static_cast<uint8_t>(uniqueNumber[i]) : uint8_t{0};
    };
    data.push_back(static_cast<uint8_t>(at(2 * k) + at(2 * k + 1)));
  }
  // "20yy.mm.dd": the digits of the year's last two, the month and the day.
  for (const int i : {2, 3, 5, 6, 8, 9}) {
    data.push_back(i < date.size() ? static_cast<uint8_t>(date[i].digitValue()) : uint8_t{0});
  }
  if (kind == SettlementKind::ByDates) data.insert(data.end(), range.begin(), range.end());
  if (kind == SettlementKind::ByNumbers) data.insert(data.end(), range.begin(), range.begin() + 4);
  return data;
}

QString SettlementRefusalText(uint8_t answer) {
  switch (answer) {
    case 1:
      return QStringLiteral(
          "Nie wykonano raportu rozliczeniowego.\rPodano błędne daty raportów dobowych");
    case 2:
      return QStringLiteral(
          " Nie wykonano raportu rozliczeniowego.\rW podanym okresie brak raportów dobowych");
    case 3:
      return QStringLiteral(
          " Nie wykonano raportu rozliczeniowego.\rPodano błędne numery raportów dobowych");
    case 4:
      return QStringLiteral(
          "    Nie wykonano raportu rozliczeniowego.\rMiesiąc za który miał być wydrukowany "
          "raport\r           nie został zakończony.");
    case 5:
      return QStringLiteral(
          "  Nie wykonano raportu rozliczeniowego.\rTyp raportu spoza dopuszczalnego zakresu.");
    case 6:
      return QStringLiteral(
          "Nie wykonano raportu rozliczeniowego.\r    Niespełnione warunki raportu.");
    case 7:
      return QStringLiteral(
          "  Licznik paragonów jest niezerowy.\rNależy wykonać fiskalny raport dobowy.");
    default:
      return {};
  }
}

}  // namespace sigra::app
