// The control print of the printer's database of article names and rates,
// driven record by record: the opening order, each record as raw bytes, and
// the closing order, after which the printer prints the list.
#ifndef SIGRA_COMMANDS_NAMES_PRINT_H
#define SIGRA_COMMANDS_NAMES_PRINT_H

#include <cstdint>
#include <string_view>

namespace sigra {

int32_t BeginNamesPrint();
// One record: the rate letter ("A" to "G") and the name cut or padded to 28
// characters, sent as they are. 202 (nothing sent) when the name has too few
// significant characters for the connected model.
int32_t SendNamesRecord(std::string_view name, uint8_t rateLetter);
// Ends the records and waits for the printout.
int32_t EndNamesPrint();

}  // namespace sigra

#endif
