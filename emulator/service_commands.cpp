#include <algorithm>
#include <string>

#include "emulator/command_table.h"
#include "emulator/receipt.h"

namespace sigra::emu {
namespace {

// Status byte 4: cleared while the cash drawer stands open.
constexpr uint8_t kDrawerClosed = 0x08;
// Status byte 8: the pharmacy price-quote buffer holds data, is full.
constexpr uint8_t kPriceBufferBits = 0x03;

constexpr uint8_t kRefused = 108;  // "l"
constexpr uint8_t kMaxLunoFeedLines = 31;
constexpr size_t kNameLength = 28;
constexpr size_t kNamesRecord = 1 + kNameLength;
constexpr size_t kPaperWidth = 40;

bool HasSettingsBlock(const DeviceTraits& traits) {
  return traits.settingsBlock;
}
bool HasRoundingModes(const DeviceTraits& traits) {
  return traits.roundingModes;
}

// Whether each value of a settings group lies in the range its byte takes.
bool SettingsInRange(size_t group, const Bytes& values) {
  struct Range {
    size_t byte;
    uint8_t low;
    uint8_t high;
  };
  constexpr Range kRanges[] = {
      {settings::kAdvertisingDelay, 46, 255}, {settings::kSwitchOffMinutes, 1, 30},
      {settings::kReceiveTimeout, 0, 8},      {settings::kBacklight, 0, 16},
      {settings::kContrast, 0, 16},           {settings::kVolume, 0, 16}};
  for (size_t i = 0; i < kSettingsGroupSize; ++i) {
    const size_t byte = group * kSettingsGroupSize + i;
    for (const Range& range : kRanges) {
      if (range.byte == byte && (values[i] < range.low || values[i] > range.high)) return false;
    }
  }
  return true;
}

// The control print of the names database: one line per complete record, the
// name and its rate letter.
std::vector<std::string> NamesPrintout(const std::vector<uint8_t>& records) {
  std::vector<std::string> paper = {"WYDRUK KONTROLNY BAZY NAZW I STAWEK",
                                    std::string(kPaperWidth, '-')};
  const size_t count = records.size() / kNamesRecord;
  for (size_t i = 0; i < count; ++i) {
    const auto record = records.begin() + static_cast<std::ptrdiff_t>(i * kNamesRecord);
    const std::string name(record + 1, record + static_cast<std::ptrdiff_t>(kNamesRecord));
    paper.push_back(Utf8FromPrinterText(name) + "  " + static_cast<char>(*record));
  }
  paper.push_back(std::string(kPaperWidth, '-'));
  paper.push_back("POZYCJI: " + std::to_string(count));
  return paper;
}

// What the customer display shows at a step of its test: the segment
// displays light their words and digits, the graphic ones show pictures.
std::string DisplayTestStep(const DeviceTraits& traits, uint8_t step) {
  const bool graphic = traits.settingsBlock;
  switch (step) {
    case 0:
      return graphic ? "first test picture" : "RAZEM and 8.8.8.8.8.8.8.8.8.";
    case 1:
      return graphic ? "first test picture inverted" : "RESZTA and 8.8.8.8.8.8.8.8.8.";
    case 2:
      return "test ended, display back to normal";
    case 3:
      return graphic ? "checkerboard" : "nothing (no such step)";
    case 4:
      return graphic ? "fine pattern" : "nothing (no such step)";
    default:
      return "nothing (no such step)";
  }
}

void AddRegisterAndFeedCommands(CommandTable& table) {
  table.Add(67, {.name = "register number",
                 .answer = [](Printer&) { return Bytes{kAck}; },
                 .dataLength = FixedData(4),
                 .afterData =
                     [](Printer& printer, const Bytes& data) {
                       std::copy(data.begin(), data.end(),
                                 printer.Service().registerNumber.begin());
                       return Bytes{};
                     }});
  table.Add(70, {.name = "feed lines",
                 .answer = [](Printer&) { return Bytes{kAck}; },
                 .dataLength = FixedData(1),
                 .afterData =
                     [](Printer& printer, const Bytes& data) {
                       printer.Service().feedLines = data[0];
                       return Bytes{};
                     }});
  table.Add(237, {.name = "extra feed lines",
                  .answer = [](Printer&) { return Bytes{kAck}; },
                  .dataLength = FixedData(1),
                  .afterData =
                      [](Printer& printer, const Bytes& data) {
                        if (data[0] > kMaxLunoFeedLines) {
                          printer.Note("extra feed lines " + std::to_string(data[0]) +
                                       " refused: 0 to 31");
                        } else {
                          printer.Service().feedLines = data[0];
                        }
                        return Bytes{};
                      },
                  .available = HasSettingsBlock});
  table.Add(238, {.name = "extra feed lines read",
                  .answer =
                      [](Printer& printer) {
                        return Bytes{kAck, printer.Service().feedLines};
                      },
                  .available = HasSettingsBlock});
}

void AddRoundingCommands(CommandTable& table) {
  table.Add(116, {.name = "rounding",
                  .answer = [](Printer&) { return Bytes{kAck}; },
                  .dataLength = FixedData(1),
                  .afterData =
                      [](Printer& printer, const Bytes& data) {
                        if (data[0] < '0' || data[0] > '2') {
                          printer.Note("rounding mode refused: not \"0\" to \"2\"");
                        } else {
                          printer.Service().rounding = static_cast<uint8_t>(data[0] - '0');
                        }
                        return Bytes{};
                      },
                  .available = HasRoundingModes});
  table.Add(210, {.name = "rounding read",
                  .answer =
                      [](Printer& printer) {
                        return Bytes{kAck, printer.Service().rounding};
                      },
                  .available = HasRoundingModes});
}

void AddSettingsCommands(CommandTable& table) {
  table.Add(223, {.name = "settings read",
                  .answer = [](Printer&) { return Bytes{kAck}; },
                  .dataLength = FixedData(1),
                  .afterData =
                      [](Printer& printer, const Bytes& data) {
                        const size_t group = data[0];
                        if (group >= kSettingsGroups) return Bytes{kRefused};
                        const auto first = printer.Service().settings.begin() +
                                           static_cast<std::ptrdiff_t>(group * kSettingsGroupSize);
                        return Bytes{0, first[0], first[1], first[2]};
                      },
                  .available = HasSettingsBlock});
  table.Add(222, {.name = "settings write",
                  .answer = [](Printer&) { return Bytes{kAck}; },
                  .dataLength = FixedData(1 + kSettingsGroupSize),
                  .afterData =
                      [](Printer& printer, const Bytes& data) {
                        const size_t group = data[0];
                        const Bytes values(data.begin() + 1, data.end());
                        if (group >= kSettingsGroups || !SettingsInRange(group, values)) {
                          return Bytes{kRefused};
                        }
                        std::copy(values.begin(), values.end(),
                                  printer.Service().settings.begin() +
                                      static_cast<std::ptrdiff_t>(group * kSettingsGroupSize));
                        return Bytes{0};
                      },
                  .available = HasSettingsBlock});
  // The first group, which says among others which code page texts are in.
  table.Add(195, {.name = "text settings",
                  .answer =
                      [](Printer& printer) {
                        const SettingsBlock& settings = printer.Service().settings;
                        return Bytes{kAck, settings[0], settings[1], settings[2]};
                      },
                  .available = HasSettingsBlock});
}

void AddTestCommands(CommandTable& table) {
  table.Add(50, {.name = "display test",
                 .answer = [](Printer&) { return Bytes{kAck}; },
                 .dataLength = FixedData(1),
                 .afterData =
                     [](Printer& printer, const Bytes& data) {
                       printer.Note("customer display test step " + std::to_string(data[0]) + ": " +
                                    DisplayTestStep(printer.Traits(), data[0]));
                       return Bytes{};
                     }});
  table.Add(119, {.name = "price buffer clear",
                  .answer = [](Printer&) { return Bytes{kAck}; },
                  .afterData =
                      [](Printer& printer, const Bytes&) {
                        printer.SetStatusByte(
                            8, static_cast<uint8_t>(printer.StatusByte(8) & ~kPriceBufferBits));
                        return Bytes{};
                      },
                  .available = [](const DeviceTraits& traits) { return traits.hasByte8; }});
  table.Add(39, {.name = "program memory test",
                 .answer =
                     [](Printer& printer) {
                       return Bytes{printer.Service().programTestsLeft > 0 ? kAck : kNak};
                     },
                 .afterData =
                     [](Printer& printer, const Bytes&) {
                       const int left = --printer.Service().programTestsLeft;
                       printer.Print({"TEST PAMIĘCI PROGRAMU", "WYNIK: POPRAWNY",
                                      "POZOSTAŁO TESTÓW: " + std::to_string(left)});
                       return Bytes{};
                     }});
  // Drawer 1 is connected; opening it clears bit 3 of status byte 4 until it
  // is pushed shut.
  for (uint8_t drawer = 1; drawer <= 3; ++drawer) {
    table.Add(static_cast<uint8_t>(86 + drawer),
              {.name = "drawer " + std::to_string(drawer) + " open",
               .answer = [](Printer&) { return Bytes{kAck}; },
               .afterData =
                   [drawer](Printer& printer, const Bytes&) {
                     if (drawer == 1) {
                       printer.SetStatusByte(
                           4, static_cast<uint8_t>(printer.StatusByte(4) & ~kDrawerClosed));
                       printer.Note("drawer 1 opened");
                     } else {
                       printer.Note("no drawer " + std::to_string(drawer) + " connected");
                     }
                     return Bytes{};
                   }});
  }
}

void AddNamesPrintCommands(CommandTable& table) {
  // The records follow as bytes outside any command frame (Printer::
  // TakeLooseByte) until command 81 ends them.
  table.Add(63, {.name = "names print begin", .answer = [](Printer& printer) {
                   printer.Service().namesRecords.emplace();
                   return Bytes{kAck};
                 }});
  table.Add(81, {.name = "names print end", .afterData = [](Printer& printer, const Bytes&) {
                   auto& records = printer.Service().namesRecords;
                   if (!records) {
                     printer.Note("names print end without a beginning");
                     return Bytes{};
                   }
                   if (records->size() % kNamesRecord != 0) {
                     printer.Note("incomplete names record dropped");
                   }
                   printer.Print(NamesPrintout(*records));
                   records.reset();
                   printer.Service().namesDatabase.controlPrinted = true;
                   return Bytes{};
                 }});
}

}  // namespace

void AddServiceCommands(CommandTable& table) {
  AddRegisterAndFeedCommands(table);
  AddRoundingCommands(table);
  AddSettingsCommands(table);
  AddTestCommands(table);
  AddNamesPrintCommands(table);
}

}  // namespace sigra::emu
