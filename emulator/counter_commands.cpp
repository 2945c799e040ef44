#include "emulator/command_table.h"

namespace sigra::emu {

void AddCounterCommands(CommandTable& table) {
  table.Add(113, {.name = "unique number", .answer = [](Printer& printer) {
                    return Acknowledged(printer.Memory().uniqueNumber);
                  }});
  table.Add(216, {.name = "register number read", .answer = [](Printer& printer) {
                    return Acknowledged(printer.Service().registerNumber);
                  }});
  // Five "0" characters switch the printer off; it answers nothing after.
  table.Add(253, {.name = "power off",
                  .answer = [](Printer&) { return Bytes{kAck}; },
                  .dataLength = FixedData(5),
                  .afterData =
                      [](Printer& printer, const Bytes& data) {
                        if (data == Bytes(5, '0')) {
                          printer.SwitchOff();
                        } else {
                          printer.Note("power off ignored: not five \"0\"");
                        }
                        return Bytes{};
                      },
                  .available = [](const DeviceTraits& traits) { return traits.secondGeneration; }});
}

}  // namespace sigra::emu
