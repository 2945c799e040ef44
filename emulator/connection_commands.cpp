#include "emulator/command_table.h"

namespace sigra::emu {
namespace {

// Third answer byte of the model query; no host reads it.
constexpr uint8_t kModelReserved = 0x00;

}  // namespace

void AddConnectionCommands(CommandTable& table) {
  table.Add(35, {.name = "connection check", .answer = [](Printer&) { return Bytes{kAck}; }});
  table.Add(255, {.name = "device type query", .answer = [](Printer& printer) {
                    return Bytes{kAck, printer.Traits().typeCode};
                  }});
  table.Add(254,
            {.name = "model query",
             .answer =
                 [](Printer& printer) {
                   const DeviceTraits& traits = printer.Traits();
                   return Bytes{kAck, *traits.modelCode, static_cast<uint8_t>(traits.version),
                                kModelReserved};
                 },
             .available = [](const DeviceTraits& traits) { return traits.modelCode.has_value(); }});
}

}  // namespace sigra::emu
