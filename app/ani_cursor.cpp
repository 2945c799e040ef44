#include "app/ani_cursor.h"

#include <QImage>
#include <QPixmap>
#include <QtEndian>

namespace sigra::app {
namespace {

// A RIFF file: "RIFF", size, form type, then chunks of id, size and data,
// each padded to an even length.
struct Chunk {
  QByteArray id;
  QByteArray data;
};

std::optional<Chunk> ChunkAt(const QByteArray& data, qsizetype& pos) {
  if (pos + 8 > data.size()) return std::nullopt;
  const auto* p = reinterpret_cast<const uchar*>(data.constData() + pos);
  const quint32 size = qFromLittleEndian<quint32>(p + 4);
  if (size > static_cast<quint32>(data.size() - pos - 8)) return std::nullopt;
  Chunk chunk{data.mid(pos, 4), data.mid(pos + 8, size)};
  pos += 8 + size + (size & 1);
  return chunk;
}

// The first "icon" chunk of the "LIST fram" chunk.
std::optional<QByteArray> FirstFrame(const QByteArray& riff) {
  if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "ACON") return std::nullopt;
  qsizetype pos = 12;
  while (std::optional<Chunk> chunk = ChunkAt(riff, pos)) {
    if (chunk->id != "LIST" || !chunk->data.startsWith("fram")) continue;
    qsizetype inner = 4;
    while (std::optional<Chunk> frame = ChunkAt(chunk->data, inner)) {
      if (frame->id == "icon") return frame->data;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<QCursor> CursorFromAni(const QByteArray& data) {
  const std::optional<QByteArray> frame = FirstFrame(data);
  // A cursor file: reserved 0, type 2, picture count, then the directory
  // entries, whose planes and bit count fields hold the hot spot.
  if (!frame || frame->size() < 6 + 16) return std::nullopt;
  const auto* p = reinterpret_cast<const uchar*>(frame->constData());
  if (qFromLittleEndian<quint16>(p + 2) != 2) return std::nullopt;
  const int hotX = qFromLittleEndian<quint16>(p + 6 + 4);
  const int hotY = qFromLittleEndian<quint16>(p + 6 + 6);
  // Decoded as an icon file, which differs only in the type.
  QByteArray icon = *frame;
  icon[2] = 1;
  QImage image = QImage::fromData(icon, "ICO");
  if (image.isNull()) return std::nullopt;
  return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

}  // namespace sigra::app
