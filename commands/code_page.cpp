#include "commands/code_page.h"

#include <algorithm>
#include <array>
#include <utility>

namespace sigra {
namespace {

// Windows-1250 and code page 852 codes of Ą ą Ć ć Ę ę Ł ł Ń ń Ó ó Ś ś Ź ź Ż ż.
constexpr std::array<std::pair<uint8_t, uint8_t>, 18> kPolishLetters = {{
    {165, 164},
    {185, 165},
    {198, 143},
    {230, 134},
    {202, 168},
    {234, 169},
    {163, 157},
    {179, 136},
    {209, 227},
    {241, 228},
    {211, 224},
    {243, 162},
    {140, 151},
    {156, 152},
    {143, 141},
    {159, 171},
    {175, 189},
    {191, 190},
}};

// The bytes Windows-1250 gives no character.
constexpr std::array<uint8_t, 5> kUndefined = {0x81, 0x83, 0x88, 0x90, 0x98};

std::string Convert(std::string_view text, uint8_t (*convert)(uint8_t)) {
  std::string converted(text);
  for (char& c : converted) c = static_cast<char>(convert(static_cast<uint8_t>(c)));
  return converted;
}

}  // namespace

bool IsPolishLetter(uint8_t cp1250) {
  return std::any_of(kPolishLetters.begin(), kPolishLetters.end(),
                     [cp1250](const auto& letter) { return letter.first == cp1250; });
}

bool PrintsAsItself(uint8_t cp1250) {
  return (cp1250 >= 0x20 && cp1250 < 0x7F) || IsPolishLetter(cp1250);
}

uint8_t ToPrinterCodePage(uint8_t cp1250) {
  for (const auto& [windows, printer] : kPolishLetters) {
    if (windows == cp1250) return printer;
  }
  if (std::find(kUndefined.begin(), kUndefined.end(), cp1250) != kUndefined.end()) return '?';
  return cp1250;
}

uint8_t FromPrinterCodePage(uint8_t cp852) {
  for (const auto& [windows, printer] : kPolishLetters) {
    if (printer == cp852) return windows;
  }
  return cp852;
}

std::string ToPrinterCodePage(std::string_view cp1250) {
  return Convert(cp1250, ToPrinterCodePage);
}

std::string FromPrinterCodePage(std::string_view cp852) {
  return Convert(cp852, FromPrinterCodePage);
}

}  // namespace sigra
