// The serial calls on POSIX. A handle points at a PosixPort that holds the
// descriptor; port names resolve as serial_ports.h describes.
// Transfers are non-blocking reads and writes; a pending one waits for the
// port in one blocking call that lasts up to the port's timeout and that the
// abort event also ends.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "link/os_serial.h"
#include "link/posix/custom_baud.h"
#include "link/posix/event_wait.h"
#include "link/posix/serial_ports.h"

namespace sigra::link::os {
namespace {

using Clock = std::chrono::steady_clock;

thread_local uint32_t t_lastError = 0;

uint32_t FromErrno(int error) {
  switch (error) {
    case 0:
      return 0;
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
      return kErrorAccessDenied;
    case EBADF:
      return kErrorInvalidHandle;
    case ENOTTY:
    case EINVAL:
      return kErrorBadCommand;
    default:
      return kErrorGenFailure;
  }
}

bool Fail() {
  t_lastError = FromErrno(errno);
  return false;
}

struct PosixPort {
  int fd = -1;
  std::string device;
  uint32_t extraFlags = 0;  // DCB flags termios cannot hold, kept for read-back
  uint32_t eventMask = 0;
  std::optional<serial_icounter_struct> reportedCounts;
};

PosixPort* Port(Handle h) {
  return static_cast<PosixPort*>(h);
}

// The driver timeouts belong to the device, not to one opening of it, as on
// Windows: a later opening finds what the previous one left.
std::mutex g_timeoutsMutex;
std::map<std::string, CommTimeouts> g_timeouts;

std::optional<int> ComNumber(const std::string& name) {
  if (name.size() < 4) return std::nullopt;
  std::string prefix = name.substr(0, 3);
  std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (prefix != "com") return std::nullopt;
  int n = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i])) || n > 100000) return std::nullopt;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

// How long the opening on this thread may wait for the port table's lock.
thread_local std::chrono::milliseconds t_openWait = ports::kDefaultTableWait;

// The device a port name stands for; nullopt, with errno set, when the port
// table cannot tell.
std::optional<std::string> ResolveDevice(const std::string& name, std::chrono::milliseconds wait) {
  std::optional<int> n = ComNumber(name);
  if (!n) return name;
  try {
    return ports::DeviceOf(*n, wait);
  } catch (const ports::TableError&) {
    errno = EIO;
    return std::nullopt;
  }
}

std::string StripPrefix(const std::string& path) {
  for (const char* prefix : {"\\\\.\\", "\\\\tsclient\\"}) {
    std::string p(prefix);
    if (path.rfind(p, 0) == 0) return path.substr(p.size());
  }
  return path;
}

struct SpeedCode {
  uint32_t baud;
  speed_t code;
};
constexpr SpeedCode kSpeeds[] = {{1200, B1200},   {2400, B2400},    {4800, B4800},
                                 {9600, B9600},   {19200, B19200},  {38400, B38400},
                                 {57600, B57600}, {115200, B115200}};

bool Counts(const PosixPort& port, serial_icounter_struct& counts) {
  return ioctl(port.fd, TIOCGICOUNT, &counts) == 0;
}

uint32_t ErrorsBetween(const serial_icounter_struct& a, const serial_icounter_struct& b) {
  uint32_t errors = 0;
  if (a.brk != b.brk) errors |= kCeBreak;
  if (a.frame != b.frame) errors |= kCeFrame;
  if (a.overrun != b.overrun) errors |= kCeOverrun;
  if (a.buf_overrun != b.buf_overrun) errors |= kCeRxOver;
  if (a.parity != b.parity) errors |= kCeRxParity;
  return errors;
}

// A pseudo-terminal takes every line setting but parity, which it drops
// silently; the C library then fails the setting with EINVAL, although the
// line is set as far as such a device can be. That counts as success.
bool OnlyParityDropped(int fd, const termios& wanted) {
  if (errno != EINVAL) return false;
  termios now{};
  if (tcgetattr(fd, &now) != 0) return false;
  const tcflag_t parity = PARENB | PARODD;
  return (now.c_cflag & ~parity) == (wanted.c_cflag & ~parity) && now.c_iflag == wanted.c_iflag;
}

CommTimeouts TimeoutsOf(const PosixPort& port) {
  std::lock_guard lock(g_timeoutsMutex);
  return g_timeouts[port.device];
}

