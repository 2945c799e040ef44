// What tells one printer model from another on the wire. Command handlers read
// these fields instead of testing device type numbers, so a new model or a new
// per-model difference is one more column or row in the model table.
#ifndef SIGRA_EMULATOR_DEVICE_TRAITS_H
#define SIGRA_EMULATOR_DEVICE_TRAITS_H

#include <cstdint>
#include <optional>

namespace sigra::emu {

struct DeviceTraits {
  int type = 9;
  int version = 0;
  // Answer byte of the device type query (255).
  uint8_t typeCode = 0x63;
  // First answer byte of the model query (254); none: the model refuses it.
  std::optional<uint8_t> modelCode;
  // Which of the status bytes 5 to 8 the model has (bytes 1 to 4 always exist).
  bool hasBytes5And6 = false;
  bool hasByte7 = false;
  bool hasByte8 = false;
  // Tax rates the model keeps: 4 whole percents (commands 112 and 68), 6
  // two-byte rates (208 and 212) or 7 two-byte rates with markers for exempt
  // and reserve (209 and 213).
  int rateCount = 7;
  // Package lines (23), the subtotal (128), payment entries (129, 130), and
  // article names of 5 significant characters rather than 10.
  bool extendedReceipt = false;
  // The day totals per rate (218).
  bool dayTotals = false;
  // The euro-changeover query (245) and the long receipt-counter answer (247).
  bool euroQuery = false;
  // Header lines of the user data (156 write, 51 and 241 print); 0: the model
  // keeps none. The pharmacy models read them with 158, the others with 157.
  int userDataLines = 0;
  uint8_t userDataReadCommand = 157;
  // Rounding modes (116 write, 210 read).
  bool roundingModes = false;
  // The configuration block of 15 bytes (222, 223, 195) and the extra lines
  // fed after a printout (237, 238).
  bool settingsBlock = false;
  // The graphic customer display: advertising lines (46, 56, 58) and the
  // image (45, 47, 57).
  bool graphicDisplay = false;
  // Closes a fiscal day without receipts with a daily report; the older
  // models refuse it.
  bool closesEmptyDays = false;
  // The clock read with seconds (64), the periodic reports of command 49 and
  // the remote power-off (253).
  bool secondGeneration = false;
  // The clock set with seconds (65) after erasing the clock memory step by
  // step, the dates kept for the operator (249, 250) and the financial tax
  // report (43).
  bool lunoFamily = false;
};

// Traits of device type 0..9 (std::out_of_range otherwise). A negative version
// picks the version the model usually reports.
DeviceTraits TraitsFor(int type, int version = -1);

}  // namespace sigra::emu

#endif
