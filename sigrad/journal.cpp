#include "sigrad/journal.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>

namespace sigra::service {
namespace {

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// One prepared statement, bound by position, finalised on leaving.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& path, const char* sql) : db_(db), path_(path) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) Fail();
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, const std::string& text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& Bind(int index, int64_t number) {
    sqlite3_bind_int64(stmt_, index, number);
    return *this;
  }
  Statement& Bind(int index, std::optional<int64_t> number) {
    if (number) return Bind(index, *number);
    sqlite3_bind_null(stmt_, index);
    return *this;
  }
  Statement& Bind(int index, const std::optional<std::string>& text) {
    if (text) return Bind(index, *text);
    sqlite3_bind_null(stmt_, index);
    return *this;
  }
  // True while a row is there.
  bool Step() {
    const int code = sqlite3_step(stmt_);
    if (code == SQLITE_ROW) return true;
    if (code != SQLITE_DONE) Fail();
    return false;
  }
  std::optional<std::string> OptionalText(int column) {
    if (sqlite3_column_type(stmt_, column) == SQLITE_NULL) return std::nullopt;
    return Text(column);
  }
  std::string Text(int column) {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    return text ? reinterpret_cast<const char*>(text) : "";
  }
  std::optional<int64_t> Number(int column) {
    if (sqlite3_column_type(stmt_, column) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_int64(stmt_, column);
  }

 private:
  [[noreturn]] void Fail() {
    throw JournalError("the journal " + path_ + " cannot be written: " + sqlite3_errmsg(db_));
  }
  sqlite3* db_;
  const std::string& path_;
  sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* kColumns =
    "printer, key, kind, digest, body, state, counter_before, fiscalised, http_status, answer, "
    "created, unique_number";

Entry Read(Statement& row) {
  Entry entry;
  entry.printer = row.Text(0);
  entry.key = row.Text(1);
  entry.kind = row.Text(2);
  entry.digest = row.Text(3);
  entry.body = row.Text(4);
  entry.state = row.Text(5);
  entry.counterBefore = row.Number(6);
  if (std::optional<int64_t> fiscalised = row.Number(7)) entry.fiscalised = *fiscalised != 0;
  entry.httpStatus = static_cast<int>(row.Number(8).value_or(0));
  entry.answer = row.Text(9);
  entry.created = row.Number(10).value_or(0);
  entry.uniqueNumber = row.OptionalText(11);
  return entry;
}

// The schema, a step a version: step N turns a file of version N - 1 into
// one of version N (PRAGMA user_version). A file of version 0 is new, or was
// written before the versions were counted, with version 1's tables.
constexpr const char* kSteps[] = {
    // 1: the entries, and their index for the purge.
    "CREATE TABLE IF NOT EXISTS entries ("
    " printer TEXT NOT NULL, key TEXT NOT NULL,"
    " kind TEXT NOT NULL CHECK (kind IN ('receipt', 'daily_report')),"
    " digest TEXT NOT NULL, body TEXT NOT NULL,"
    " state TEXT NOT NULL CHECK (state IN ('accepted', 'sending', 'closing', 'done')),"
    " counter_before INTEGER, fiscalised INTEGER, http_status INTEGER, answer TEXT,"
    " created INTEGER NOT NULL, updated INTEGER NOT NULL,"
    " PRIMARY KEY (printer, key));"
    "CREATE INDEX IF NOT EXISTS entries_updated ON entries (updated);",
    // 2: the unique number of the printer each entry went to.
    "ALTER TABLE entries ADD COLUMN unique_number TEXT;",
};

// Makes a new journal at `path` whole or not at all: its schema is written
// into a file beside it, which then takes its name, so that a service killed
// while making it leaves no empty file, which would be refused as no journal.
void Create(const std::string& path) {
  const std::string fresh = path + ".new";
  std::error_code ignored;
  std::filesystem::remove(fresh, ignored);
  std::filesystem::remove(fresh + "-journal", ignored);
  std::string schema = "BEGIN;";
  for (const char* step : kSteps) schema += step;
  schema += "PRAGMA user_version = " + std::to_string(std::size(kSteps)) + "; COMMIT;";
  sqlite3* db = nullptr;
  int code = sqlite3_open_v2(fresh.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
  if (code == SQLITE_OK) code = sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr);
  const std::string reason = code == SQLITE_OK ? "" : db ? sqlite3_errmsg(db) : "out of memory";
  sqlite3_close(db);
  if (code == SQLITE_OK && std::rename(fresh.c_str(), path.c_str()) == 0) return;
  std::filesystem::remove(fresh, ignored);
  throw JournalError("the journal " + path + " cannot be made: " +
                     (reason.empty() ? std::string(std::strerror(errno)) : reason));
}

}  // namespace

const int Journal::kVersion = static_cast<int>(std::size(kSteps));

Journal::Journal(const std::string& path, bool create) : path_(path) {
  struct stat file {};
  const bool exists = stat(path.c_str(), &file) == 0;
  if (exists && S_ISREG(file.st_mode) && file.st_size == 0) {
    throw JournalError("the journal " + path + " is an empty file, not a journal");
  }
  if (!exists && !create) {
    throw JournalError("the journal " + path + " cannot be opened: it is no longer there");
  }
  if (!exists) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    Create(path);
  }
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw JournalError("the journal " + path + " cannot be opened: " + reason);
  }
  sqlite3_busy_timeout(db_, 10000);
  try {
    // Looked at before anything is written to it: a file that is not a
    // journal is left as it was.
    bool journal = true;
    try {
      journal = !exists || Version() != 0 || HoldsEntries();
    } catch (const JournalError&) {
      throw JournalError("the journal " + path + " is not a journal: " + sqlite3_errmsg(db_));
    }
    if (!journal) {
      throw JournalError("the journal " + path +
                         " is not a journal: an SQLite database of something else");
    }
    Statement(db_, path_, "PRAGMA journal_mode=WAL").Step();
    Execute("PRAGMA synchronous=FULL");
    Upgrade();
  } catch (...) {
    sqlite3_close(db_);
    throw;
  }
  if (stat(path.c_str(), &file) == 0) {
    device_ = file.st_dev;
    inode_ = file.st_ino;
  }
}

