// The journal of receipts and daily reports, in SQLite: every sale is written
// down before a byte of it goes to the printer, and its state follows it
//   accepted  taken from the client, nothing sent yet
//   sending   the counter before is read; the receipt is being sent
//   closing   the closing is about to go to the printer
//   done      the outcome is known, or was unknown when it was written (the
//             printer did not come back: fiscalised NULL)
// so that a sale cut by a killed service or an unreachable printer is settled
// from the printer's counter later, and a key's answer survives restarts.
//
//   CREATE TABLE entries (
//     printer TEXT, key TEXT, kind TEXT ('receipt' or 'daily_report'),
//     digest TEXT (SHA-256 of the canonical body and the kind),
//     body TEXT (as the client sent it), state TEXT,
//     counter_before INTEGER (receipt counter, for a report the report
//                             counter; NULL until read),
//     fiscalised INTEGER (1, 0, NULL: not known), http_status INTEGER,
//     answer TEXT (the JSON answered), created INTEGER, updated INTEGER
//                 (Unix seconds),
//     unique_number TEXT (the unique number of the printer the entry went to,
//                         read with counter_before; NULL when that printer
//                         did not tell it, or in an entry of version 1),
//     PRIMARY KEY (printer, key))
//
// An entry is settled only from the counter of the printer it went to: a
// printer put in its place on the port counts its own receipts.
//
// The schema's version is the file's user_version, 2 for the one above; an
// older file is brought up to date when it is opened, a newer one refused.
//
// Several processes write it (the service and each printer's process); WAL
// and synchronous=FULL make each write durable before the call returns. A
// failure to write throws JournalError: the service never sells without it.
#ifndef SIGRA_SIGRAD_JOURNAL_H
#define SIGRA_SIGRAD_JOURNAL_H

#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

namespace sigra::service {

class JournalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Entry {
  std::string printer;
  std::string key;
  std::string kind;
  std::string digest;
  std::string body;
  std::string state;
  std::optional<int64_t> counterBefore;
  std::optional<std::string> uniqueNumber;
  std::optional<bool> fiscalised;
  int httpStatus = 0;
  std::string answer;
  int64_t created = 0;
};

class Journal {
 public:
  // The version of the schema this program writes.
  static const int kVersion;

  // Opens the file, bringing an older schema up to date; with `create`, makes
  // it (and its folder) where no file is. Throws JournalError, also for a
  // file that is no journal (empty, not SQLite, other tables) or one of a
  // newer version.
  explicit Journal(const std::string& path, bool create = true);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  std::optional<Entry> Find(const std::string& printer, const std::string& key);
  // A new entry in state accepted, or an old one taken up again (a sale not
  // fiscalised tried once more under its key).
  void Accept(const std::string& printer, const std::string& key, const std::string& kind,
              const std::string& digest, const std::string& body);
  // The counter before, and the unique number of the printer it was read
  // from (empty: not known).
  void Sending(const std::string& printer, const std::string& key, int64_t counterBefore,
               const std::string& uniqueNumber);
  void Closing(const std::string& printer, const std::string& key);
  void Done(const std::string& printer, const std::string& key, std::optional<bool> fiscalised,
            int httpStatus, const std::string& answer);
  // This printer's entries not done, and those done with an unknown outcome.
  std::vector<Entry> Unsettled(const std::string& printer);
  // Every printer's entries still accepted: nothing of them was sent.
  std::vector<Entry> Accepted();
  // Forgets entries done more than `days` days ago.
  void Purge(int days);
  // Whether the file at the journal's path is still the one opened: false
  // once it was deleted or replaced, when whatever is written goes nowhere
  // anyone will look.
  bool Intact() const;
  const std::string& Path() const { return path_; }

 private:
  int Version();
  // Whether the file has the entries table (a journal of before the
  // versions were counted), when its version is 0.
  bool HoldsEntries();
  void Upgrade();
  void Execute(const std::string& sql);
  std::mutex mutex_;
  sqlite3* db_ = nullptr;
  std::string path_;
  // The opened file's identity.
  uint64_t device_ = 0;
  uint64_t inode_ = 0;
};

}  // namespace sigra::service

#endif
