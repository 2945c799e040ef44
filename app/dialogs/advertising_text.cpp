#include "app/dialogs/advertising_text.h"

namespace sigra::app {
namespace {

QString ControlsAsSpaces(QString text) {
  for (QChar& c : text) {
    if (c.unicode() < 32) c = QLatin1Char(' ');
  }
  return text;
}

// Only spaces are trimmed: the control characters became spaces before.
QString TrimSpaces(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first] == QLatin1Char(' ')) ++first;
  while (last > first && text[last - 1] == QLatin1Char(' ')) --last;
  return text.mid(first, last - first);
}

}  // namespace

QString CentredAdvertisingLine(const QString& text) {
  const QString line = TrimSpaces(ControlsAsSpaces(text)).left(kAdvertisingWidth);
  const qsizetype before = (kAdvertisingWidth - line.size()) / 2;
  return QString(before, QLatin1Char(' ')) + line +
         QString(kAdvertisingWidth - line.size() - before, QLatin1Char(' '));
}

QString AdvertisingLineToSend(const QString& text) {
  return ControlsAsSpaces(text).left(kAdvertisingWidth).leftJustified(kAdvertisingWidth);
}

}  // namespace sigra::app
