#include <string>

#include "emulator/command_table.h"

namespace sigra::emu {
namespace {

// Status byte 2: no room left in the names database.
constexpr uint8_t kDatabaseFull = 0x01;
// The Luno models report the erasure's progress in this many steps, each a
// byte, and end it with a 0.
constexpr uint8_t kEraseSteps = 16;

bool ReportsEraseProgress(const DeviceTraits& traits) {
  return traits.type == 7 || traits.type == 8;
}

// The byte the host must send to erase: the sum of the last two characters of
// the unique number.
uint8_t CheckByte(const Printer& printer) {
  const std::string& number = printer.Memory().uniqueNumber;
  return static_cast<uint8_t>(static_cast<uint8_t>(number[number.size() - 2]) +
                              static_cast<uint8_t>(number[number.size() - 1]));
}

}  // namespace

void AddNamesDatabaseCommands(CommandTable& table) {
  // A database that is not yet full is refused outright.
  table.Add(92, {.name = "names database erase",
                 .answer =
                     [](Printer& printer) {
                       if ((printer.StatusByte(2) & kDatabaseFull) == 0) {
                         printer.Note("names database erase refused: the database is not full");
                         return Bytes{kNak};
                       }
                       return Bytes{kAck};
                     },
                 .dataLength = FixedData(1),
                 .afterData =
                     [](Printer& printer, const Bytes& data) {
                       NamesDatabase& database = printer.Service().namesDatabase;
                       if (data[0] != CheckByte(printer)) {
                         printer.Note("names database erase refused: wrong check byte");
                         return Bytes{kNak};
                       }
                       if (!database.controlPrinted) {
                         printer.Note("names database erase refused: no control print made");
                         return Bytes{kNak};
                       }
                       database.controlPrinted = false;
                       printer.SetStatusByte(
                           2, static_cast<uint8_t>(printer.StatusByte(2) & ~kDatabaseFull));
                       printer.Print({"BAZA NAZW I STAWEK SKASOWANA"});
                       Bytes answer = {kAck};
                       if (ReportsEraseProgress(printer.Traits())) {
                         for (uint8_t step = 1; step <= kEraseSteps; ++step) answer.push_back(step);
                         answer.push_back(0);
                       }
                       return answer;
                     }});
}

}  // namespace sigra::emu
