#include "link/comm_threads.h"

#include <mutex>

#include "link/comm.h"
#include "link/text_1250.h"
#include "link/win_defs.h"

namespace sigra::link {

std::unique_ptr<os::Event>& WorkerIdleEvent = *new std::unique_ptr<os::Event>();
std::unique_ptr<os::Event>& WriteRequestEvent = *new std::unique_ptr<os::Event>();
std::unique_ptr<os::Event>& ReadRequestEvent = *new std::unique_ptr<os::Event>();
std::unique_ptr<os::Event>& AbortEvent = *new std::unique_ptr<os::Event>();

uint8_t ByteToSend = 0;
uint8_t ByteReceived = 0;
std::atomic<uint8_t> TransferFailed = 0;

namespace {

// Guards the replacing of AbortEvent against a thread that sets it; never
// destroyed, like the events.
std::mutex& AbortEventMutex = *new std::mutex();

void Report(const char* utf8) {
  ReportCommError(Cp1250FromUtf8(utf8), static_cast<int32_t>(os::LastError()));
}

}  // namespace

bool RenewAbortEvent() {
  std::unique_ptr<os::Event> event = os::CreateEvent(false);
  std::lock_guard lock(AbortEventMutex);
  AbortEvent = std::move(event);
  return AbortEvent != nullptr;
}

void AbortTransfers() noexcept {
  try {
    std::lock_guard lock(AbortEventMutex);
    if (AbortEvent) AbortEvent->Set();
  } catch (...) {
    // Without the lock the closing that follows still sets the abort.
  }
}

TPortThread::TPortThread(os::Handle port) : Port(port), StopEvent(os::CreateEvent(false)) {}

void TPortThread::Stop() {
  os::SetLastError(0);
  Terminate();
  if (StopEvent) StopEvent->Set();
}

TZdarzeniaCommThread::TZdarzeniaCommThread(os::Handle port, uint16_t eventSet, Handler onEvent)
    : TPortThread(port), OnEvent(std::move(onEvent)) {
  os::SetLastError(0);
  if (!os::RaiseProcessPriority()) LastCommErrorCode = static_cast<int32_t>(os::LastError());
  SetPriority(ThreadPriority::Highest);
  uint32_t mask = 0;
  for (size_t i = 0; i < kEventKinds.size(); ++i) {
    if ((eventSet & (1u << i)) != 0) mask |= kEventKinds[i];
  }
  os::SetCommMask(Port, mask);
  Resume();
}

TZdarzeniaCommThread::~TZdarzeniaCommThread() {
  Stop();
  WaitFor();
}

void TZdarzeniaCommThread::Execute() {
  os::SetLastError(0);
  auto wait = os::CreateCommEventWait(Port);
  while (!Terminated() && StopEvent) {
    wait->Start(EventMask);
    int woken = wait->WaitOrStop(*StopEvent);
    if (woken == 0) break;
    if (woken == 1) {
      if (!wait->Result()) break;
      Synchronize([this] { DoEvent(); });
    }
  }
  os::PurgeComm(Port, kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear);
}

void TZdarzeniaCommThread::DoEvent() {
  if (OnEvent) OnEvent(this, EventMask);
}

// The rendezvous events are made here, before the worker runs, so that a
// caller arriving right after the port opened always finds them.
TZapisOdczytThread::TZapisOdczytThread(os::Handle port) : TPortThread(port) {
  os::SetLastError(0);
  WorkerIdleEvent = os::CreateEvent(true);
  WriteRequestEvent = os::CreateEvent(false);
  ReadRequestEvent = os::CreateEvent(false);
  if (!WorkerIdleEvent || !StopEvent || !WriteRequestEvent || !ReadRequestEvent) {
    Report("Błąd CreateEvent. ");
    return;
  }
  SetPriority(ThreadPriority::TimeCritical);
  Resume();
}

TZapisOdczytThread::~TZapisOdczytThread() {
  Stop();
  WaitFor();
}

void TZapisOdczytThread::Execute() {
  os::SetLastError(0);
  while (!Terminated()) {
    int woken = os::WaitForAny({StopEvent.get(), WriteRequestEvent.get(), ReadRequestEvent.get()});
    if (woken == 1) {
      WorkerIdleEvent->Reset();
      DoWrite();
    } else if (woken == 2) {
      WorkerIdleEvent->Reset();
      DoRead();
    } else {
      break;
    }
  }
}

void TZapisOdczytThread::DoWrite() {
  if (PortObject) PortObject->WriteBytes(&ByteToSend);
}

void TZapisOdczytThread::DoRead() {
  if (PortObject) PortObject->ReadBytes(&ByteReceived, 1);
}

namespace {

// Steps shared by SendByte and ReceiveByte: post the request once the worker
// is idle, wait for it to be idle again, and leave it idle.
struct Rendezvous {
  const char* abortedBeforePosting;
  const char* otherBeforePosting;
  const char* resetFailed;
  const char* postFailed;
  const char* finalFailed;
};

bool Exchange(const Rendezvous& r, os::Event* request, uint8_t* out, uint8_t value) {
  TransferFailed = 0;
  bool result = false;
  switch (os::WaitForAny({AbortEvent.get(), WorkerIdleEvent.get()})) {
    case os::kWaitFailed:
      Report("Niepoprawny zapis.");
      break;
    case 0:
      Report(r.abortedBeforePosting);
      break;
    case 1:
      if (out == nullptr) ByteToSend = value;
      if (!WorkerIdleEvent->Reset()) {
        Report(r.resetFailed);
        return false;
      }
      if (!request->Set()) {
        Report(r.postFailed);
        return false;
      }
      break;
    default:
      if (r.otherBeforePosting != nullptr) Report(r.otherBeforePosting);
  }
  if (os::WaitForAny({AbortEvent.get(), WorkerIdleEvent.get()}) == 1) {
    result = TransferFailed == 0;
    if (result && out != nullptr) *out = ByteReceived;
  } else {
    Report("Błąd funkcji WaitForMultipleObjects.");
  }
  if (!WorkerIdleEvent || !WorkerIdleEvent->Set()) {
    Report(r.finalFailed);
    result = false;
  }
  return result;
}

}  // namespace

bool SendByte(uint8_t value) {
  static constexpr Rendezvous kSend = {
      "Zapis przerwany.", nullptr, "Błąd podczas anulacji zdarzenia.",
      "Błąd podczas sygnalizacji zdarzenia.", "Błąd podczas sygnalizacji zdarzenia."};
  return Exchange(kSend, WriteRequestEvent.get(), nullptr, value);
}

bool ReceiveByte(uint8_t& value) {
  static constexpr Rendezvous kReceive = {
      "Przerwany zapis ", "Błąd funkcji WaitForMultipleObjects.",
      "Błąd podczas anulacji zdarzenia.", "Błąd podczas sygnalizacji zdarzenia.",
      "Błąd podczas anulacji zdarzenia."};
  return Exchange(kReceive, ReadRequestEvent.get(), &value, 0);
}

bool IsTransferFailed() {
  return TransferFailed != 0;
}

}  // namespace sigra::link
