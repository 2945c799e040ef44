// A receipt's text from UTF-8 into Windows-1250, the printer's side of it:
// a letter with its accent written apart (a base letter and a combining mark,
// as some systems and keyboards give "ż": "z" and U+0307) is composed into
// the one letter Windows-1250 has, and the first character it lacks is named
// with its place.
#ifndef SIGRA_CLIENT_RECEIPT_TEXT_H
#define SIGRA_CLIENT_RECEIPT_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace sigra::sale {

struct Text1250 {
  // Windows-1250, '?' for each character it lacks.
  std::string text;
  // The first character Windows-1250 lacks (U+FFFD for bytes that are not
  // UTF-8) and its place in the text as given, 1 for the first character;
  // 0 when it lacks none.
  char32_t missing = 0;
  size_t position = 0;
};

Text1250 To1250(std::string_view utf8);

// A character as a message names it: U+1F600 "😀" (without the quoted
// character for a combining mark or a byte that is not UTF-8).
std::string CharacterName(char32_t codePoint);

}  // namespace sigra::sale

#endif
