// The port table: the COM numbers given to USB serial adapters, one line
// "COM<n> <name>" an adapter, lines starting with '#' and blank lines aside.
//
// The table is shared by every program and user of the machine and its
// folder is writable by a group (dialout), so nothing in that folder is
// trusted: no symbolic link there is followed, the new table is created
// exclusively under a name of its own and renamed over the old one, and the
// lock numbering takes is a file only the table's writers may open.
//
// A table that is there but cannot be read or makes no sense is an error,
// never an empty table: taking it as empty would renumber every adapter and
// send a receipt to the wrong printer.
#ifndef SIGRA_LINK_POSIX_PORT_TABLE_H
#define SIGRA_LINK_POSIX_PORT_TABLE_H

#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace sigra::link::ports {

// The port table cannot be used; what() names the file and the reason.
class TableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Adapter names by COM number.
using Table = std::map<int, std::string>;

// The table read from text; `path` only names it in errors. Throws
// TableError for an empty text, a line that is not "COM<n> <name>" with n a
// port number, and two lines with one number or one name.
Table ParseTable(const std::string& text, const std::string& path);

// The table in the file; nullopt when there is no file. Throws TableError
// when the file is there but cannot be read (a symbolic link counts as
// unreadable) or parsed.
std::optional<Table> ReadTable(const std::string& path);

// Replaces the table: a new file created exclusively beside it, given the
// old table's mode and group (or 0664 and the folder's group), synced and
// renamed over it. Returns false, leaving the table as it was, when the
// folder may not be written.
bool WriteTable(const std::string& path, const Table& table);

// The lock of the table's writers: the file "<table>.lock" beside it,
// never a link, with the table's group and mode less the others' rights, so
// that only those who may write the table may hold it.
class TableLock {
 public:
  // Waits at most `wait` for the lock; throws TableError when it stays
  // held that long. Holds nothing (Held() false) when the lock file may
  // not be opened: then the table may not be written either.
  TableLock(const std::string& path, std::chrono::milliseconds wait);
  ~TableLock();
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;

  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace sigra::link::ports

#endif
