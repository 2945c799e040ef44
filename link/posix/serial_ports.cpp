#include "link/posix/serial_ports.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>

#include "link/posix/port_table.h"

namespace sigra::link::ports {
namespace {

// The kernel's built-in serial ports, /dev/ttyS0 and on.
constexpr unsigned kBuiltInMajor = 4;
constexpr unsigned kBuiltInFirstMinor = 64;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::optional<std::string> DosDeviceLink(int n) {
  const std::string dir = Env("SIGRA_DOSDEVICES");
  if (dir.empty()) return std::nullopt;
  const std::string link = dir + "/com" + std::to_string(n);
  char target[4096];
  const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return std::nullopt;
  std::string result(target, static_cast<size_t>(length));
  if (result.front() != '/') result = dir + "/" + result;
  return result;
}

std::string SerialDir() {
  const std::string dir = Env("SIGRA_SERIAL_DIR");
  return dir.empty() ? "/dev/serial/by-id" : dir;
}

// The adapters plugged in: the names in the folder whose device exists.
std::vector<std::string> Adapters() {
  std::vector<std::string> names;
  const std::string dir = SerialDir();
  DIR* folder = opendir(dir.c_str());
  if (folder == nullptr) return names;
  while (const dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name != "." && name != ".." && Exists(dir + "/" + name)) names.push_back(name);
  }
  closedir(folder);
  std::sort(names.begin(), names.end());
  return names;
}

// The UART type the kernel reports for a built-in port: from sysfs, which
// anyone may read, else from the device. Unknown when neither tells.
std::optional<int> UartType(unsigned index, int fd) {
  std::ifstream sysfs("/sys/class/tty/ttyS" + std::to_string(index) + "/type");
  int type = 0;
  if (sysfs >> type) return type;
  serial_struct serial{};
  if (fd >= 0 && ioctl(fd, TIOCGSERIAL, &serial) == 0) return serial.type;
  return std::nullopt;
}

// Whether /dev/ttyS<index> has a UART behind it. A node that cannot be asked
// counts as a port, so that no adapter takes its number.
bool BuiltInPortThere(unsigned index) {
  const std::string device = "/dev/ttyS" + std::to_string(index);
  if (!Exists(device)) return false;
  return UartType(index, -1).value_or(PORT_16550A) != PORT_UNKNOWN;
}

std::string TablePath() {
  if (std::string file = Env("SIGRA_PORTS_FILE"); !file.empty()) return file;
  struct stat st {};
  if (stat(kSystemTableDir, &st) == 0 && S_ISDIR(st.st_mode)) {
    return std::string(kSystemTableDir) + "/ports";
  }
  std::string state = Env("XDG_STATE_HOME");
  if (state.empty() && !Env("HOME").empty()) state = Env("HOME") + "/.local/state";
  return state.empty() ? "" : state + "/sigra/ports";
}

bool Numbered(const Table& table, const std::string& name) {
  return std::any_of(table.begin(), table.end(), [&](const auto& entry) { return entry.second == name; });
}

// Gives each new adapter the lowest number free for it; false when none is
// left.
bool NumberNew(Table& table, const std::vector<std::string>& adapters) {
  bool changed = false;
  for (const std::string& name : adapters) {
    if (Numbered(table, name)) continue;
    int n = kFirstPort;
    while (n <= kLastPort && (table.count(n) != 0 || DosDeviceLink(n) ||
                              BuiltInPortThere(static_cast<unsigned>(n - 1)))) {
      ++n;
    }
    if (n > kLastPort) break;
    table[n] = name;
    changed = true;
  }
  return changed;
}

// The port table as it stands; empty only when there is none. Throws
// TableError for one that cannot be used.
Table Current(const std::string& path) {
  return path.empty() ? Table{} : ReadTable(path).value_or(Table{});
}

// The port table with every adapter plugged in numbered. New numbers are
// recorded under the lock of the table's writers, so that two programs
// seeing a new adapter at once give it one number; when the table may not
// be written, they hold for this program only. Throws TableError for a
// table that cannot be used and a lock held longer than `wait`: an adapter
// then has no number rather than a guessed one.
Table Assignments(std::chrono::milliseconds wait) {
  const std::string path = TablePath();
  Table table = Current(path);
  const std::vector<std::string> adapters = Adapters();
  if (std::all_of(adapters.begin(), adapters.end(),
                  [&](const std::string& name) { return Numbered(table, name); })) {
    return table;
  }
  if (path.empty()) {
    NumberNew(table, adapters);
    return table;
  }
  const std::string dir = path.substr(0, path.find_last_of('/') + 1);
  if (!Exists(dir)) {
    // The user's own table: its folder is made on first use.
    for (size_t slash = dir.find('/', 1); slash != std::string::npos;
         slash = dir.find('/', slash + 1)) {
      mkdir(dir.substr(0, slash).c_str(), 0755);
    }
  }
  const TableLock lock(path, wait);
  table = Current(path);
  if (NumberNew(table, adapters) && lock.Held()) WriteTable(path, table);
  return table;
}

std::string DeviceIn(const Table& table, int n) {
  if (auto link = DosDeviceLink(n)) return *link;
  if (auto entry = table.find(n); entry != table.end()) return SerialDir() + "/" + entry->second;
  return "/dev/ttyS" + std::to_string(n - 1);
}

}  // namespace

