// The printer's numbers: its register number and operator code, the number of
// daily reports made, and its unique number. (The day's receipt counter is
// ReadReceiptCounter.)
#ifndef SIGRA_COMMANDS_COUNTERS_H
#define SIGRA_COMMANDS_COUNTERS_H

#include <cstdint>
#include <string>

namespace sigra {

// The two-digit register number and the two characters of the operator code.
int32_t PrinterNumber(int32_t& number, std::string& operatorCode);
int32_t DailyReportNumber(uint32_t& counter);
// The 11 characters of the unique number; `withProgress` shows a progress text.
int32_t ReadUniqueNumber(std::string& number, bool withProgress);

}  // namespace sigra

#endif
