#include "emulator/command_table.h"

#include <array>
#include <string>

namespace sigra::emu {
namespace {

struct StatusByteCommand {
  uint8_t code;
  int byte;
  bool (*available)(const DeviceTraits&);
};

bool Always(const DeviceTraits&) {
  return true;
}
bool HasBytes5And6(const DeviceTraits& traits) {
  return traits.hasBytes5And6;
}
bool HasByte7(const DeviceTraits& traits) {
  return traits.hasByte7;
}
bool HasByte8(const DeviceTraits& traits) {
  return traits.hasByte8;
}

constexpr std::array<StatusByteCommand, 8> kStatusByteCommands = {{
    {91, 1, Always},
    {84, 2, Always},
    {85, 3, Always},
    {86, 4, Always},
    {95, 5, HasBytes5And6},
    {80, 6, HasBytes5And6},
    {243, 7, HasByte7},
    {93, 8, HasByte8},
}};

}  // namespace

void AddStatusCommands(CommandTable& table) {
  // A status command answers its byte alone, without acknowledgement.
  for (uint8_t code : Printer::kStatusCommands) {
    table.Add(code, {.name = "status " + std::to_string(code), .answer = [code](Printer& printer) {
                       return Bytes{printer.ReadStatus(code)};
                     }});
  }
  for (const StatusByteCommand& command : kStatusByteCommands) {
    const int n = command.byte;
    table.Add(command.code, {.name = "status byte " + std::to_string(n),
                             .answer =
                                 [n](Printer& printer) {
                                   return Bytes{kAck, printer.ReadStatusByte(n)};
                                 },
                             .available = command.available});
  }
  table.Add(42, {.name = "resume printout", .answer = [](Printer& printer) {
                   printer.ResumePrintout();
                   return Bytes{kAck};
                 }});
}

}  // namespace sigra::emu
