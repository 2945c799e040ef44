// Text conversion between UTF-8 and Windows-1250.
//
// The driver keeps every text in Windows-1250, the code page of its interface;
// source files and the operator application work in UTF-8. These two functions
// are the only crossing between the two.
#ifndef SIGRA_LINK_TEXT_1250_H
#define SIGRA_LINK_TEXT_1250_H

#include <string>
#include <string_view>

namespace sigra {

// Converts UTF-8 to Windows-1250. A character that Windows-1250 cannot represent
// becomes '?', and so does each malformed UTF-8 sequence (an invalid lead byte, a
// truncated sequence, an overlong form, a surrogate or a value above U+10FFFF).
std::string Cp1250FromUtf8(std::string_view utf8);

// Converts Windows-1250 to UTF-8. The five bytes that Windows-1250 leaves
// undefined (0x81, 0x83, 0x88, 0x90, 0x98) become U+FFFD, the replacement
// character, which converts back to '?'.
std::string Utf8FromCp1250(std::string_view cp1250);

}  // namespace sigra

#endif
