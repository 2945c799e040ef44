// Texts crossing between the dialogs (QString) and the driver and files
// (Windows-1250).
#ifndef SIGRA_APP_DIALOGS_QT_TEXT_H
#define SIGRA_APP_DIALOGS_QT_TEXT_H

#include <QString>
#include <string>
#include <string_view>

#include "link/text_1250.h"

namespace sigra::app {

inline std::string ToCp1250(const QString& text) {
  return Cp1250FromUtf8(text.toStdString());
}

inline QString FromCp1250(std::string_view text) {
  return QString::fromStdString(Utf8FromCp1250(text));
}

}  // namespace sigra::app

#endif
