// Tax rates as the operator sees them: a rate value in hundredths of a percent
// written as a percentage, the labels of the rates read, the percentage typed
// into the editor turned back into a rate value, and the rates offered to a
// printer that has none.
#ifndef SIGRA_APP_DIALOGS_RATE_VALUES_H
#define SIGRA_APP_DIALOGS_RATE_VALUES_H

#include <QChar>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace sigra::app {

inline constexpr uint32_t kExemptRate = 10000;   // "ZWOLNIONA"
inline constexpr uint32_t kReserveRate = 25500;  // "REZERWA": not in use

// A, B, C 22, 7 and 0 %, D to F reserve, G exempt.
inline constexpr std::array<uint32_t, 7> kDefaultRates = {
    2200, 700, 0, kReserveRate, kReserveRate, kReserveRate, kExemptRate};

// The rate divided by 100 without trailing zeros: 2200 "22", 750 "7" +
// `decimalPoint` + "5", 705 "7" + `decimalPoint` + "05".
QString PercentText(uint32_t rate, QChar decimalPoint);
// "Stawka PTU A : " and "REZERWA", "ZWOLNIONA" or the percentage and " %";
// `index` 0 is rate A.
QString RateLabelText(int index, uint32_t rate, QChar decimalPoint);

// The highest percentage the editor accepts.
inline constexpr double kHighestPercent = 99.83;
// `percent` × 100 rounded to the nearest whole number, halves to even; none
// below 0 or above 99.83.
std::optional<uint32_t> RateFromPercent(double percent);

}  // namespace sigra::app

#endif
