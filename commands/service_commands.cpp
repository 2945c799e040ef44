#include "commands/service_commands.h"

#include "commands/command_steps.h"
#include "commands/export_guard.h"
#include "commands/printer_state_check.h"
#include "commands/results.h"
#include "protocol/connection.h"
#include "protocol/feedback.h"
#include "protocol/receipt_state.h"
#include "protocol/sequence.h"
#include "protocol/status.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdDisplayTest = 50;
constexpr uint8_t kCmdClearPriceBuffer = 119;
constexpr uint8_t kCmdEpromTest = 39;
constexpr uint8_t kCmdLockFirst = 94;
constexpr uint8_t kCmdLockSecond = 96;
// Drawers 1, 2 and 3 have consecutive commands.
constexpr uint8_t kCmdOpenFirstDrawer = 87;
constexpr int32_t kDrawers = 3;

// Shows the progress text, opens a checked connection unless one is open and
// checks status byte 2.
int32_t BeginCheckedService(const char* progress) {
  ShowProgressText(progress);
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  if (int32_t result = CheckClockAndController(); result != 0) return result;
  return ReceiptOpen ? kResultReceiptOpen : 0;
}

}  // namespace

int32_t DisplayTest(uint8_t step) {
  return Guarded([&] {
    ShowProgressText("Test wyswietlacza...");
    if (int32_t result = EnsureConnection(true); result != 0) return result;
    // Read for the printer's sake only: none of its bits stops the test.
    uint8_t status2 = 0;
    if (int32_t result = ReadStatus(kStatus2, status2); result != 0) return result;
    if (ReceiptOpen) return kResultReceiptOpen;
    Block data{};
    data[0] = step;
    return SendOrder(kCmdDisplayTest, data, 1);
  });
}

int32_t ClearPriceBuffer() {
  return Guarded([] {
    if (int32_t result = BeginCheckedService("Kasowanie bufora wycen..."); result != 0) {
      return result;
    }
    return SendOrder(kCmdClearPriceBuffer);
  });
}

int32_t EpromTest() {
  return Guarded([] {
    if (int32_t result = BeginCheckedService("Test pamięci EPROM..."); result != 0) return result;
    if (int32_t result = PrintControl(kModeChecking, DeviceType); result != 0) return result;
    if (int32_t result = SendOrder(kCmdEpromTest); result != 0) return result;
    return PrintControl(kModePrinting, DeviceType);
  });
}

int32_t ReadLockState(uint8_t& first, uint8_t& second) {
  return Guarded([&] {
    if (int32_t result = EnsureConnection(true); result != 0) return result;
    Block answer{};
    if (int32_t result = SendQuery(kCmdLockSecond, 1, answer); result != 0) return result;
    const uint8_t secondByte = answer[0];
    if (int32_t result = SendQuery(kCmdLockFirst, 1, answer); result != 0) return result;
    first = answer[0];
    second = secondByte;
    return int32_t{0};
  });
}

int32_t OpenDrawer(int32_t drawerNumber) {
  return Guarded([&] {
    ShowProgressText("Otwarcie szuflady...");
    if (int32_t result = EnsureConnection(false); result != 0) return result;
    if (drawerNumber < 1 || drawerNumber > kDrawers) return kResultDrawerOutOfRange;
    return SendOrder(static_cast<uint8_t>(kCmdOpenFirstDrawer + drawerNumber - 1));
  });
}

}  // namespace sigra
