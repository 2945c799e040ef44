// The text of an advertising line as the dialog centres it and as it goes to
// the printer: 40 characters, control characters as spaces.
#ifndef SIGRA_APP_DIALOGS_ADVERTISING_TEXT_H
#define SIGRA_APP_DIALOGS_ADVERTISING_TEXT_H

#include <QString>

namespace sigra::app {

inline constexpr int kAdvertisingWidth = 40;

// Trimmed, cut to 40 and centred in 40 characters; the odd space goes after.
QString CentredAdvertisingLine(const QString& text);
// Cut to 40 or padded with spaces on the right to 40.
QString AdvertisingLineToSend(const QString& text);

}  // namespace sigra::app

#endif
