// The names-database file "baza.txt": one article per line (CR LF or LF), its
// name up to the first tab, less one leading "$", then its rate letter up to
// the second tab; the rest of the line is ignored. Read line by line, so that a
// file of any length is never held whole.
#ifndef SIGRA_APP_NAMES_FILE_H
#define SIGRA_APP_NAMES_FILE_H

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

}  // namespace sigra::app

#endif
