// The settlement report, the last report of a fiscal printer's life: kinds 6
// (by dates), 7 (by numbers) and 8 (the whole memory) of command 49. Sent
// with the printer's current date and the check bytes of its unique number it
// puts the printer into read-only mode for good, even when its range is then
// refused.
#ifndef SIGRA_EMULATOR_SETTLEMENT_H
#define SIGRA_EMULATOR_SETTLEMENT_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "emulator/printer.h"

namespace sigra::emu {

bool IsSettlementKind(uint8_t kind);
// Data bytes after the kind byte: check bytes, date and range.
size_t SettlementDataLength(uint8_t kind);
// The verdict byte: 0 printed, 1 bad dates, 2 no daily reports in the range,
// 3 bad numbers, 6 conditions not met (training mode, a wrong date or
// unique number), 7 receipts sold since the last daily report.
uint8_t SettlementReport(Printer& printer, const std::vector<uint8_t>& data);

}  // namespace sigra::emu

#endif
