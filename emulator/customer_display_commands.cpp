#include <string>

#include "emulator/command_table.h"

namespace sigra::emu {
namespace {

// Flag byte of a line or row read back: bit 0 set when it holds data.
constexpr uint8_t kHoldsData = 0x01;

bool HasGraphicDisplay(const DeviceTraits& traits) {
  return traits.graphicDisplay;
}

Bytes EraseAnswer(bool erased) {
  return Bytes{kAck, erased ? verdict::kStored : verdict::kEraseRefused};
}

}  // namespace

void AddCustomerDisplayCommands(CommandTable& table) {
  table.Add(
      46, {.name = "advertising line write",
           .answer = [](Printer&) { return Bytes{kAck}; },
           .dataLength = FixedData(1 + CustomerDisplay::kLineWidth + 1),
           .afterData = [](Printer& printer,
                           const Bytes& data) { return Bytes{printer.Display().WriteLine(data)}; },
           .available = HasGraphicDisplay});
  table.Add(56, {.name = "advertising line read",
                 .answer = [](Printer&) { return Bytes{kAck}; },
                 .dataLength = FixedData(1),
                 .afterData =
                     [](Printer& printer, const Bytes& data) {
                       const auto line = printer.Display().Line(data[0]);
                       Bytes record = {data[0], line ? kHoldsData : uint8_t{0}};
                       const std::string text = line.value_or(std::string());
                       record.insert(record.end(), text.begin(), text.end());
                       record.resize(2 + CustomerDisplay::kLineWidth, ' ');
                       return record;
                     },
                 .available = HasGraphicDisplay});
  table.Add(58,
            {.name = "advertising lines erase",
             .answer = [](Printer& printer) { return EraseAnswer(printer.Display().EraseLines()); },
             .available = HasGraphicDisplay});
  table.Add(45,
            {.name = "display image row write",
             .answer = [](Printer&) { return Bytes{kAck}; },
             .dataLength = FixedData(1 + CustomerDisplay::kRowBytes + 1),
             .afterData = [](Printer& printer,
                             const Bytes& data) { return Bytes{printer.Display().WriteRow(data)}; },
             .available = HasGraphicDisplay});
  // A row beyond the image is refused; without an image the printer says so
  // and sends no pixels.
  table.Add(47, {.name = "display image row read",
                 .answer = [](Printer&) { return Bytes{kAck}; },
                 .dataLength = FixedData(1),
                 .afterData =
                     [](Printer& printer, const Bytes& data) {
                       const CustomerDisplay& display = printer.Display();
                       if (data[0] >= CustomerDisplay::kRows) return Bytes{verdict::kOutOfRange};
                       const auto row = display.ImageRow(data[0]);
                       if (!row) return Bytes{verdict::kStored, 0};
                       Bytes record = {verdict::kStored, kHoldsData};
                       record.insert(record.end(), row->begin(), row->end());
                       return record;
                     },
                 .available = HasGraphicDisplay});
  table.Add(57,
            {.name = "display image erase",
             .answer = [](Printer& printer) { return EraseAnswer(printer.Display().EraseImage()); },
             .available = HasGraphicDisplay});
}

}  // namespace sigra::emu
