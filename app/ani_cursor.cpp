#include "app/ani_cursor.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QtEndian>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

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

std::optional<QCursor> LoadAniCursorFile(const QString& path) {
#if defined(_WIN32)
  const HANDLE loaded =
      ::LoadImageA(nullptr, path.toLocal8Bit().constData(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE);
  if (loaded == nullptr) return std::nullopt;
  const auto cursor = static_cast<HCURSOR>(loaded);
  std::optional<QCursor> result;
  ICONINFO info{};
  if (::GetIconInfo(cursor, &info)) {
    const QImage image = QImage::fromHICON(cursor);
    if (!image.isNull()) {
      result = QCursor(QPixmap::fromImage(image), static_cast<int>(info.xHotspot),
                       static_cast<int>(info.yHotspot));
    }
    ::DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
  }
  ::DestroyCursor(cursor);
  return result;
#else
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return CursorFromAni(file.readAll());
#endif
}

}  // namespace sigra::app
