// The printer's database of the article names and rates it has sold. Once it
// is full (status byte 2 bit 0) the printer takes no new names until the
// database is erased (command 92), which it allows only after a control print
// of the database and with the check byte of its unique number.
#ifndef SIGRA_EMULATOR_NAMES_DATABASE_H
#define SIGRA_EMULATOR_NAMES_DATABASE_H

namespace sigra::emu {

struct NamesDatabase {
  // A control print of the database was made since the last erasure.
  bool controlPrinted = false;
};

}  // namespace sigra::emu

#endif
