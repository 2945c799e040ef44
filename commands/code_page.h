// Text on the wire: the printer prints code page 852, the driver keeps
// Windows-1250. Only the 18 Polish letters differ between what the two make of
// a byte that matters here. Of the other bytes, the five that Windows-1250
// leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) go out as '?', as the
// printer prints a character it lacks: code page 852 would print most of them
// as Polish letters. Every other byte passes unchanged.
#ifndef SIGRA_COMMANDS_CODE_PAGE_H
#define SIGRA_COMMANDS_CODE_PAGE_H

#include <cstdint>
#include <string>
#include <string_view>

namespace sigra {

// Whether a Windows-1250 byte is one of the 18 Polish letters.
bool IsPolishLetter(uint8_t cp1250);
// Whether the printer prints a Windows-1250 byte as the same character: a
// character of ASCII that is no control character, or a Polish letter. Any
// other byte reaches the printer as another character of code page 852, or
// as one it lacks (and the printer refuses the line).
bool PrintsAsItself(uint8_t cp1250);
uint8_t ToPrinterCodePage(uint8_t cp1250);
uint8_t FromPrinterCodePage(uint8_t cp852);
std::string ToPrinterCodePage(std::string_view cp1250);
std::string FromPrinterCodePage(std::string_view cp852);

}  // namespace sigra

#endif
