#include "app/logic/names_file.h"

#include "commands/receipt_items.h"

namespace sigra::app {

bool ReadNamesRecord(std::istream& in, NamesRecord& record) {
  std::string line;
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const size_t nameEnd = line.find('\t');
  record.name = line.substr(0, nameEnd);
  if (!record.name.empty() && record.name.front() == '$') record.name.erase(0, 1);
  record.rateLetter = 'A';
  if (nameEnd != std::string::npos && nameEnd + 1 < line.size() && line[nameEnd + 1] != '\t') {
    record.rateLetter = static_cast<uint8_t>(line[nameEnd + 1]);
  }
  return true;
}

NamesRecordFault CheckNamesRecord(const NamesRecord& record) {
  // The driver's own rule for article names, so that what passes here is
  // what the printer takes.
  std::string padded;
  if (PrepareArticleName(record.name, padded) != 0) return NamesRecordFault::Name;
  if (record.rateLetter < 'A' || record.rateLetter > 'G') return NamesRecordFault::RateLetter;
  return NamesRecordFault::None;
}

}  // namespace sigra::app
