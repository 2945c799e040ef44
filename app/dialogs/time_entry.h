// The time the operator types into the clock dialogs, as "HH:MM": which
// keystrokes the field takes, the hour and minute it holds, and how far a new
// time lies from the printer's.
#ifndef SIGRA_APP_DIALOGS_TIME_ENTRY_H
#define SIGRA_APP_DIALOGS_TIME_ENTRY_H

#include <QChar>
#include <QString>
#include <optional>

namespace sigra::app {

// The character an empty place of the time field shows.
inline constexpr char16_t kTimeBlank = u'_';

struct TimeKeyVerdict {
  bool accept = true;
  // The second hour digit must be blanked after the key: a 2 typed before a
  // digit above 3 would make an hour 24 to 29.
  bool blankSecondHourDigit = false;
};

// Whether `key`, typed with the caret at `position` of the shown text (blanks
// included, for example "1_:30"), may go in. Only hours 00 to 23 and minutes
// 00 to 59 can be typed.
TimeKeyVerdict FilterTimeKey(const QString& shown, int position, QChar key);

struct ClockTime {
  int hour = 0;
  int minute = 0;
};

// The hour from characters 1-2 and the minute from 4-5 of `text`; none when
// either is not a number, the hour is above 23 or the minute above 59.
std::optional<ClockTime> ParseTime(const QString& text);

// Minutes from `from` to `to` on the same day, negative backwards; no wrap at
// midnight.
int MinutesBetween(ClockTime from, ClockTime to);

}  // namespace sigra::app

#endif
