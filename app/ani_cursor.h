// Reading an animated Windows cursor file (.ani).
#ifndef SIGRA_APP_ANI_CURSOR_H
#define SIGRA_APP_ANI_CURSOR_H

#include <QByteArray>
#include <QCursor>
#include <optional>

namespace sigra::app {

// The first picture of an animated cursor, with its hot spot; none when the
// data is not an animated cursor whose first picture can be decoded. Qt's
// cursors do not animate, so the other pictures are not used.
std::optional<QCursor> CursorFromAni(const QByteArray& data);

}  // namespace sigra::app

#endif