class PosixOverlapped final : public Overlapped {
 public:
  explicit PosixOverlapped(PosixPort* port) : port_(port) {}
  bool EventCreated() const override { return true; }

  IoStart StartWrite(const uint8_t* byte, uint32_t& count) override {
    writing_ = true;
    writeByte_ = *byte;
    return Start(TimeoutsOf(*port_).WriteTotalTimeoutConstant, false, count);
  }

  IoStart StartRead(uint8_t* byte, uint32_t& count) override {
    writing_ = false;
    readByte_ = byte;
    const CommTimeouts t = TimeoutsOf(*port_);
    bool immediate = t.ReadIntervalTimeout == kMaxDword && t.ReadTotalTimeoutConstant == 0 &&
                     t.ReadTotalTimeoutMultiplier == 0;
    return Start(t.ReadTotalTimeoutConstant, immediate, count);
  }

  IoWait WaitOrAbort(const Event& abort) override {
    if (draining_) return WaitUntilSent(abort);
    for (;;) {
      short revents = 0;
      switch (WaitForFdOrEvent(port_->fd, writing_ ? POLLOUT : POLLIN, revents, abort, deadline_)) {
        case FdWait::EventSet:
          return IoWait::Aborted;
        case FdWait::Timeout:
          return Complete(0, true);
        case FdWait::Failed:
          Fail();
          return IoWait::Failed;
        case FdWait::Ready:
          break;
      }
      ssize_t n = Transfer();
      if (n == 1 && writing_ && Unsent() > 0) {
        draining_ = true;
        return WaitUntilSent(abort);
      }
      if (n == 1) return Complete(1, true);
      if (n < 0 && errno != EAGAIN) return Complete(0, Fail());
      if (n == 0 && (revents & (POLLHUP | POLLERR)) != 0) {
        errno = EIO;
        return Complete(0, Fail());
      }
    }
  }

  bool Result(uint32_t& count) override {
    count = count_;
    return ok_;
  }
  bool CloseEvent() override { return true; }

 private:
  ssize_t Transfer() {
    return writing_ ? write(port_->fd, &writeByte_, 1) : read(port_->fd, readByte_, 1);
  }

  IoWait Complete(uint32_t count, bool ok) {
    if (ok) t_lastError = 0;
    count_ = count;
    ok_ = ok;
    return IoWait::Completed;
  }

  // Bytes still in the port's transmit queue. A written byte counts as sent
  // only once it has left it, as a completed write on Windows has: the purge
  // before the next sequence must not find it there and discard it. A
  // pseudo-terminal hands bytes over at once and reports none.
  int Unsent() const {
    int queued = 0;
    return ioctl(port_->fd, TIOCOUTQ, &queued) == 0 ? queued : 0;
  }

  IoWait WaitUntilSent(const Event& abort) {
    while (Unsent() > 0) {
      if (abort.IsSet()) return IoWait::Aborted;
      if (deadline_ && Clock::now() >= *deadline_) return Complete(0, true);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return Complete(1, true);
  }

  IoStart Start(uint32_t totalMs, bool immediate, uint32_t& count) {
    if (totalMs != 0) deadline_ = Clock::now() + std::chrono::milliseconds(totalMs);
    ssize_t n = Transfer();
    if (n == 1 && writing_ && Unsent() > 0) {
      draining_ = true;
      t_lastError = kErrorIoPending;
      return IoStart::Pending;
    }
    if (n == 1 || (immediate && (n == 0 || (n < 0 && errno == EAGAIN)))) {
      count = n == 1 ? 1 : 0;
      return IoStart::Completed;
    }
    if (n < 0 && errno != EAGAIN) {
      Fail();
      return IoStart::Failed;
    }
    t_lastError = kErrorIoPending;
    return IoStart::Pending;
  }

  PosixPort* port_;
  bool writing_ = false;
  bool draining_ = false;
  uint8_t writeByte_ = 0;
  uint8_t* readByte_ = nullptr;
  std::optional<Clock::time_point> deadline_;
  uint32_t count_ = 0;
  bool ok_ = false;
};

// Line errors show as changes of the kernel's error counters, polled between
// short waits for the stop event. Devices without counters (a pseudo-terminal)
// fail the wait at once, and the event thread then ends its loop.
constexpr uint32_t kErrorCheckMs = 20;

class PosixCommEventWait final : public CommEventWait {
 public:
  explicit PosixCommEventWait(PosixPort* port) : port_(port) {}

