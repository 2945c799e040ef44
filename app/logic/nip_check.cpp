#include "app/logic/nip_check.h"

#include <array>
#include <cctype>
#include <string>

namespace sigra::app {
namespace {

bool HasNipWord(std::string_view text) {
  for (size_t i = 0; i + 3 <= text.size(); ++i) {
    const auto upper = [&](size_t k) {
      return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + k])));
    };
    if (upper(0) == 'N' && upper(1) == 'I' && upper(2) == 'P') return true;
  }
  return false;
}

}  // namespace

int NipCheck(std::string_view text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  if (digits.empty()) return kNipNoDigits;
  if (!HasNipWord(text)) return kNipNoWord;
  if (digits.size() != 10) return kNipBadChecksum;
  constexpr std::array<int, 9> kWeights = {6, 5, 7, 2, 3, 4, 5, 6, 7};
  int sum = 0;
  for (size_t i = 0; i < kWeights.size(); ++i) sum += kWeights[i] * (digits[i] - '0');
  // A remainder of 10 stands for the check digit 0.
  const int check = sum % 11 % 10;
  return check == digits[9] - '0' ? kNipValid : kNipBadChecksum;
}

}  // namespace sigra::app
