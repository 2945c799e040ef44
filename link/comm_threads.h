// The two port threads and the byte rendezvous. The worker alone writes and
// reads the port, one byte per request; SendByte and ReceiveByte post a request
// from the caller's thread and wait for the worker to be idle again. Every wait
// is without limit: the port's timeouts end a transfer, and the abort event set
// when the port closes releases every waiter.
#ifndef SIGRA_LINK_COMM_THREADS_H
#define SIGRA_LINK_COMM_THREADS_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "link/os_event.h"
#include "link/os_serial.h"
#include "link/thread.h"

namespace sigra::link {

// Manual-reset events of the rendezvous. AbortEvent is created by each port
// opening and set by its closing; the others by the worker when it starts.
// They live as long as the process: the port threads may still wait on them
// while a program ends without closing the port.
extern std::unique_ptr<os::Event>& WorkerIdleEvent;
extern std::unique_ptr<os::Event>& WriteRequestEvent;
extern std::unique_ptr<os::Event>& ReadRequestEvent;
extern std::unique_ptr<os::Event>& AbortEvent;

extern uint8_t ByteToSend;
extern uint8_t ByteReceived;
// Set by the worker as a transfer ends and cleared by the caller as it posts
// the next; atomic, since a transfer ended by the port's closing may still be
// finishing on the worker while its caller has returned and goes on.
extern std::atomic<uint8_t> TransferFailed;

// What both port threads share: the port they serve, and a stop event made
// before the thread runs, so that a Stop coming before Execute has started
// still ends the thread.
class TPortThread : public TThread {
 public:
  void Stop();

 protected:
  explicit TPortThread(os::Handle port);

  os::Handle Port;
  std::unique_ptr<os::Event> StopEvent;
};

class TZdarzeniaCommThread : public TPortThread {
 public:
  using Handler = std::function<void(void* sender, uint32_t mask)>;
  // The handler is given before the thread runs, which may call it at once.
  TZdarzeniaCommThread(os::Handle port, uint16_t eventSet, Handler onEvent);
  ~TZdarzeniaCommThread() override;

 protected:
  void Execute() override;
  virtual void DoEvent();

 private:
  uint32_t EventMask = 0;
  Handler OnEvent;
};

class TZapisOdczytThread : public TPortThread {
 public:
  explicit TZapisOdczytThread(os::Handle port);
  ~TZapisOdczytThread() override;

 protected:
  void Execute() override;
  virtual void DoWrite();
  virtual void DoRead();
};

// Gives the port opening a fresh AbortEvent; false when the system has none.
bool RenewAbortEvent();
// Sets AbortEvent from any thread, also while another one opens or closes the
// port: the transfer pending on the worker and its caller end at once, and
// every transfer after it fails at once until the port is opened again.
void AbortTransfers() noexcept;

bool SendByte(uint8_t value);
bool ReceiveByte(uint8_t& value);
bool IsTransferFailed();

}  // namespace sigra::link

#endif