  bool Start(uint32_t& mask) override {
    mask_ = &mask;
    mask = 0;
    supported_ = Counts(*port_, baseline_);
    if (!supported_) Fail();
    return supported_;
  }

  int WaitOrStop(const Event& stop) override {
    if (!supported_) return 1;
    for (;;) {
      int woken = WaitForAny({&stop}, kErrorCheckMs);
      if (woken == 0) return 0;
      if (woken == kWaitFailed) return kWaitFailed;
      serial_icounter_struct now{};
      if (!Counts(*port_, now)) {
        supported_ = false;
        Fail();
        return 1;
      }
      uint32_t errors = ErrorsBetween(baseline_, now);
      uint32_t events = 0;
      if ((errors & kCeBreak) != 0) events |= kEvBreak;
      if ((errors & ~kCeBreak) != 0) events |= kEvErr;
      events &= port_->eventMask;
      if (events != 0) {
        *mask_ = events;
        return 1;
      }
    }
  }

  bool Result() override { return supported_; }

 private:
  PosixPort* port_;
  uint32_t* mask_ = nullptr;
  bool supported_ = false;
  serial_icounter_struct baseline_{};
};

}  // namespace

Handle InvalidHandle() {
  return reinterpret_cast<Handle>(~uintptr_t{0});
}

uint32_t LastError() {
  return t_lastError;
}
void SetLastError(uint32_t code) {
  t_lastError = code;
}

bool QueryDosDevice(const std::string& deviceName, std::string& target) {
  // Only asked before the opening, which does the waiting for the port
  // table's lock.
  const std::optional<std::string> device = ResolveDevice(deviceName, std::chrono::milliseconds(0));
  target = device.value_or("");
  return device.has_value() || Fail();
}

void SetOpenWait(uint32_t milliseconds) {
  t_openWait = std::chrono::milliseconds(milliseconds);
}

Handle CreateFile(const std::string& path, bool) {
  const std::optional<std::string> resolved = ResolveDevice(StripPrefix(path), t_openWait);
  if (!resolved) {
    Fail();
    return InvalidHandle();
  }
  const std::string& device = *resolved;
  const int fd = ports::OpenDevice(device);
  if (fd < 0) {
    Fail();
    return InvalidHandle();
  }
  auto* port = new PosixPort;
  port->fd = fd;
  port->device = device;
  return port;
}

bool IsCharacterDevice(Handle h) {
  struct stat st {};
  if (fstat(Port(h)->fd, &st) != 0) return Fail();
  if (S_ISCHR(st.st_mode)) return true;
  t_lastError = kErrorInvalidHandle;
  return false;
}

bool CloseHandle(Handle h) {
  if (h == InvalidHandle() || h == nullptr) {
    t_lastError = kErrorInvalidHandle;
    return false;
  }
  PosixPort* port = Port(h);
  ports::CloseDevice(port->fd);
  delete port;
  return true;
}

bool GetCommState(Handle h, Dcb& dcb) {
  termios tio{};
  if (tcgetattr(Port(h)->fd, &tio) != 0) return Fail();
  dcb.BaudRate = 0;
  speed_t speed = cfgetospeed(&tio);
  for (const SpeedCode& s : kSpeeds) {
    if (s.code == speed) dcb.BaudRate = s.baud;
  }
  if (dcb.BaudRate == 0) dcb.BaudRate = CustomBaudRate(Port(h)->fd);
  switch (tio.c_cflag & CSIZE) {
    case CS5:
      dcb.ByteSize = 5;
      break;
    case CS6:
      dcb.ByteSize = 6;
      break;
    case CS7:
      dcb.ByteSize = 7;
      break;
    default:
      dcb.ByteSize = 8;
  }
  dcb.Parity = (tio.c_cflag & PARENB) == 0 ? 0 : (tio.c_cflag & PARODD) != 0 ? 1 : kEvenParity;
  dcb.StopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : kOneStopBit;
  dcb.Flags = Port(h)->extraFlags | dcb::kBinary;
  if ((tio.c_cflag & CRTSCTS) != 0) dcb.Flags |= dcb::kOutxCtsFlow;
  if ((tio.c_iflag & IXON) != 0) dcb.Flags |= dcb::kOutX;
  if ((tio.c_iflag & IXOFF) != 0) dcb.Flags |= dcb::kInX;
  if (dcb.Parity != 0) dcb.Flags |= dcb::kParity;
  return true;
}

