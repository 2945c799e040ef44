// Status bytes and print control. The printer reports its condition in status
// bytes; the print control polls them after every print order until the
// printout has finished, resuming one stopped for lack of paper.
#ifndef SIGRA_PROTOCOL_STATUS_H
#define SIGRA_PROTOCOL_STATUS_H

#include <cstdint>

namespace sigra {

// Status commands: one status byte, no acknowledgement.
inline constexpr uint8_t kStatus1 = 155;
inline constexpr uint8_t kStatus2 = 148;
inline constexpr uint8_t kStatus3 = 149;

// Bits of status byte 1 (command 155).
inline constexpr uint8_t kMakerData = 0x01;
inline constexpr uint8_t kUserData = 0x02;
inline constexpr uint8_t kFiscalMode = 0x08;
// Bits of status byte 2 (command 148).
inline constexpr uint8_t kDocumentAwaitsPrinting = 0x02;
inline constexpr uint8_t kClockMemoryErased = 0x10;
inline constexpr uint8_t kNoCustomerDisplay = 0x40;
// Bits of status byte 3 (command 149).
inline constexpr uint8_t kPrinting = 0x01;
inline constexpr uint8_t kNoPaper = 0x02;
inline constexpr uint8_t kPrinterFailure = 0x04;
inline constexpr uint8_t kReceiptCancelled = 0x10;
inline constexpr uint8_t kStoppedForPaper = 0x40;
inline constexpr uint8_t kControllerLost = 0x80;

inline constexpr int32_t kModePrinting = 0;
inline constexpr int32_t kModeChecking = 1;

// One status reading: a status command answers the byte alone, an ordinary
// command the acknowledgement and the byte. `value` is set on success only.
int32_t ReadStatus(uint8_t cmd, uint8_t& value);

// Which of the status bytes 5 to 8 a device of this type and version has.
bool HasStatusBytes5And6(uint8_t type, uint32_t version);
bool HasStatusByte7(uint8_t type);
bool HasStatusByte8(uint8_t type);

// Reads status bytes 1..Count (4, 6 or 7) and byte 8 where the device has it.
int32_t ReadStatusBytes(int32_t& count, uint8_t& byte1, uint8_t& byte2, uint8_t& byte3,
                        uint8_t& byte4, uint8_t& byte5, uint8_t& byte6, uint8_t& byte7,
                        uint8_t& byte8, bool& hasByte8);
int32_t IsFiscalMode(int32_t& fiscal);

// Waits for the printout to finish; mode 1 checks, mode 0 prints.
int32_t PrintControl(int32_t mode, uint8_t deviceType);
// PrintControl on the port a connection opening has just opened, while the
// connection is not yet marked open: it must not try to open one again.
int32_t WaitForPrintout(int32_t mode, uint8_t deviceType);
// The same wait without resuming a printout stopped for lack of paper.
int32_t ResumePrinting(int32_t mode);
// Resumes a printout stopped for lack of paper and waits for it.
int32_t PrintResume();

}  // namespace sigra

#endif
