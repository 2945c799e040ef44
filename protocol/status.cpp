#include "protocol/status.h"

#include <string>

#include "protocol/command_numbers.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"
#include "protocol/feedback.h"
#include "protocol/receipt_state.h"
#include "protocol/sequence.h"

namespace sigra {
namespace {

constexpr int32_t kResultControllerLost = 102;
constexpr int32_t kResultPrinterFailure = 103;
constexpr int32_t kResultNoPaper = 109;
constexpr int32_t kResultReceiptOpen = 200;

// The poll shared by PrintControl and ResumePrinting. The pace is the
// printer's answers: each reading is a full exchange, with the application's
// message processing between them.
int32_t PollPrintout(int32_t mode, uint8_t deviceType, bool resumeWhenStopped, bool openIfClosed) {
  if (mode == kModeChecking) ShowProgressText("Trwa kontrola wydruku...");
  if (mode == kModePrinting) ShowProgressText("Trwa wydruk...");
  if (openIfClosed) {
    if (int32_t result = EnsureConnection(false); result != 0) return result;
  }

  uint8_t status3 = 0;
  Processmessages();
  if (int32_t result = ReadStatus(kStatus3, status3); result != 0) return result;
  if ((status3 & kNoPaper) != 0) return kResultNoPaper;

  const bool skipStatus2 =
      resumeWhenStopped && IsLuno(deviceType) && mode != kModeChecking;
  for (;;) {
    Processmessages();
    if (int32_t result = ReadStatus(kStatus3, status3); result != 0) return result;
    if ((status3 & kControllerLost) != 0) return kResultControllerLost;
    if ((status3 & kNoPaper) != 0) return kResultNoPaper;
    if ((status3 & kPrinterFailure) != 0) return kResultPrinterFailure;

    uint8_t a = 0;
    if (!skipStatus2) {
      int32_t result = ReadStatus(kStatus2, a);
      Processmessages();
      if (result != 0) return result;
    }
    uint8_t b = 0;
    int32_t result = ReadStatus(kStatus3, b);
    Processmessages();
    if (result != 0) return result;
    if ((b & kPrinterFailure) != 0) return kResultPrinterFailure;
    if ((b & kControllerLost) != 0) return kResultControllerLost;
    if ((b & kNoPaper) != 0) return kResultNoPaper;

    std::string pattern = {(a & kDocumentAwaitsPrinting) != 0 ? '1' : '0',
                           (b & kPrinting) != 0 ? '1' : '0',
                           (b & kStoppedForPaper) != 0 ? '1' : '0'};
    if (pattern == "000") return 0;
    if (pattern == "010" || pattern == "110" || (pattern == "100" && mode == kModePrinting)) {
      Processmessages();
      if (int32_t again = ReadStatus(kStatus3, status3); again != 0) return again;
      if ((status3 & kNoPaper) != 0) return kResultNoPaper;
      continue;
    }
    if ((b & kNoPaper) != 0) return kResultNoPaper;
    if (resumeWhenStopped &&
        (pattern == "011" || pattern == "111" || (pattern == "100" && mode == kModeChecking))) {
      return PrintResume();
    }
  }
}

}  // namespace

int32_t ReadStatus(uint8_t cmd, uint8_t& value) {
  Block answer{};
  const Block data{};
  const uint8_t length = IsStatusCommand(cmd) ? 1 : 2;
  int32_t result = SendSequence(cmd, length, 0, answer, data);
  if (result == 0) value = answer[0];
  return result;
}

bool HasStatusBytes5And6(uint8_t type, uint32_t version) {
  return (type == kSigraSecondGeneration && version >= 3) || (type == kSigraF && version >= 6) ||
         IsLunoOrOther(type);
}

bool HasStatusByte7(uint8_t type) {
  return IsLunoOrOther(type);
}

bool HasStatusByte8(uint8_t type) {
  return IsSigraFOrLunoF(type);
}

int32_t ReadStatusBytes(int32_t& count, uint8_t& byte1, uint8_t& byte2, uint8_t& byte3,
                        uint8_t& byte4, uint8_t& byte5, uint8_t& byte6, uint8_t& byte7,
                        uint8_t& byte8, bool& hasByte8) {
  hasByte8 = false;
  ShowProgressText("Odczyt bajtów statusu...");
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  uint8_t type = kDeviceOther;
  uint32_t version = 0;
  if (int32_t result = ReadDeviceType(type, version); result != 0) return result;

  struct Reading {
    uint8_t cmd;
    uint8_t& target;
  };
  for (Reading r :
       {Reading{91, byte1}, Reading{84, byte2}, Reading{85, byte3}, Reading{86, byte4}}) {
    if (int32_t result = ReadStatus(r.cmd, r.target); result != 0) return result;
  }
  count = 4;
  if (HasStatusBytes5And6(type, version)) {
    count = 6;
    if (int32_t result = ReadStatus(95, byte5); result != 0) return result;
    if (int32_t result = ReadStatus(80, byte6); result != 0) return result;
  }
  if (HasStatusByte7(type)) {
    count = 7;
    if (int32_t result = ReadStatus(243, byte7); result != 0) return result;
  }
  if (HasStatusByte8(type)) {
    if (int32_t result = ReadStatus(93, byte8); result != 0) return result;
    hasByte8 = true;
  }
  return 0;
}

int32_t IsFiscalMode(int32_t& fiscal) {
  ShowProgressText("Test czy tryb fiskalny...");
  if (int32_t result = EnsureConnection(false); result != 0) return result;
  uint8_t status1 = 0;
  if (int32_t result = ReadStatus(kStatus1, status1); result != 0) return result;
  fiscal = (status1 & kFiscalMode) != 0 ? 1 : 0;
  return 0;
}

int32_t PrintControl(int32_t mode, uint8_t deviceType) {
  try {
    return PollPrintout(mode, deviceType, true, true);
  } catch (...) {
    return 999;
  }
}

int32_t WaitForPrintout(int32_t mode, uint8_t deviceType) {
  return PollPrintout(mode, deviceType, true, false);
}

int32_t ResumePrinting(int32_t mode) {
  try {
    return PollPrintout(mode, kDeviceOther, false, true);
  } catch (...) {
    return 999;
  }
}

int32_t PrintResume() {
  try {
    ShowProgressText("Wznawianie wydruku...");
    if (int32_t result = EnsureConnection(false); result != 0) return result;
    if (ReceiptOpen) return kResultReceiptOpen;
    uint8_t status3 = 0;
    if (int32_t result = ReadStatus(kStatus3, status3); result != 0) return result;
    if ((status3 & kNoPaper) != 0) return kResultNoPaper;
    Block answer{};
    const Block data{};
    if (int32_t result = SendSequence(kCmdResumePrintout, 1, 0, answer, data); result != 0) {
      return result;
    }
    return ResumePrinting(kModePrinting);
  } catch (...) {
    return 999;
  }
}

}  // namespace sigra
