// The serial-port vocabulary of the Win32 communications interface, shared by
// the port object and the operating-system layers below it. Values match the
// Win32 constants so the Windows layer passes them straight through.
#ifndef SIGRA_LINK_WIN_DEFS_H
#define SIGRA_LINK_WIN_DEFS_H

#include <array>
#include <cstdint>

namespace sigra::link {

// Comm events.
inline constexpr uint32_t kEvRxChar = 0x01;
inline constexpr uint32_t kEvRxFlag = 0x02;
inline constexpr uint32_t kEvTxEmpty = 0x04;
inline constexpr uint32_t kEvCts = 0x08;
inline constexpr uint32_t kEvDsr = 0x10;
inline constexpr uint32_t kEvRlsd = 0x20;
inline constexpr uint32_t kEvBreak = 0x40;
inline constexpr uint32_t kEvErr = 0x80;
inline constexpr uint32_t kEvRing = 0x100;

// The nine event kinds in the order in which bit i of an event set selects them.
inline constexpr std::array<uint32_t, 9> kEventKinds = {
    kEvBreak, kEvCts, kEvDsr, kEvErr, kEvRing, kEvRlsd, kEvRxChar, kEvRxFlag, kEvTxEmpty};

// Line error flags.
inline constexpr uint32_t kCeRxOver = 0x0001;
inline constexpr uint32_t kCeOverrun = 0x0002;
inline constexpr uint32_t kCeRxParity = 0x0004;
inline constexpr uint32_t kCeFrame = 0x0008;
inline constexpr uint32_t kCeBreak = 0x0010;
inline constexpr uint32_t kCeTxFull = 0x0100;

// Purge flags.
inline constexpr uint32_t kPurgeTxAbort = 0x01;
inline constexpr uint32_t kPurgeRxAbort = 0x02;
inline constexpr uint32_t kPurgeTxClear = 0x04;
inline constexpr uint32_t kPurgeRxClear = 0x08;

// System error codes the link produces or tests for.
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorBadCommand = 22;
inline constexpr uint32_t kErrorGenFailure = 31;
inline constexpr uint32_t kErrorOperationAborted = 995;
inline constexpr uint32_t kErrorIoPending = 997;
inline constexpr uint32_t kMaxDword = 0xFFFFFFFF;

// Device control block: the fields the port object edits, and the rest of
// what the driver reports, carried so that writing the block back leaves them
// as they were. Flags holds the Win32 DCB bit-field word with its bit positions.
struct Dcb {
  uint32_t BaudRate = 0;
  uint32_t Flags = 0;
  uint16_t XonLim = 0;
  uint16_t XoffLim = 0;
  uint8_t ByteSize = 8;
  uint8_t Parity = 0;
  uint8_t StopBits = 0;
  char XonChar = 0;
  char XoffChar = 0;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
};

namespace dcb {
inline constexpr uint32_t kBinary = 1u << 0;
inline constexpr uint32_t kParity = 1u << 1;
inline constexpr uint32_t kOutxCtsFlow = 1u << 2;
inline constexpr uint32_t kOutxDsrFlow = 1u << 3;
inline constexpr uint32_t kDtrControlMask = 3u << 4;
inline constexpr uint32_t kOutX = 1u << 8;
inline constexpr uint32_t kInX = 1u << 9;
inline constexpr uint32_t kRtsControlMask = 3u << 12;
inline constexpr uint32_t kAbortOnError = 1u << 14;
}  // namespace dcb

inline constexpr uint8_t kEvenParity = 2;
inline constexpr uint8_t kOneStopBit = 0;

struct CommTimeouts {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
  uint32_t WriteTotalTimeoutMultiplier = 0;
  uint32_t WriteTotalTimeoutConstant = 0;

  bool operator==(const CommTimeouts&) const = default;
};

struct ComStat {
  uint32_t Flags = 0;
  uint32_t InQueue = 0;
  uint32_t OutQueue = 0;
};

struct CommConfig {
  Dcb LineSettings;
};

}  // namespace sigra::link

#endif