bool SetCommState(Handle h, const Dcb& dcb) {
  PosixPort* port = Port(h);
  termios tio{};
  if (tcgetattr(port->fd, &tio) != 0) return Fail();
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  tio.c_cflag |= dcb.ByteSize == 5 ? CS5 : dcb.ByteSize == 6 ? CS6 : dcb.ByteSize == 7 ? CS7 : CS8;
  if (dcb.Parity == 1 || dcb.Parity == kEvenParity) {
    tio.c_cflag |= PARENB;
    tio.c_iflag |= INPCK;
    if (dcb.Parity == 1) tio.c_cflag |= PARODD;
  }
  if (dcb.StopBits != kOneStopBit) tio.c_cflag |= CSTOPB;
  // Output waits for CTS; termios ties RTS to the same setting.
  if ((dcb.Flags & dcb::kOutxCtsFlow) != 0) tio.c_cflag |= CRTSCTS;
  if ((dcb.Flags & dcb::kOutX) != 0) tio.c_iflag |= IXON;
  if ((dcb.Flags & dcb::kInX) != 0) tio.c_iflag |= IXOFF;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  bool standard = false;
  for (const SpeedCode& s : kSpeeds) {
    if (s.baud == dcb.BaudRate) {
      cfsetspeed(&tio, s.code);
      standard = true;
    }
  }
  if (tcsetattr(port->fd, TCSANOW, &tio) != 0 && !OnlyParityDropped(port->fd, tio)) return Fail();
  if (!standard && !SetCustomBaudRate(port->fd, dcb.BaudRate)) return Fail();
  port->extraFlags = dcb.Flags & ~(dcb::kOutxCtsFlow | dcb::kOutX | dcb::kInX | dcb::kParity);
  return true;
}

bool GetCommConfig(Handle h, CommConfig& config) {
  return GetCommState(h, config.LineSettings);
}

bool SetupComm(Handle h, uint32_t, uint32_t) {
  return fcntl(Port(h)->fd, F_GETFL) >= 0 || Fail();
}

bool GetCommTimeouts(Handle h, CommTimeouts& timeouts) {
  timeouts = TimeoutsOf(*Port(h));
  return true;
}

bool SetCommTimeouts(Handle h, const CommTimeouts& timeouts) {
  std::lock_guard lock(g_timeoutsMutex);
  g_timeouts[Port(h)->device] = timeouts;
  return true;
}

bool SetCommMask(Handle h, uint32_t mask) {
  Port(h)->eventMask = mask;
  return true;
}

bool ClearCommError(Handle h, uint32_t& errors, ComStat& status) {
  PosixPort* port = Port(h);
  errors = 0;
  status = ComStat{};
  int queued = 0;
  if (ioctl(port->fd, FIONREAD, &queued) == 0) status.InQueue = static_cast<uint32_t>(queued);
  if (ioctl(port->fd, TIOCOUTQ, &queued) == 0) status.OutQueue = static_cast<uint32_t>(queued);
  serial_icounter_struct now{};
  if (!Counts(*port, now)) return true;
  if (port->reportedCounts) errors = ErrorsBetween(*port->reportedCounts, now);
  port->reportedCounts = now;
  return true;
}

bool PurgeComm(Handle h, uint32_t flags) {
  bool rx = (flags & (kPurgeRxAbort | kPurgeRxClear)) != 0;
  // Written bytes have left the transmit queue before their write completed,
  // so only bytes of a write that timed out can be waiting there. On a
  // pseudo-terminal the queue is the line itself: flushing it would drop bytes
  // the printer has not read yet.
  int unsent = 0;
  bool tx = (flags & (kPurgeTxAbort | kPurgeTxClear)) != 0 &&
            ioctl(Port(h)->fd, TIOCOUTQ, &unsent) == 0 && unsent > 0;
  if (!rx && !tx) return true;
  int queue = rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH;
  return tcflush(Port(h)->fd, queue) == 0 || Fail();
}

bool RaiseProcessPriority() {
  setpriority(PRIO_PROCESS, 0, -10);
  return true;
}

std::unique_ptr<Overlapped> CreateOverlapped(Handle h) {
  return std::make_unique<PosixOverlapped>(Port(h));
}

std::unique_ptr<CommEventWait> CreateCommEventWait(Handle h) {
  return std::make_unique<PosixCommEventWait>(Port(h));
}

}  // namespace sigra::link::os
