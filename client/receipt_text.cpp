#include "client/receipt_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <vector>

#include "link/text_1250.h"

namespace sigra::sale {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct CodePoint {
  char32_t value;
  size_t position;  // in the text as given, from 1
};

// A letter and a combining mark, and the letter with its accent that
// Windows-1250 has: every letter of its upper half that decomposes so.
struct Composition {
  char32_t base;
  char32_t mark;
  char32_t composed;
};
constexpr Composition kCompositions[] = {
    {0x0041, 0x0301, 0x00C1}, {0x0041, 0x0302, 0x00C2}, {0x0041, 0x0306, 0x0102},
    {0x0041, 0x0308, 0x00C4}, {0x0041, 0x0328, 0x0104}, {0x0043, 0x0301, 0x0106},
    {0x0043, 0x030C, 0x010C}, {0x0043, 0x0327, 0x00C7}, {0x0044, 0x030C, 0x010E},
    {0x0045, 0x0301, 0x00C9}, {0x0045, 0x0308, 0x00CB}, {0x0045, 0x030C, 0x011A},
    {0x0045, 0x0328, 0x0118}, {0x0049, 0x0301, 0x00CD}, {0x0049, 0x0302, 0x00CE},
    {0x004C, 0x0301, 0x0139}, {0x004C, 0x030C, 0x013D}, {0x004E, 0x0301, 0x0143},
    {0x004E, 0x030C, 0x0147}, {0x004F, 0x0301, 0x00D3}, {0x004F, 0x0302, 0x00D4},
    {0x004F, 0x0308, 0x00D6}, {0x004F, 0x030B, 0x0150}, {0x0052, 0x0301, 0x0154},
    {0x0052, 0x030C, 0x0158}, {0x0053, 0x0301, 0x015A}, {0x0053, 0x030C, 0x0160},
    {0x0053, 0x0327, 0x015E}, {0x0054, 0x030C, 0x0164}, {0x0054, 0x0327, 0x0162},
    {0x0055, 0x0301, 0x00DA}, {0x0055, 0x0308, 0x00DC}, {0x0055, 0x030A, 0x016E},
    {0x0055, 0x030B, 0x0170}, {0x0059, 0x0301, 0x00DD}, {0x005A, 0x0301, 0x0179},
    {0x005A, 0x0307, 0x017B}, {0x005A, 0x030C, 0x017D}, {0x0061, 0x0301, 0x00E1},
    {0x0061, 0x0302, 0x00E2}, {0x0061, 0x0306, 0x0103}, {0x0061, 0x0308, 0x00E4},
    {0x0061, 0x0328, 0x0105}, {0x0063, 0x0301, 0x0107}, {0x0063, 0x030C, 0x010D},
    {0x0063, 0x0327, 0x00E7}, {0x0064, 0x030C, 0x010F}, {0x0065, 0x0301, 0x00E9},
    {0x0065, 0x0308, 0x00EB}, {0x0065, 0x030C, 0x011B}, {0x0065, 0x0328, 0x0119},
    {0x0069, 0x0301, 0x00ED}, {0x0069, 0x0302, 0x00EE}, {0x006C, 0x0301, 0x013A},
    {0x006C, 0x030C, 0x013E}, {0x006E, 0x0301, 0x0144}, {0x006E, 0x030C, 0x0148},
    {0x006F, 0x0301, 0x00F3}, {0x006F, 0x0302, 0x00F4}, {0x006F, 0x0308, 0x00F6},
    {0x006F, 0x030B, 0x0151}, {0x0072, 0x0301, 0x0155}, {0x0072, 0x030C, 0x0159},
    {0x0073, 0x0301, 0x015B}, {0x0073, 0x030C, 0x0161}, {0x0073, 0x0327, 0x015F},
    {0x0074, 0x030C, 0x0165}, {0x0074, 0x0327, 0x0163}, {0x0075, 0x0301, 0x00FA},
    {0x0075, 0x0308, 0x00FC}, {0x0075, 0x030A, 0x016F}, {0x0075, 0x030B, 0x0171},
    {0x0079, 0x0301, 0x00FD}, {0x007A, 0x0301, 0x017A}, {0x007A, 0x0307, 0x017C},
    {0x007A, 0x030C, 0x017E},
};

bool IsCombiningMark(char32_t c) {
  return c >= 0x0300 && c <= 0x036F;
}

// The code points of a UTF-8 text; each byte of a malformed sequence (a bad
// lead byte, a cut or overlong sequence, a surrogate, beyond U+10FFFF) is
// U+FFFD.
std::vector<CodePoint> Decode(std::string_view utf8) {
  std::vector<CodePoint> points;
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<uint8_t>(utf8[i]);
    size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
      length = 1;
      value = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      value = lead & 0x07;
    }
    bool valid = length != 0 && i + length <= utf8.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<uint8_t>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      value = (value << 6) | (next & 0x3F);
    }
    const char32_t least = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0;
    valid = valid && value >= least && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
    points.push_back({valid ? value : kReplacement, points.size() + 1});
    i += valid ? length : 1;
  }
  return points;
}

std::string Encode(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// A letter followed by a combining mark, composed when Windows-1250 has the
// letter with that accent; the composed letter keeps the letter's place.
std::vector<CodePoint> Compose(const std::vector<CodePoint>& points) {
  std::vector<CodePoint> composed;
  for (const CodePoint& point : points) {
    if (IsCombiningMark(point.value) && !composed.empty()) {
      CodePoint& last = composed.back();
      const auto* found = std::find_if(std::begin(kCompositions), std::end(kCompositions),
                                       [&](const Composition& c) {
                                         return c.base == last.value && c.mark == point.value;
                                       });
      if (found != std::end(kCompositions)) {
        last.value = found->composed;
        continue;
      }
    }
    composed.push_back(point);
  }
  return composed;
}

}  // namespace

Text1250 To1250(std::string_view utf8) {
  Text1250 result;
  for (const CodePoint& point : Compose(Decode(utf8))) {
    const std::string character = Encode(point.value);
    const std::string converted = Cp1250FromUtf8(character);
    if (point.value == kReplacement || Utf8FromCp1250(converted) != character) {
      if (result.position == 0) {
        result.missing = point.value;
        result.position = point.position;
      }
      result.text += '?';
    } else {
      result.text += converted;
    }
  }
  return result;
}

std::string CharacterName(char32_t codePoint) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
  if (codePoint == kReplacement || IsCombiningMark(codePoint)) return name;
  return std::string(name) + " \"" + Encode(codePoint) + "\"";
}

}  // namespace sigra::sale
