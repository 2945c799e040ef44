#include <algorithm>
#include <array>
#include <string>

#include "emulator/command_table.h"

namespace sigra::emu {
namespace {

struct RateCommands {
  int rateCount;
  uint8_t read;
  uint8_t write;
};

// Each model knows the pair of its own layout and refuses the others.
constexpr std::array<RateCommands, 3> kRateCommands = {
    {{4, 112, 68}, {6, 208, 212}, {7, 209, 213}}};

void PrintRates(Printer& printer) {
  const RateStore& rates = printer.Fiscal().rates;
  std::vector<std::string> paper = {"           ZMIANA STAWEK PTU"};
  for (int k = 0; k < rates.Count(); ++k) {
    const std::string left = std::string("PTU ") + static_cast<char>('A' + k);
    const std::string right = rates.Describe(k);
    paper.push_back(left + std::string(40 - left.size() - right.size(), ' ') + right);
  }
  printer.Print(paper);
}

}  // namespace

void AddTaxRateCommands(CommandTable& table) {
  for (const RateCommands& commands : kRateCommands) {
    const int count = commands.rateCount;
    auto ownLayout = [count](const DeviceTraits& traits) { return traits.rateCount == count; };
    table.Add(commands.read, {.name = "tax rates read",
                              .answer =
                                  [](Printer& printer) {
                                    const Bytes& rates = printer.Fiscal().rates.Bytes();
                                    Bytes answer(rates.size() + 1, kAck);
                                    std::copy(rates.begin(), rates.end(), answer.begin() + 1);
                                    return answer;
                                  },
                              .available = ownLayout});
    // Rates change only between fiscal days: not after a receipt of the day,
    // nor while one is open.
    table.Add(commands.write,
              {.name = "tax rates write",
               .answer =
                   [](Printer& printer) {
                     const FiscalState& fiscal = printer.Fiscal();
                     if (fiscal.receiptCounter != 0 || fiscal.receipt) {
                       printer.Note("tax rates write refused: receipts in the fiscal day");
                       return Bytes{kNak};
                     }
                     return Bytes{kAck};
                   },
               .dataLength = FixedData(static_cast<size_t>(count == 4 ? 4 : 2 * count)),
               .afterData =
                   [](Printer& printer, const Bytes& data) {
                     printer.Fiscal().rates.SetBytes(data);
                     PrintRates(printer);
                     return Bytes{};
                   },
               .available = ownLayout});
  }
}

}  // namespace sigra::emu
