// Text files the operator opens ("baza.txt", the header files) come from
// Windows programs in Windows-1250 or from Linux editors in UTF-8. The program
// works in Windows-1250, so each file is taken in whichever of the two it is.
#ifndef SIGRA_APP_FILE_TEXT_H
#define SIGRA_APP_FILE_TEXT_H

#include <string>
#include <string_view>

namespace sigra::app {

// True when `bytes` are valid UTF-8 and hold at least one character beyond
// ASCII; anything else is read as Windows-1250. A Polish text in
// Windows-1250 is practically never valid UTF-8, and a pure ASCII file is the
// same in both.
bool ReadsAsUtf8(std::string_view bytes);

// The file's text in Windows-1250: converted when ReadsAsUtf8 (a leading byte
// order mark dropped, a character Windows-1250 lacks becoming "?"), the bytes
// unchanged otherwise.
std::string Cp1250FromFileText(std::string_view bytes);

}  // namespace sigra::app

#endif
