// The data of the two irreversible service commands, the fiscalisation and
// the settlement report, and the printer's verdicts on the settlement report.
#ifndef SIGRA_APP_FISCAL_SWITCH_DATA_H
#define SIGRA_APP_FISCAL_SWITCH_DATA_H

#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sigra::app {

inline constexpr int32_t kReserveRate = 25500;
inline constexpr int32_t kExemptRate = 10000;

// A rate in hundredths of a percent as the fiscal memory takes it: unchanged,
// 0x8000 for a rate not in use, 0x4000 for the exempt rate.
uint16_t FiscalRateCode(int32_t rate);

// The rates a printer that has none defined gets offered: A 22 %, B 7 %,
// C 0 %, D to F not in use, G exempt. Other rates stay as they are.
std::array<int32_t, 7> OfferedRates(const std::array<int32_t, 7>& read);

inline constexpr uint8_t kFiscalisationCommand = 114;
// Six letters "f", then the codes of rates A to G, high byte first.
std::array<uint8_t, 20> FiscalisationData(const std::array<int32_t, 7>& rates);

inline constexpr uint8_t kSettlementCommand = 49;
enum class SettlementKind { Whole = 1, ByDates = 2, ByNumbers = 3 };
// Command 49's data: the kind byte (8, 6 or 7), the check bytes of the eight
// characters of `uniqueNumber`, the six digits of `date` ("20yy.mm.dd") and,
// by dates, the 12 bytes of `range`, by numbers its first 4. 11, 23 or 15
// bytes.
std::vector<uint8_t> SettlementData(SettlementKind kind, const std::string& uniqueNumber,
                                    const QString& date, const std::array<uint8_t, 12>& range);

// What the operator is told about verdict `answer` of a settlement report;
// empty for 0 (the report prints) and for bytes the printer does not use.
QString SettlementRefusalText(uint8_t answer);

}  // namespace sigra::app

#endif
