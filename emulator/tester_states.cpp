#include "emulator/tester_states.h"

namespace sigra::emu {
namespace {

constexpr uint8_t kUserDataPresent = 0x02;  // status byte 1
constexpr uint8_t kFiscalMode = 0x08;       // status byte 1
// Status byte 4, which status command 150 reports as well.
constexpr int kDrawerClosedBit = 3;
constexpr int kServiceJumperBit = 6;
constexpr uint8_t kStatus4 = 150;

void SetByteBit(Printer& printer, int n, uint8_t bit, bool on) {
  const uint8_t value = printer.StatusByte(n);
  printer.SetStatusByte(n, static_cast<uint8_t>(on ? value | bit : value & ~bit));
}

void SetByte4Bit(Printer& printer, int bit, bool on) {
  SetByteBit(printer, 4, static_cast<uint8_t>(1 << bit), on);
  printer.SetBit(kStatus4, bit, on);
}

}  // namespace

void ClearUserData(Printer& printer) {
  printer.UserDataLines().Clear();
  SetByteBit(printer, 1, kUserDataPresent, false);
  printer.Note("no user data entered");
}

void SetServiceJumper(Printer& printer, bool service) {
  SetByte4Bit(printer, kServiceJumperBit, service);
  printer.Note(service ? "service jumper in its service position"
                       : "service jumper in its normal position");
}

void SetDrawerOpen(Printer& printer, bool open) {
  SetByte4Bit(printer, kDrawerClosedBit, !open);
  printer.Note(open ? "drawer 1 stands open" : "drawer 1 pushed shut");
}

void SetNegativeDisplay(Printer& printer, bool negative) {
  uint8_t& first = printer.Service().settings[0];
  first = static_cast<uint8_t>(negative ? first & ~settings::kPositiveDisplay
                                        : first | settings::kPositiveDisplay);
  printer.Note(negative ? "customer display negative" : "customer display positive");
}

void SetFiscalMode(Printer& printer, bool fiscal) {
  SetByteBit(printer, 1, kFiscalMode, fiscal);
  printer.Note(fiscal ? "fiscal mode" : "training mode");
}

}  // namespace sigra::emu