bool Journal::HoldsEntries() {
  Statement row(db_, path_,
                "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'entries'");
  row.Step();
  return row.Number(0).value_or(0) > 0;
}

bool Journal::Intact() const {
  struct stat file {};
  return stat(path_.c_str(), &file) == 0 && file.st_dev == device_ && file.st_ino == inode_;
}

Journal::~Journal() {
  sqlite3_close(db_);
}

int Journal::Version() {
  Statement row(db_, path_, "PRAGMA user_version");
  row.Step();
  return static_cast<int>(row.Number(0).value_or(0));
}

void Journal::Upgrade() {
  // The service and each printer's process open the file at once: the first
  // to take the write lock upgrades it, the others find it done.
  if (Version() == kVersion) return;
  Execute("BEGIN IMMEDIATE");
  try {
    const int version = Version();
    if (version > kVersion) {
      throw JournalError("the journal " + path_ + " is of version " + std::to_string(version) +
                         ", newer than version " + std::to_string(kVersion) +
                         ", the newest this sigrad knows");
    }
    for (int step = version; step < kVersion; ++step) Execute(kSteps[step]);
    Execute("PRAGMA user_version = " + std::to_string(kVersion));
    Execute("COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void Journal::Execute(const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string reason = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    throw JournalError("the journal " + path_ + " cannot be written: " + reason);
  }
}

std::optional<Entry> Journal::Find(const std::string& printer, const std::string& key) {
  std::lock_guard lock(mutex_);
  Statement row(
      db_, path_,
      (std::string("SELECT ") + kColumns + " FROM entries WHERE printer = ? AND key = ?").c_str());
  row.Bind(1, printer).Bind(2, key);
  if (!row.Step()) return std::nullopt;
  return Read(row);
}

void Journal::Accept(const std::string& printer, const std::string& key, const std::string& kind,
                     const std::string& digest, const std::string& body) {
  std::lock_guard lock(mutex_);
  Statement(db_, path_,
            "INSERT INTO entries (printer, key, kind, digest, body, state, created, updated)"
            " VALUES (?, ?, ?, ?, ?, 'accepted', ?, ?)"
            " ON CONFLICT (printer, key) DO UPDATE SET state = 'accepted',"
            " counter_before = NULL, unique_number = NULL, fiscalised = NULL,"
            " http_status = NULL, answer = NULL,"
            " updated = excluded.updated")
      .Bind(1, printer)
      .Bind(2, key)
      .Bind(3, kind)
      .Bind(4, digest)
      .Bind(5, body)
      .Bind(6, Now())
      .Bind(7, Now())
      .Step();
}

void Journal::Sending(const std::string& printer, const std::string& key, int64_t counterBefore,
                      const std::string& uniqueNumber) {
  std::lock_guard lock(mutex_);
  Statement(db_, path_,
            "UPDATE entries SET state = 'sending', counter_before = ?, unique_number = ?,"
            " updated = ? WHERE printer = ? AND key = ?")
      .Bind(1, counterBefore)
      .Bind(2, uniqueNumber.empty() ? std::optional<std::string>() : uniqueNumber)
      .Bind(3, Now())
      .Bind(4, printer)
      .Bind(5, key)
      .Step();
}

void Journal::Closing(const std::string& printer, const std::string& key) {
  std::lock_guard lock(mutex_);
  Statement(db_, path_,
            "UPDATE entries SET state = 'closing', updated = ? WHERE printer = ? AND key = ?")
      .Bind(1, Now())
      .Bind(2, printer)
      .Bind(3, key)
      .Step();
}

void Journal::Done(const std::string& printer, const std::string& key,
                   std::optional<bool> fiscalised, int httpStatus, const std::string& answer) {
  std::lock_guard lock(mutex_);
  Statement(db_, path_,
            "UPDATE entries SET state = 'done', fiscalised = ?, http_status = ?, answer = ?,"
            " updated = ? WHERE printer = ? AND key = ?")
      .Bind(1, fiscalised ? std::optional<int64_t>(*fiscalised ? 1 : 0) : std::nullopt)
      .Bind(2, int64_t{httpStatus})
      .Bind(3, answer)
      .Bind(4, Now())
      .Bind(5, printer)
      .Bind(6, key)
      .Step();
}

std::vector<Entry> Journal::Unsettled(const std::string& printer) {
  std::lock_guard lock(mutex_);
  Statement row(db_, path_,
                (std::string("SELECT ") + kColumns +
                 " FROM entries WHERE printer = ? AND (state <> 'done' OR fiscalised IS NULL)"
                 " ORDER BY created")
                    .c_str());
  row.Bind(1, printer);
  std::vector<Entry> entries;
  while (row.Step()) entries.push_back(Read(row));
  return entries;
}

std::vector<Entry> Journal::Accepted() {
  std::lock_guard lock(mutex_);
  Statement row(db_, path_,
                (std::string("SELECT ") + kColumns + " FROM entries WHERE state = 'accepted'")
                    .c_str());
  std::vector<Entry> entries;
  while (row.Step()) entries.push_back(Read(row));
  return entries;
}

void Journal::Purge(int days) {
  std::lock_guard lock(mutex_);
  Statement(db_, path_, "DELETE FROM entries WHERE state = 'done' AND updated < ?")
      .Bind(1, Now() - int64_t{days} * 86400)
      .Step();
}

}  // namespace sigra::service
