// Text on the wire: the printer prints code page 852, the driver keeps
// Windows-1250. Only the 18 Polish letters differ between what the two make of
// a byte that matters here; every other byte passes unchanged.
#ifndef SIGRA_COMMANDS_CODE_PAGE_H
#define SIGRA_COMMANDS_CODE_PAGE_H

#include <cstdint>
#include <string>
#include <string_view>

namespace sigra {

uint8_t ToPrinterCodePage(uint8_t cp1250);
uint8_t FromPrinterCodePage(uint8_t cp852);
std::string ToPrinterCodePage(std::string_view cp1250);
std::string FromPrinterCodePage(std::string_view cp852);

}  // namespace sigra

#endif
