#include "emulator/command_table.h"

namespace sigra::emu {
namespace {

constexpr uint8_t kEuroChangeoverDue = 7;
constexpr uint8_t kNoEuroChangeover = 0;
constexpr size_t kDayTotalBytes = 5;

void AppendCounter(Bytes& answer, uint16_t counter) {
  answer.push_back(static_cast<uint8_t>(counter));
  answer.push_back(static_cast<uint8_t>(counter >> 8));
}

}  // namespace

void AddFiscalDayCommands(CommandTable& table) {
  table.Add(102, {.name = "receipt counter", .answer = [](Printer& printer) {
                    Bytes answer = {kAck};
                    AppendCounter(answer, printer.Fiscal().receiptCounter);
                    return answer;
                  }});
  // The same counter in a longer answer; the five bytes after it are zero here.
  table.Add(247, {.name = "receipt counter, long answer",
                  .answer =
                      [](Printer& printer) {
                        Bytes answer = {kAck};
                        AppendCounter(answer, printer.Fiscal().receiptCounter);
                        answer.resize(8, 0);
                        return answer;
                      },
                  .available = [](const DeviceTraits& traits) { return traits.euroQuery; }});
  table.Add(218, {.name = "day totals",
                  .answer =
                      [](Printer& printer) {
                        Bytes answer = {kAck};
                        for (uint64_t total : printer.Fiscal().dayTotals) {
                          for (size_t i = 0; i < kDayTotalBytes; ++i) {
                            answer.push_back(static_cast<uint8_t>(total >> (8 * i)));
                          }
                        }
                        return answer;
                      },
                  .available = [](const DeviceTraits& traits) { return traits.dayTotals; }});
  table.Add(245, {.name = "euro changeover query",
                  .answer =
                      [](Printer& printer) {
                        return Bytes{kAck, printer.Fiscal().euroChangeoverDue ? kEuroChangeoverDue
                                                                              : kNoEuroChangeover};
                      },
                  .available = [](const DeviceTraits& traits) { return traits.euroQuery; }});
}

}  // namespace sigra::emu
