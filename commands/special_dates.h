// Two dates the printer keeps for the operator: the euro changeover date and
// the date of the next inspection, each as year (last two digits), month and
// day.
#ifndef SIGRA_COMMANDS_SPECIAL_DATES_H
#define SIGRA_COMMANDS_SPECIAL_DATES_H

#include <cstdint>

namespace sigra {

inline constexpr uint8_t kEuroChangeoverDate = 0;
inline constexpr uint8_t kNextInspectionDate = 1;

// All three 0: the printer holds no such date. 23 when the printer refuses the
// read, 21 when its answer breaks off.
int32_t ReadSpecialDate(uint8_t kind, uint8_t& year, uint8_t& month, uint8_t& day);
// 214 when the printer refuses the date.
int32_t WriteSpecialDate(uint8_t kind, uint8_t year, uint8_t month, uint8_t day);

}  // namespace sigra

#endif
