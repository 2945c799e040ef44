#include "commands/names_print.h"

#include <string>

#include "commands/code_page.h"
#include "commands/command_steps.h"
#include "commands/export_guard.h"
#include "commands/receipt_items.h"
#include "commands/results.h"
#include "link/comm_threads.h"
#include "protocol/connection.h"
#include "protocol/sequence.h"
#include "protocol/status.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdBeginNamesPrint = 63;
constexpr uint8_t kCmdEndNamesPrint = 81;
const char* const kProgress = "Wydruk kontrolny z bazy nazw i stawek...";

}  // namespace

int32_t BeginNamesPrint() {
  return Guarded([] {
    if (int32_t result = BeginCommand(kProgress); result != 0) return result;
    return SendOrder(kCmdBeginNamesPrint);
  });
}

int32_t SendNamesRecord(std::string_view name, uint8_t rateLetter) {
  return Guarded([&] {
    if (int32_t result = BeginCommand(kProgress); result != 0) return result;
    std::string padded;
    if (int32_t result = PrepareArticleName(name, padded); result != 0) return result;
    // The records go without a command header: the printer takes them as the
    // data of the control print that command 63 opened.
    if (!link::SendByte(rateLetter)) return kResultTransmitTimeout;
    for (char c : ToPrinterCodePage(padded)) {
      if (!link::SendByte(static_cast<uint8_t>(c))) return kResultTransmitTimeout;
    }
    return int32_t{0};
  });
}

int32_t EndNamesPrint() {
  return Guarded([] {
    if (int32_t result = BeginCommand(kProgress); result != 0) return result;
    Block answer{};
    const Block none{};
    if (int32_t result = SendSequence(kCmdEndNamesPrint, 0, 0, answer, none); result != 0) {
      return result;
    }
    return PrintControl(kModePrinting, DeviceType);
  });
}

}  // namespace sigra
