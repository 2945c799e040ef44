#include "emulator/start_state.h"

#include <algorithm>

namespace sigra::emu {
namespace {

constexpr uint8_t kFiscalMode = 0x08;         // status byte 1
constexpr uint8_t kClockMemoryErased = 0x10;  // status byte 2
constexpr uint8_t kNamesDatabaseFull = 0x01;  // status byte 2
constexpr uint64_t kReceiptAmount = 1000;     // 10,00

}  // namespace

bool ValidUniqueNumber(std::string_view number) {
  return number.size() == 11 && std::all_of(number.begin(), number.end(), [](char c) {
           return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
         });
}

void ApplyStartState(Emulator& printer, const StartState& state) {
  if (state.fiscalMode) printer.SetStatusByte(1, printer.StatusByte(1) | kFiscalMode);
  if (state.clockErased) printer.SetStatusByte(2, printer.StatusByte(2) | kClockMemoryErased);
  if (state.namesDatabaseFull) {
    printer.SetStatusByte(2, printer.StatusByte(2) | kNamesDatabaseFull);
  }
  if (state.lineSpeed != 0) printer.FixLineSpeed(state.lineSpeed);
  if (state.uniqueNumber) {
    printer.WithPrinter([&state](Printer& p) { p.Memory().uniqueNumber = *state.uniqueNumber; });
  }
  if (state.receiptsSold > 0) {
    printer.WithPrinter([&state](Printer& p) {
      p.Fiscal().receiptCounter = static_cast<uint16_t>(state.receiptsSold);
      p.Fiscal().dayTotals[0] = kReceiptAmount * static_cast<uint64_t>(state.receiptsSold);
    });
  }
}

}  // namespace sigra::emu
