// The serial calls on Windows: the Win32 communications interface itself,
// with the port opened for overlapped transfers.
//
// Besides passing the calls through, this layer makes sure that no transfer
// or comm-event wait is left running on memory that is about to be released:
// a transfer ended by the abort event, and a comm-event wait ended by the stop
// event, are cancelled and waited for before their OVERLAPPED goes away.
//
// Some serial drivers (Wine's on a pseudo-terminal among them) deviate in ways
// that would otherwise stall or poison the link; each is mapped onto what the
// Windows serial driver does:
// - a read that times out may fail with ERROR_TIMEOUT instead of completing
//   with zero bytes; it is the timeout it says it is, and leaves no error;
// - a read may stay pending under timeouts that ask it to return at once; it
//   is cancelled and completes with what arrived meanwhile;
// - a line setting may fail as a whole when only the parity, which the
//   device cannot do, was not taken; the line is set as far as it can be;
// - a comm-event wait may not end when cancelled; changing the event mask
//   ends it, as on every driver;
// - clearing the transmit queue may drop bytes of writes that completed; it is
//   cleared only when bytes are reported waiting there.
#include <cstddef>
#include <cstring>

#include "link/os_serial.h"
#include "link/win32/windows_api.h"

namespace sigra::link::os {
namespace {

// The DCB's bit-field word lies between BaudRate and wReserved.
constexpr size_t kDcbFlagsOffset = offsetof(DCB, BaudRate) + sizeof(DWORD);
static_assert(offsetof(DCB, wReserved) == kDcbFlagsOffset + sizeof(DWORD));
static_assert(offsetof(COMSTAT, cbInQue) == sizeof(DWORD));

Dcb FromNative(const DCB& native) {
  Dcb dcb;
  dcb.BaudRate = native.BaudRate;
  std::memcpy(&dcb.Flags, reinterpret_cast<const char*>(&native) + kDcbFlagsOffset,
              sizeof dcb.Flags);
  dcb.XonLim = native.XonLim;
  dcb.XoffLim = native.XoffLim;
  dcb.ByteSize = native.ByteSize;
  dcb.Parity = native.Parity;
  dcb.StopBits = native.StopBits;
  dcb.XonChar = native.XonChar;
  dcb.XoffChar = native.XoffChar;
  dcb.ErrorChar = native.ErrorChar;
  dcb.EofChar = native.EofChar;
  dcb.EvtChar = native.EvtChar;
  return dcb;
}

DCB ToNative(const Dcb& dcb) {
  DCB native{};
  native.DCBlength = sizeof native;
  native.BaudRate = dcb.BaudRate;
  std::memcpy(reinterpret_cast<char*>(&native) + kDcbFlagsOffset, &dcb.Flags, sizeof dcb.Flags);
  native.XonLim = dcb.XonLim;
  native.XoffLim = dcb.XoffLim;
  native.ByteSize = dcb.ByteSize;
  native.Parity = dcb.Parity;
  native.StopBits = dcb.StopBits;
  native.XonChar = dcb.XonChar;
  native.XoffChar = dcb.XoffChar;
  native.ErrorChar = dcb.ErrorChar;
  native.EofChar = dcb.EofChar;
  native.EvtChar = dcb.EvtChar;
  return native;
}

// Whether the port took every line setting of wanted but its parity, which a
// device without parity (a pseudo-terminal) drops; its driver may then fail
// the whole setting although the line is set as far as the device can be.
bool OnlyParityDropped(HANDLE port, const DCB& wanted) {
  DCB now{};
  now.DCBlength = sizeof now;
  if (!::GetCommState(port, &now)) return false;
  return wanted.Parity != NOPARITY && now.Parity == NOPARITY && now.BaudRate == wanted.BaudRate &&
         now.ByteSize == wanted.ByteSize && now.StopBits == wanted.StopBits;
}

// Whether the port reports no byte waiting to be sent. A write completes
// only once its bytes have left the transmit queue, so what a purge of that
// queue is for, the bytes of a write that timed out, is then not there; and
// some drivers (Wine's on a pseudo-terminal) drop bytes of completed writes
// that the device has not yet taken when told to clear it.
bool NothingQueuedToSend(HANDLE port) {
  DWORD errors = 0;
  COMSTAT status{};
  return ::ClearCommError(port, &errors, &status) && status.cbOutQue == 0;
}

// Waits for a started operation to end after cancelling it; the operation
// may have completed meanwhile. Returns the bytes it moved.
DWORD CancelAndWait(HANDLE port, OVERLAPPED& overlapped) {
  ::CancelIo(port);
  DWORD moved = 0;
  ::GetOverlappedResult(port, &overlapped, &moved, TRUE);
  return moved;
}

class Win32Overlapped final : public Overlapped {
 public:
  explicit Win32Overlapped(HANDLE port) : port_(port) {
    overlapped_.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  ~Win32Overlapped() override { CloseEvent(); }
  Win32Overlapped(const Win32Overlapped&) = delete;
  Win32Overlapped& operator=(const Win32Overlapped&) = delete;

  bool EventCreated() const override { return overlapped_.hEvent != nullptr; }

  IoStart StartWrite(const uint8_t* byte, uint32_t& count) override {
    DWORD moved = 0;
    if (::WriteFile(port_, byte, 1, &moved, &overlapped_)) {
      count = moved;
      return IoStart::Completed;
    }
    return Started();
  }

  IoStart StartRead(uint8_t* byte, uint32_t& count) override {
    DWORD moved = 0;
    if (::ReadFile(port_, byte, 1, &moved, &overlapped_)) {
      count = moved;
      return IoStart::Completed;
    }
    const IoStart start = Started();
    if (start == IoStart::Pending && ReadsReturnAtOnce()) {
      count = CancelAndWait(port_, overlapped_);
      pending_ = false;
      ::SetLastError(0);
      return IoStart::Completed;
    }
    return start;
  }

  IoWait WaitOrAbort(const Event& abort) override {
    const HANDLE handles[] = {overlapped_.hEvent, NativeEvent(abort)};
    switch (::WaitForMultipleObjects(2, handles, FALSE, INFINITE)) {
      case WAIT_OBJECT_0:
        return IoWait::Completed;
      case WAIT_OBJECT_0 + 1:
        return IoWait::Aborted;
      case WAIT_FAILED:
        return IoWait::Failed;
      case WAIT_TIMEOUT:
        return IoWait::Timeout;
      default:
        return IoWait::Other;
    }
  }

  bool Result(uint32_t& count) override {
    DWORD moved = 0;
    const bool ok = ::GetOverlappedResult(port_, &overlapped_, &moved, TRUE) != FALSE;
    const DWORD error = ok ? 0 : ::GetLastError();
    if (error != ERROR_IO_INCOMPLETE) pending_ = false;
    count = moved;
    if (ok || error == ERROR_TIMEOUT) {
      // A completed transfer, timed out or not, leaves no error behind.
      ::SetLastError(0);
      return true;
    }
    return false;
  }

  bool CloseEvent() override {
    if (pending_) {
      const DWORD error = ::GetLastError();
      CancelAndWait(port_, overlapped_);
      pending_ = false;
      ::SetLastError(error);
    }
    if (overlapped_.hEvent == nullptr) return true;
    const bool closed = ::CloseHandle(overlapped_.hEvent) != FALSE;
    overlapped_.hEvent = nullptr;
    return closed;
  }

 private:
  IoStart Started() {
    if (::GetLastError() != ERROR_IO_PENDING) return IoStart::Failed;
    pending_ = true;
    return IoStart::Pending;
  }

  // Whether the port's timeouts ask a read to return at once with what is
  // already queued.
  bool ReadsReturnAtOnce() const {
    COMMTIMEOUTS timeouts{};
    if (!::GetCommTimeouts(port_, &timeouts)) return false;
    return timeouts.ReadIntervalTimeout == MAXDWORD && timeouts.ReadTotalTimeoutMultiplier == 0 &&
           timeouts.ReadTotalTimeoutConstant == 0;
  }

  HANDLE port_;
  OVERLAPPED overlapped_{};
  bool pending_ = false;
};

class Win32CommEventWait final : public CommEventWait {
 public:
  explicit Win32CommEventWait(HANDLE port) : port_(port) {
    overlapped_.hEvent = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
  }
  ~Win32CommEventWait() override {
    if (state_ == State::Pending) {
      // A new event mask ends a running wait at once; cancelling alone
      // leaves it running on some drivers.
      ::SetCommMask(port_, 0);
      CancelAndWait(port_, overlapped_);
    }
    if (overlapped_.hEvent != nullptr) ::CloseHandle(overlapped_.hEvent);
  }
  Win32CommEventWait(const Win32CommEventWait&) = delete;
  Win32CommEventWait& operator=(const Win32CommEventWait&) = delete;

