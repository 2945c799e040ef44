#include "app/file_text.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <algorithm>

#include "link/text_1250.h"

namespace sigra::app {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

bool ReadsAsUtf8(std::string_view bytes) {
  const bool beyondAscii = std::any_of(
      bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (!beyondAscii) return false;
  // Qt's decoder refuses overlong forms, surrogates and values past U+10FFFF
  // as well as stray and missing continuation bytes.
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  // Decoding happens as the result becomes a QString; only its errors count.
  const QString decoded =
      decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return !decoder.hasError();
}

std::string Cp1250FromFileText(std::string_view bytes) {
  if (!ReadsAsUtf8(bytes)) return std::string(bytes);
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    bytes.remove_prefix(kByteOrderMark.size());
  }
  return Cp1250FromUtf8(bytes);
}

}  // namespace sigra::app
