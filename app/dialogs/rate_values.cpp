#include "app/dialogs/rate_values.h"

#include <cmath>

namespace sigra::app {

QString PercentText(uint32_t rate, QChar decimalPoint) {
  QString text = QString::number(rate / 100);
  const uint32_t hundredths = rate % 100;
  if (hundredths == 0) return text;
  text += decimalPoint;
  if (hundredths % 10 == 0) return text + QString::number(hundredths / 10);
  return text + QStringLiteral("%1").arg(hundredths, 2, 10, QChar('0'));
}

QString RateLabelText(int index, uint32_t rate, QChar decimalPoint) {
  QString text = QStringLiteral("Stawka PTU ") + QChar('A' + index) + QStringLiteral(" : ");
  if (rate == kReserveRate) return text + QStringLiteral("REZERWA");
  if (rate == kExemptRate) return text + QStringLiteral("ZWOLNIONA");
  return text + PercentText(rate, decimalPoint) + QStringLiteral(" %");
}

std::optional<uint32_t> RateFromPercent(double percent) {
  if (!(percent >= 0 && percent <= kHighestPercent)) return std::nullopt;
  const double hundredths = percent * 100;
  const double below = std::floor(hundredths);
  const double rest = hundredths - below;
  const bool up = rest > 0.5 || (rest == 0.5 && std::fmod(below, 2) != 0);
  return static_cast<uint32_t>(below) + (up ? 1u : 0u);
}

}  // namespace sigra::app
