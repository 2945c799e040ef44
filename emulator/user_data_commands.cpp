#include <string>

#include "emulator/command_table.h"

namespace sigra::emu {
namespace {

// Status byte 1: user data entered; the printer is fiscal.
constexpr uint8_t kUserDataPresent = 0x02;
constexpr uint8_t kFiscalMode = 0x08;
constexpr uint8_t kLineRefused = 1;
constexpr size_t kRecordWidth = 40;
// Lines of a control print of lines the host sends.
constexpr size_t kPrintedLines = 4;

bool HasUserData(const DeviceTraits& traits) {
  return traits.userDataLines > 0;
}

// Data of a line: the line number, the attribute and 20 or 40 characters.
size_t LineDataLength(const Bytes& received) {
  return received.size() < 2 ? 2 : 2 + UserDataWidth(received[1]);
}

// Data of a control print: per line its attribute and 20 or 40 characters.
size_t PrintDataLength(const Bytes& received) {
  size_t length = 0;
  for (size_t line = 0; line < kPrintedLines; ++line) {
    if (length >= received.size()) return length + 1;
    length += 1 + UserDataWidth(received[length]);
  }
  return length;
}

std::vector<UserDataLine> PrintedLines(const Bytes& data) {
  std::vector<UserDataLine> lines;
  for (size_t at = 0; at < data.size();) {
    const uint8_t attributes = data[at];
    const size_t width = UserDataWidth(attributes);
    const auto text = data.begin() + static_cast<std::ptrdiff_t>(at + 1);
    lines.push_back({attributes, std::string(text, text + static_cast<std::ptrdiff_t>(width))});
    at += 1 + width;
  }
  return lines;
}

}  // namespace

void AddUserDataCommands(CommandTable& table) {
  table.Add(156, {.name = "user data line write",
                  .answer = [](Printer&) { return Bytes{kAck}; },
                  .dataLength = LineDataLength,
                  .afterData =
                      [](Printer& printer, const Bytes& data) {
                        const bool fiscal = (printer.StatusByte(1) & kFiscalMode) != 0;
                        const std::string text(data.begin() + 2, data.end());
                        if (!printer.UserDataLines().Write(data[0], data[1], text, fiscal)) {
                          return Bytes{kLineRefused};
                        }
                        printer.SetStatusByte(
                            1, static_cast<uint8_t>(printer.StatusByte(1) | kUserDataPresent));
                        return Bytes{0};
                      },
                  .available = HasUserData});
  for (uint8_t code : {uint8_t{157}, uint8_t{158}}) {
    table.Add(code, {.name = "user data line read",
                     .answer = [](Printer&) { return Bytes{kAck}; },
                     .dataLength = FixedData(1),
                     .afterData =
                         [](Printer& printer, const Bytes& data) {
                           const auto line = printer.UserDataLines().Line(data[0]);
                           Bytes record = {data[0], line ? line->attributes : uint8_t{0}};
                           const std::string text = line ? line->text : std::string();
                           record.insert(record.end(), text.begin(), text.end());
                           record.resize(2 + kRecordWidth, ' ');
                           return record;
                         },
                     .available =
                         [code](const DeviceTraits& traits) {
                           return HasUserData(traits) && traits.userDataReadCommand == code;
                         }});
  }
  table.Add(51, {.name = "user data print of given lines",
                 .answer = [](Printer&) { return Bytes{kAck}; },
                 .dataLength = PrintDataLength,
                 .afterData =
                     [](Printer& printer, const Bytes& data) {
                       printer.Print(UserDataPrintout(PrintedLines(data)));
                       return Bytes{};
                     },
                 .available = HasUserData});
  table.Add(241, {.name = "user data print",
                  .answer = [](Printer&) { return Bytes{kAck}; },
                  .afterData =
                      [](Printer& printer, const Bytes&) {
                        printer.Print(printer.UserDataLines().Printout());
                        return Bytes{};
                      },
                  .available = HasUserData});
}

}  // namespace sigra::emu