std::string DeviceOf(int n, std::chrono::milliseconds wait) {
  // A port the table or a link already gives needs no numbering, nor its
  // lock.
  const Table table = Current(TablePath());
  if (table.count(n) != 0 || DosDeviceLink(n)) return DeviceIn(table, n);
  return DeviceIn(Assignments(wait), n);
}

int OpenDevice(const std::string& device) {
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  const auto fail = [fd](int error) {
    close(fd);
    errno = error;
    return -1;
  };
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) == kBuiltInMajor &&
      minor(st.st_rdev) >= kBuiltInFirstMinor &&
      UartType(minor(st.st_rdev) - kBuiltInFirstMinor, fd) == PORT_UNKNOWN) {
    return fail(ENODEV);
  }
  // No sharing: a second opening, from this process or another, is refused
  // while this one lasts.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
  if (isatty(fd)) ioctl(fd, TIOCEXCL);
  return fd;
}

void CloseDevice(int fd) {
  // The exclusive mode outlives the descriptor on a terminal whose other
  // side stays open: left set, it would keep every other user but root out.
  if (isatty(fd)) ioctl(fd, TIOCNXCL);
  close(fd);
}

std::vector<Port> List(std::chrono::milliseconds wait) {
  const Table table = Assignments(wait);
  const std::vector<std::string> adapters = Adapters();
  std::map<std::string, std::string> adapterOfDevice;
  for (const std::string& name : adapters) adapterOfDevice[RealPath(SerialDir() + "/" + name)] = name;
  std::vector<Port> ports;
  for (int n = kFirstPort; n <= kLastPort; ++n) {
    const std::string device = DeviceIn(table, n);
    const bool builtIn = !DosDeviceLink(n) && table.count(n) == 0;
    if (builtIn ? !BuiltInPortThere(static_cast<unsigned>(n - 1)) : !Exists(device)) continue;
    const std::string real = RealPath(device);
    const auto adapter = adapterOfDevice.find(real);
    ports.push_back({n, real, adapter != adapterOfDevice.end() ? adapter->second : ""});
  }
  return ports;
}

OpenProblem TryOpen(int n, std::chrono::milliseconds wait) {
  OpenProblem problem;
  try {
    problem.device = DeviceOf(n, wait);
  } catch (const TableError& error) {
    problem.error = EIO;
    problem.table = error.what();
    return problem;
  }
  const int fd = OpenDevice(problem.device);
  if (fd >= 0) {
    CloseDevice(fd);
    return problem;
  }
  problem.error = errno;
  if (!LacksRights(problem)) return problem;
  // Only a group the device gives reading and writing to is worth joining;
  // root's group never is.
  struct stat st {};
  const bool groupMayOpen =
      stat(problem.device.c_str(), &st) == 0 && (st.st_mode & 060) == 060 && st.st_gid != 0;
  const group* owner = groupMayOpen ? getgrgid(st.st_gid) : nullptr;
  if (owner != nullptr) problem.group = owner->gr_name;
  const passwd* user = getpwuid(geteuid());
  if (user == nullptr) return problem;
  problem.user = user->pw_name;
  int count = 64;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  if (getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
    groups.resize(static_cast<size_t>(count));
    getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count);
  }
  groups.resize(static_cast<size_t>(std::max(count, 0)));
  problem.userInGroup =
      owner != nullptr && std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();
  return problem;
}

bool LacksRights(const OpenProblem& problem) {
  return problem.error == EACCES || problem.error == EPERM;
}

}  // namespace sigra::link::ports
