#include "emulator/command_table.h"

#include <utility>

namespace sigra::emu {

DataLength FixedData(size_t count) {
  return [count](const Bytes&) { return count; };
}

void CommandTable::Add(uint8_t code, Command command) {
  commands_[code] = std::make_shared<const Command>(std::move(command));
}

std::shared_ptr<const Command> CommandTable::Find(uint8_t code) const {
  return commands_[code];
}

CommandTable StandardCommands() {
  CommandTable table;
  AddConnectionCommands(table);
  AddStatusCommands(table);
  AddTaxRateCommands(table);
  AddFiscalDayCommands(table);
  AddReceiptCommands(table);
  AddServiceCommands(table);
  AddUserDataCommands(table);
  AddCustomerDisplayCommands(table);
  AddReportCommands(table);
  AddClockCommands(table);
  AddCounterCommands(table);
  AddNamesDatabaseCommands(table);
  AddFiscalSwitchCommands(table);
  return table;
}

}  // namespace sigra::emu
