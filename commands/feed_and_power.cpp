#include "commands/feed_and_power.h"

#include "commands/command_steps.h"
#include "protocol/connection.h"
#include "protocol/feedback.h"
#include "protocol/sequence.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdLineFeed = 70;
constexpr uint8_t kCmdPowerOff = 253;

}  // namespace

int32_t WriteLineFeed(int32_t lines) {
  if (int32_t result = BeginCommand("Zapis ilosci wierszy do wysunięcia..."); result != 0) {
    return result;
  }
  const Block data = {static_cast<uint8_t>(lines)};
  return SendOrder(kCmdLineFeed, data, 1);
}

int32_t PowerOff() {
  ShowProgressText("Wyłączenie drukarki...");
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  // The printer's switch-off order carries five "0" characters.
  const Block data = {'0', '0', '0', '0', '0'};
  return SendOrder(kCmdPowerOff, data, 5);
}

}  // namespace sigra