  // A wait still running from an earlier start goes on serving.
  bool Start(uint32_t& mask) override {
    if (state_ == State::Pending) return true;
    mask_ = &mask;
    state_ = State::Failed;
    if (overlapped_.hEvent == nullptr) {
      ::SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    const HANDLE event = overlapped_.hEvent;
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event;
    // Cleared here so that the signal of an earlier wait cannot pass for the
    // completion of this one.
    ::ResetEvent(event);
    if (::WaitCommEvent(port_, &events_, &overlapped_)) {
      state_ = State::Done;
      *mask_ = events_;
      return true;
    }
    if (::GetLastError() != ERROR_IO_PENDING) return false;
    state_ = State::Pending;
    return true;
  }

  // A wait that ended when it started, well or not, counts as completed; its
  // result tells which.
  int WaitOrStop(const Event& stop) override {
    if (state_ != State::Pending) return 1;
    const HANDLE handles[] = {NativeEvent(stop), overlapped_.hEvent};
    switch (::WaitForMultipleObjects(2, handles, FALSE, INFINITE)) {
      case WAIT_OBJECT_0:
        return 0;
      case WAIT_OBJECT_0 + 1:
        return 1;
      case WAIT_FAILED:
        return kWaitFailed;
      default:
        return kWaitTimeout;
    }
  }

  bool Result() override {
    if (state_ != State::Pending) return state_ == State::Done;
    DWORD unused = 0;
    if (::GetOverlappedResult(port_, &overlapped_, &unused, FALSE)) {
      state_ = State::Done;
      *mask_ = events_;
      return true;
    }
    if (::GetLastError() != ERROR_IO_INCOMPLETE) state_ = State::Failed;
    return false;
  }

 private:
  enum class State { Failed, Pending, Done };

  HANDLE port_;
  OVERLAPPED overlapped_{};
  DWORD events_ = 0;
  uint32_t* mask_ = nullptr;
  State state_ = State::Failed;
};

}  // namespace

Handle InvalidHandle() {
  return INVALID_HANDLE_VALUE;
}

uint32_t LastError() {
  return ::GetLastError();
}

void SetLastError(uint32_t code) {
  ::SetLastError(code);
}

bool QueryDosDevice(const std::string& deviceName, std::string& target) {
  char buffer[255] = {};
  if (::QueryDosDeviceA(deviceName.c_str(), buffer, sizeof buffer) == 0) return false;
  // The answer is a list of zero-terminated names; the first is the target.
  target.assign(buffer, strnlen(buffer, sizeof buffer));
  return true;
}

void SetOpenWait(uint32_t) {}

Handle CreateFile(const std::string& path, bool overlapped) {
  const DWORD flags = (overlapped ? FILE_FLAG_OVERLAPPED : 0) | FILE_ATTRIBUTE_NORMAL;
  return ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags,
                       nullptr);
}

bool IsCharacterDevice(Handle h) {
  return ::GetFileType(h) == FILE_TYPE_CHAR;
}

bool CloseHandle(Handle h) {
  return ::CloseHandle(h) != FALSE;
}

bool GetCommState(Handle h, Dcb& dcb) {
  DCB native{};
  native.DCBlength = sizeof native;
  if (!::GetCommState(h, &native)) return false;
  dcb = FromNative(native);
  return true;
}

bool SetCommState(Handle h, const Dcb& dcb) {
  DCB native = ToNative(dcb);
  if (::SetCommState(h, &native)) return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_INVALID_PARAMETER && OnlyParityDropped(h, native)) return true;
  ::SetLastError(error);
  return false;
}

bool GetCommConfig(Handle h, CommConfig& config) {
  COMMCONFIG native{};
  native.dwSize = sizeof native;
  DWORD size = sizeof native;
  if (!::GetCommConfig(h, &native, &size)) return false;
  config.LineSettings = FromNative(native.dcb);
  return true;
}

bool SetupComm(Handle h, uint32_t inQueue, uint32_t outQueue) {
  return ::SetupComm(h, inQueue, outQueue) != FALSE;
}

bool GetCommTimeouts(Handle h, CommTimeouts& timeouts) {
  COMMTIMEOUTS native{};
  if (!::GetCommTimeouts(h, &native)) return false;
  timeouts.ReadIntervalTimeout = native.ReadIntervalTimeout;
  timeouts.ReadTotalTimeoutMultiplier = native.ReadTotalTimeoutMultiplier;
  timeouts.ReadTotalTimeoutConstant = native.ReadTotalTimeoutConstant;
  timeouts.WriteTotalTimeoutMultiplier = native.WriteTotalTimeoutMultiplier;
  timeouts.WriteTotalTimeoutConstant = native.WriteTotalTimeoutConstant;
  return true;
}

bool SetCommTimeouts(Handle h, const CommTimeouts& timeouts) {
  COMMTIMEOUTS native{};
  native.ReadIntervalTimeout = timeouts.ReadIntervalTimeout;
  native.ReadTotalTimeoutMultiplier = timeouts.ReadTotalTimeoutMultiplier;
  native.ReadTotalTimeoutConstant = timeouts.ReadTotalTimeoutConstant;
  native.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
  native.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
  return ::SetCommTimeouts(h, &native) != FALSE;
}

bool SetCommMask(Handle h, uint32_t mask) {
  return ::SetCommMask(h, mask) != FALSE;
}

bool ClearCommError(Handle h, uint32_t& errors, ComStat& status) {
  DWORD native = 0;
  COMSTAT stat{};
  if (!::ClearCommError(h, &native, &stat)) return false;
  errors = native;
  std::memcpy(&status.Flags, &stat, sizeof status.Flags);
  status.InQueue = stat.cbInQue;
  status.OutQueue = stat.cbOutQue;
  return true;
}

bool PurgeComm(Handle h, uint32_t flags) {
  constexpr uint32_t kTransmit = kPurgeTxAbort | kPurgeTxClear;
  if ((flags & kTransmit) != 0 && NothingQueuedToSend(h)) flags &= ~kTransmit;
  return flags == 0 || ::PurgeComm(h, flags) != FALSE;
}

bool RaiseProcessPriority() {
  const HANDLE process = ::OpenProcess(PROCESS_SET_INFORMATION, TRUE, ::GetCurrentProcessId());
  if (process == nullptr) return false;
  ::SetPriorityClass(process, HIGH_PRIORITY_CLASS);
  ::CloseHandle(process);
  return true;
}

std::unique_ptr<Overlapped> CreateOverlapped(Handle h) {
  return std::make_unique<Win32Overlapped>(h);
}

std::unique_ptr<CommEventWait> CreateCommEventWait(Handle h) {
  return std::make_unique<Win32CommEventWait>(h);
}

}  // namespace sigra::link::os
