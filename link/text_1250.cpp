#include "link/text_1250.h"

#include <array>
#include <cstddef>

namespace sigra {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The characters of the bytes 0x80..0xFF. Zero marks the five bytes that the
// code page leaves undefined. Every entry lies in the Basic Multilingual Plane.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0,      0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 0x88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0,      0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 0x98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // 0xA0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // 0xA8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // 0xB8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // 0xC0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // 0xC8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // 0xD0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // 0xD8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // 0xE0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // 0xE8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // 0xF0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // 0xF8
};

struct Decoded {
  char32_t code_point;
  std::size_t length;
};

// Decodes the UTF-8 sequence at the start of a non-empty text. A malformed
// sequence decodes to U+FFFD; its length is then the lead byte plus the
// continuation bytes accepted before the fault, so that decoding resumes at the
// first byte that cannot belong to the sequence.
Decoded DecodeUtf8(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return {lead, 1};

  std::size_t length = 0;
  char32_t code_point = 0;
  // The second byte's range also excludes overlong forms, surrogates and values
  // above U+10FFFF.
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {kReplacement, 1};
  }

  for (std::size_t i = 1; i < length; ++i) {
    if (i == text.size()) return {kReplacement, i};
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < low || byte > high) return {kReplacement, i};
    code_point = (code_point << 6) | (byte & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return {code_point, length};
}

char Cp1250FromCodePoint(char32_t code_point) {
  if (code_point < 0x80) return static_cast<char>(code_point);
  for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
    if (kHighHalf[i] == code_point) return static_cast<char>(0x80 + i);
  }
  return '?';
}

// Appends a code point of the Basic Multilingual Plane.
void AppendUtf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

}  // namespace

std::string Cp1250FromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    const Decoded decoded = DecodeUtf8(utf8);
    out += Cp1250FromCodePoint(decoded.code_point);
    utf8.remove_prefix(decoded.length);
  }
  return out;
}

std::string Utf8FromCp1250(std::string_view cp1250) {
  std::string out;
  out.reserve(cp1250.size());
  for (const char c : cp1250) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      const char16_t mapped = kHighHalf[byte - 0x80];
      AppendUtf8(out, mapped == 0 ? kReplacement : mapped);
    }
  }
  return out;
}

}  // namespace sigra
