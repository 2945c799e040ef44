#include "link/posix/port_table.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <thread>

#include "link/serial_ports.h"

namespace sigra::link::ports {
namespace {

constexpr mode_t kNewTableMode = 0664;
constexpr auto kLockPoll = std::chrono::milliseconds(20);

std::string Reason(int error) {
  return std::strerror(error);
}

// The folder of a file (with its trailing slash dropped) and its name.
std::pair<std::string, std::string> Split(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// The port number of "COM<n>", n from kFirstPort to kLastPort.
std::optional<int> PortNumber(const std::string& word) {
  if (word.size() < 4 || word.size() > 6 || word.compare(0, 3, "COM") != 0 ||
      word.find_first_not_of("0123456789", 3) != std::string::npos || word[3] == '0') {
    return std::nullopt;
  }
  const int n = std::stoi(word.substr(3));
  if (n < kFirstPort || n > kLastPort) return std::nullopt;
  return n;
}

bool ValidName(const std::string& name) {
  return name != "." && name != ".." && name.find('/') == std::string::npos;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// The mode and group a file of the table's folder gets: those of the table
// when it is there, else 0664 and the folder's group.
std::pair<mode_t, gid_t> ModeAndGroup(int dir, const std::string& name) {
  struct stat st {};
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
    return {st.st_mode & 0666, st.st_gid};
  }
  struct stat folder {};
  return {kNewTableMode, fstat(dir, &folder) == 0 ? folder.st_gid : static_cast<gid_t>(-1)};
}

void Give(int fd, std::pair<mode_t, gid_t> modeAndGroup) {
  // Another member of the group may not hand a file to the group; the file
  // then keeps the group a new file of the folder gets.
  if (modeAndGroup.second != static_cast<gid_t>(-1)) {
    [[maybe_unused]] const int ignored = fchown(fd, static_cast<uid_t>(-1), modeAndGroup.second);
  }
  fchmod(fd, modeAndGroup.first);
}

std::string Seconds(std::chrono::milliseconds wait) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", static_cast<double>(wait.count()) / 1000.0);
  return text;
}

std::string TemporaryName(const std::string& name) {
  static thread_local std::mt19937_64 random{std::random_device{}() ^
                                             static_cast<uint64_t>(getpid())};
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix(8, 'x');
  for (char& c : suffix) c = kLetters[random() % (sizeof kLetters - 1)];
  return "." + name + ".new-" + suffix;
}

}  // namespace

Table ParseTable(const std::string& text, const std::string& path) {
  // A table cut short (a full disk, a crash mid-write) most often shows as
  // an empty one.
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
    throw TableError("the port table " + path + " is empty");
  }
  Table table;
  std::map<int, int> lineOfNumber;
  std::map<std::string, int> lineOfName;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    std::istringstream words(line);
    std::string port, name, rest;
    if (!(words >> port) || port[0] == '#') continue;
    const std::string where = "the port table " + path + ", line " + std::to_string(number) + ": ";
    const std::optional<int> n = PortNumber(port);
    if (!n || !(words >> name) || (words >> rest) || !ValidName(name)) {
      throw TableError(where + "not \"COM<n> <adapter name>\" with n from " +
                       std::to_string(kFirstPort) + " to " + std::to_string(kLastPort));
    }
    if (const auto earlier = lineOfNumber.find(*n); earlier != lineOfNumber.end()) {
      throw TableError("the port table " + path + ", lines " + std::to_string(earlier->second) +
                       " and " + std::to_string(number) + ": both give COM" + std::to_string(*n) +
                       "; keep one of them");
    }
    if (const auto earlier = lineOfName.find(name); earlier != lineOfName.end()) {
      throw TableError("the port table " + path + ", lines " + std::to_string(earlier->second) +
                       " and " + std::to_string(number) + ": both number " + name +
                       "; keep one of them");
    }
    lineOfNumber[*n] = number;
    lineOfName[name] = number;
    table[*n] = name;
  }
  return table;
}

std::optional<Table> ReadTable(const std::string& path) {
  const Descriptor file(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    const std::string reason =
        errno == ELOOP ? "it is a symbolic link, which is not followed" : Reason(errno);
    throw TableError("the port table " + path + " cannot be read: " + reason);
  }
  struct stat st {};
  if (fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    throw TableError("the port table " + path + " cannot be read: it is not a regular file");
  }
  std::string text;
  char chunk[4096];
  while (true) {
    const ssize_t n = read(file.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw TableError("the port table " + path + " cannot be read: " + Reason(errno));
    if (n == 0) break;
    text.append(chunk, static_cast<size_t>(n));
  }
  return ParseTable(text, path);
}

bool WriteTable(const std::string& path, const Table& table) {
  const auto [folder, name] = Split(path);
  const Descriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return false;
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = TemporaryName(name);
    // Created here and now or not at all: whatever another user planted
    // under the name, a link above all, is left alone.
    fd = openat(dir.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                0600);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  const Descriptor file(fd);
  std::string text =
      "# COM port numbers of USB serial adapters: COM<n> <name in /dev/serial/by-id>\n";
  for (const auto& [n, adapter] : table) text += "COM" + std::to_string(n) + " " + adapter + "\n";
  bool written = true;
  for (size_t done = 0; written && done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) done += static_cast<size_t>(n);
  }
  Give(fd, ModeAndGroup(dir.get(), name));
  written = written && fsync(fd) == 0 &&
            renameat(dir.get(), temporary.c_str(), dir.get(), name.c_str()) == 0;
  if (!written) unlinkat(dir.get(), temporary.c_str(), 0);
  return written;
}

TableLock::TableLock(const std::string& path, std::chrono::milliseconds wait) {
  const auto [folder, name] = Split(path);
  const Descriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return;
  const std::string lockName = name + ".lock";
  // No reading for others either: a descriptor open for reading holds a
  // lock as well as one open for writing.
  std::pair<mode_t, gid_t> modeAndGroup = ModeAndGroup(dir.get(), name);
  modeAndGroup.first &= 0660;
  // Opened for writing, so that only the table's writers can hold it.
  fd_ = openat(dir.get(), lockName.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd_ < 0 && errno == ENOENT) {
    fd_ = openat(dir.get(), lockName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                 0600);
    if (fd_ >= 0) Give(fd_, modeAndGroup);
    // Another program made it first.
    if (fd_ < 0 && errno == EEXIST) {
      fd_ = openat(dir.get(), lockName.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    }
  }
  if (fd_ < 0) {
    if (errno == ELOOP) {
      throw TableError("the lock of the port table " + folder + "/" + lockName +
                       " is a symbolic link, which is not followed: remove it");
    }
    return;
  }
  struct stat st {};
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd_);
    fd_ = -1;
    throw TableError("the lock of the port table " + folder + "/" + lockName +
                     " is not a regular file: remove it");
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      const int error = errno;
      close(fd_);
      fd_ = -1;
      const std::string reason = error == EWOULDBLOCK
                                     ? "another program has held it for longer than " +
                                           Seconds(wait) + ", the time this call may wait"
                                     : Reason(error);
      throw TableError("the lock of the port table " + folder + "/" + lockName +
                       " was not taken: " + reason);
    }
    std::this_thread::sleep_for(kLockPoll);
  }
}

TableLock::~TableLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace sigra::link::ports
