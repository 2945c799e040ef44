// Reading an animated Windows cursor file (.ani).
#ifndef SIGRA_APP_ANI_CURSOR_H
#define SIGRA_APP_ANI_CURSOR_H

#include <QByteArray>
#include <QCursor>
#include <QString>
#include <optional>

namespace sigra::app {

// The first picture of an animated cursor, with its hot spot; none when the
// data is not an animated cursor whose first picture can be decoded. Qt's
// cursors do not animate, so the other pictures are not used.
std::optional<QCursor> CursorFromAni(const QByteArray& data);

// The cursor in an animated cursor file: on Windows as the system loads it
// (LoadImageA), elsewhere through CursorFromAni. None when the file cannot be
// read or holds no cursor.
std::optional<QCursor> LoadAniCursorFile(const QString& path);

}  // namespace sigra::app

#endif
