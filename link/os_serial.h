// The operating-system calls the serial port object makes, shaped after the
// Win32 communications interface. The port object holds the sequence of steps
// and the messages; each platform supplies only these calls.
#ifndef SIGRA_LINK_OS_SERIAL_H
#define SIGRA_LINK_OS_SERIAL_H

#include <cstdint>
#include <memory>
#include <string>

#include "link/os_event.h"
#include "link/win_defs.h"

namespace sigra::link::os {

using Handle = void*;
Handle InvalidHandle();

uint32_t LastError();
void SetLastError(uint32_t code);

// The device a DOS device name such as "Com1" stands for; false when unknown.
bool QueryDosDevice(const std::string& deviceName, std::string& target);
// Opens "\\.\Com1" or "\\tsclient\Com1" for reading and writing without
// sharing; overlapped selects asynchronous transfers. InvalidHandle() and
// LastError() on failure.
Handle CreateFile(const std::string& path, bool overlapped);
// How long the next openings on this thread may wait while another program
// numbers a new USB serial adapter; nothing to wait for on Windows.
void SetOpenWait(uint32_t milliseconds);
bool IsCharacterDevice(Handle h);
bool CloseHandle(Handle h);

bool GetCommState(Handle h, Dcb& dcb);
bool SetCommState(Handle h, const Dcb& dcb);
bool GetCommConfig(Handle h, CommConfig& config);
bool SetupComm(Handle h, uint32_t inQueue, uint32_t outQueue);
bool GetCommTimeouts(Handle h, CommTimeouts& timeouts);
bool SetCommTimeouts(Handle h, const CommTimeouts& timeouts);
bool SetCommMask(Handle h, uint32_t mask);
bool ClearCommError(Handle h, uint32_t& errors, ComStat& status);
bool PurgeComm(Handle h, uint32_t flags);

// Raises the process to the high priority class; false when the process
// cannot be opened for that.
bool RaiseProcessPriority();

enum class IoStart { Completed, Pending, Failed };
enum class IoWait { Completed, Aborted, Failed, Timeout, Other };

// One overlapped transfer of a single byte, with its own completion event.
// A timed-out transfer completes with zero bytes, as the port's timeouts say.
class Overlapped {
 public:
  virtual ~Overlapped() = default;
  virtual bool EventCreated() const = 0;
  // Starts the transfer; Completed sets count, Failed leaves LastError().
  virtual IoStart StartWrite(const uint8_t* byte, uint32_t& count) = 0;
  virtual IoStart StartRead(uint8_t* byte, uint32_t& count) = 0;
  // Waits without limit for the pending transfer or for abort.
  virtual IoWait WaitOrAbort(const Event& abort) = 0;
  // The outcome of a completed transfer (waiting for it to finish).
  virtual bool Result(uint32_t& count) = 0;
  virtual bool CloseEvent() = 0;
};
std::unique_ptr<Overlapped> CreateOverlapped(Handle h);

// The overlapped comm-event wait of the event thread.
class CommEventWait {
 public:
  virtual ~CommEventWait() = default;
  virtual bool Start(uint32_t& mask) = 0;
  // 0 when stop was set, 1 when the comm-event wait completed, kWaitFailed.
  virtual int WaitOrStop(const Event& stop) = 0;
  // The outcome of the completed wait, without waiting.
  virtual bool Result() = 0;
};
std::unique_ptr<CommEventWait> CreateCommEventWait(Handle h);

}  // namespace sigra::link::os

#endif
