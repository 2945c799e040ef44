// The names-database file "baza.txt": one article per line (CR LF or LF), its
// name up to the first tab, less one leading "$", then its rate letter up to
// the second tab; the rest of the line is ignored.
#ifndef SIGRA_APP_LOGIC_NAMES_FILE_H
#define SIGRA_APP_LOGIC_NAMES_FILE_H

#include <cstdint>
#include <istream>
#include <string>

namespace sigra::app {

struct NamesRecord {
  // Windows-1250 bytes as the file holds them.
  std::string name;
  // The first character of the rate field; "A" when the field is empty or
  // missing.
  uint8_t rateLetter = 'A';
};

// Reads the next line of `in` into `record`; false at the end of the file.
bool ReadNamesRecord(std::istream& in, NamesRecord& record);

// What keeps a record from the control print.
enum class NamesRecordFault {
  None,
  // Too few significant characters for the connected model: the printer
  // would refuse the record in the middle of the print.
  Name,
  // Not one of the rate letters A to G.
  RateLetter,
};
NamesRecordFault CheckNamesRecord(const NamesRecord& record);

}  // namespace sigra::app

#endif
