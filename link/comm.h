// The serial port object: opens a COM port with the printer's line format
// (8 data bits, even parity, one stop bit, output waiting for CTS), sets its
// queues and timeouts, owns the two port threads, purges the queues and moves
// single bytes for the worker thread. Failures never raise: each is recorded
// with its message and system code through ReportCommError.
#ifndef SIGRA_LINK_COMM_H
#define SIGRA_LINK_COMM_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "link/os_serial.h"
#include "link/win_defs.h"

namespace sigra::link {

class TZdarzeniaCommThread;
class TZapisOdczytThread;

class TComm {
 public:
  TComm();
  virtual ~TComm();
  TComm(const TComm&) = delete;
  TComm& operator=(const TComm&) = delete;

  int32_t SetParameters(uint8_t portNumber, int32_t baud, uint16_t writeSeconds,
                        uint16_t readSeconds);
  int32_t Open();
  int32_t Close();
  bool IsOpen() const { return Handle != os::InvalidHandle(); }

  virtual int32_t OpenDevice();
  void CloseDevice();
  int32_t ApplyLineSettings();
  static void SetHandshake(Dcb& dcb);
  int32_t SetTimeouts(uint16_t writeSeconds, uint16_t readSeconds);
  int32_t ClearOutput();
  int32_t ClearInput();

  // Run on the worker thread only.
  uint32_t WriteBytes(const uint8_t* buffer);
  uint32_t ReadBytes(uint8_t* buffer, uint32_t count);

  // Run on the main thread, through the event thread's synchronisation.
  void OnCommEvent(void* sender, uint32_t mask);
  virtual void HandleLineEvent(uint32_t eventBit);

  os::Handle Handle;
  Dcb LineSettings;
  ComStat LineStatus;
  std::string PortName = "Comm2";
  // The number in PortName, to open the same port again.
  uint8_t PortNumber = 0;
  CommConfig PortConfig;
  CommTimeouts SavedTimeouts;
  CommTimeouts Timeouts;
  std::unique_ptr<TZdarzeniaCommThread> EventThread;
  std::unique_ptr<TZapisOdczytThread> WorkerThread;
  uint16_t EventSet = 0x1FF;
  uint32_t LineErrors = 0;
  int32_t BaudRate = 0;
  uint32_t Parity = kEvenParity;
  uint32_t StopBits = kOneStopBit;
  uint32_t ByteSize = 8;
  uint32_t InputBufferSize = 4096;
  uint32_t OutputBufferSize = 2048;
  uint16_t WriteTimeout = 0;
  uint16_t ReadTimeout = 0;

 private:
  uint32_t Transfer(bool writing, uint8_t* buffer);
};

// The one port object of the process.
// Like the other process-wide state of the link it is never destroyed: a
// program may end with the port still open, its threads still waiting.
extern std::unique_ptr<TComm>& PortObject;

// The last failure of the serial layer. The code is what later command
// sequences consult; the text is kept for diagnosis and never shown. The
// worker thread reports as well as the caller's thread (a transfer ended by
// the port's closing, for one), so the record is safe to share: the code is
// atomic, and the text is read as a copy under the lock it is written with.
extern std::atomic<int32_t> LastCommErrorCode;
std::string LastCommErrorText();

void ReportCommError(const std::string& text, int32_t code);
// Records a port that does not exist, as a failed opening of one does, and
// returns that failure's system code (2).
int32_t ReportNoSuchPort();

// Operations on PortObject; without a port object they succeed and do nothing.
int32_t PurgePrinterPort();
int32_t ClosePrinterPort();
bool SetPortTimeouts(uint16_t writeSeconds, uint16_t readSeconds);

}  // namespace sigra::link

#endif
