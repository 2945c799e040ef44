#include "link/comm.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "link/comm_threads.h"
#include "link/text_1250.h"

namespace sigra::link {

std::unique_ptr<TComm>& PortObject = *new std::unique_ptr<TComm>();
std::atomic<int32_t> LastCommErrorCode = 0;

namespace {

// The text of the last failure with its lock. Like the port object it is
// never destroyed: a port thread may still report while the program ends.
struct ErrorTextRecord {
  std::mutex lock;
  std::string text;
};
ErrorTextRecord& g_errorText = *new ErrorTextRecord();

// Messages are written in UTF-8 here and kept in Windows-1250 like every
// other text of the driver.
void Report(const char* utf8, uint32_t code) {
  ReportCommError(Cp1250FromUtf8(utf8), static_cast<int32_t>(code));
}

void Report(const char* utf8) {
  Report(utf8, os::LastError());
}

constexpr char kDcbMessage[] = "Błąd podczas aktualizacji bloku kontroli danych.";
constexpr char kTimeoutsMessage[] = "Błąd podczas aktualizacji czasów.";
constexpr char kBadHandleMessage[] = "Niepoprawny uchwyt do urządzenia, proces przerwany.";

struct TransferMessages {
  const char* resetFailed;
  const char* eventFailed;
  const char* shortAtOnce;
  const char* issueFailed;
  const char* resultFailed;
  const char* resultAborted;
  const char* shortAfterWait;
  const char* aborted;
  const char* waitFailed;
  const char* waitTimeout;
  const char* otherWait;
};

constexpr TransferMessages kWriteMessages = {"Błąd zamknięcia uchwytu.",
                                             "Błąd CreateEvent. ",
                                             "Niepoprawny zapis.",
                                             "Niepoprawny zapis do portu.",
                                             "Niepoprawny zapis.",
                                             "Niepoprawny zapis.",
                                             "Timeout zapisu.",
                                             "Zapis przerwany.",
                                             "Niepoprawny zapis.",
                                             "Timeout zapisu...",
                                             "Niepoprawny zapis do portu."};

constexpr TransferMessages kReadMessages = {
    "Błąd zamknięcia uchwytu.", "Błąd CreateEvent.", "Niepoprawny odczyt.", "Niepoprawny odczyt.",
    "Niepoprawny odczyt.",      "Odczyt przerwany",  "Timeout odczytu.",    "Odczyt przerwany.",
    "Niepoprawny odczyt.",      "Timeout odczytu",   "Niepoprawny odczyt."};

}  // namespace

void ReportCommError(const std::string& text, int32_t code) {
  std::lock_guard<std::mutex> hold(g_errorText.lock);
  g_errorText.text = text;
  LastCommErrorCode = code;
}

std::string LastCommErrorText() {
  std::lock_guard<std::mutex> hold(g_errorText.lock);
  return g_errorText.text;
}

int32_t ReportNoSuchPort() {
  Report("System nie potrafi znależć danego urządzenia.", kErrorFileNotFound);
  return static_cast<int32_t>(kErrorFileNotFound);
}

TComm::TComm() : Handle(os::InvalidHandle()) {}

TComm::~TComm() {
  Close();
}

int32_t TComm::SetParameters(uint8_t portNumber, int32_t baud, uint16_t writeSeconds,
                             uint16_t readSeconds) {
  try {
    BaudRate = baud;
    PortName = "Com" + std::to_string(portNumber);
    PortNumber = portNumber;
    WriteTimeout = writeSeconds;
    ReadTimeout = readSeconds;
    return 0;
  } catch (...) {
    uint32_t code = os::LastError();
    Report(kDcbMessage, code);
    return static_cast<int32_t>(code);
  }
}

int32_t TComm::Open() {
  Close();
  ReportCommError("", 0);
  if (int32_t result = OpenDevice(); result != 0) return result;
  if (!IsOpen()) return 0;

  EventThread = std::make_unique<TZdarzeniaCommThread>(
      Handle, EventSet, [this](void* sender, uint32_t mask) { OnCommEvent(sender, mask); });
  WorkerThread = std::make_unique<TZapisOdczytThread>(Handle);

  os::GetCommConfig(Handle, PortConfig);
  if (int32_t result = ApplyLineSettings(); result != 0) return result;
  if (!os::SetupComm(Handle, InputBufferSize, OutputBufferSize)) {
    uint32_t code = os::LastError();
    Report("Błędna inicjalizacja buforów Zapisu/Odczytu.", code);
    return static_cast<int32_t>(code);
  }
  int32_t result = SetTimeouts(WriteTimeout, ReadTimeout);
  if (!RenewAbortEvent()) {
    uint32_t code = os::LastError();
    Report("Error CreateEvent. ", code);
    return static_cast<int32_t>(code);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return result;
}

int32_t TComm::OpenDevice() {
  // The port's own time limits bound the wait for the port table too.
  os::SetOpenWait(std::max<uint32_t>(1000, 1000u * std::max(WriteTimeout, ReadTimeout)));
  std::string target;
  try {
    if (!os::QueryDosDevice(PortName, target)) target.clear();
  } catch (...) {
    target.clear();
  }
  const std::string prefix =
      target.find("tsclient") != std::string::npos ? "\\\\tsclient\\" : "\\\\.\\";
  Handle = os::CreateFile(prefix + PortName, true);
  if (!IsOpen()) {
    uint32_t code = os::LastError();
    switch (code) {
      case kErrorFileNotFound:
        return ReportNoSuchPort();
      case kErrorAccessDenied:
        Report("Zabroniony dostęp do urządzenia.", code);
        break;
      case kErrorInvalidHandle:
        Report(kBadHandleMessage, code);
        break;
      default:
        Report("Błędnie określone urządzenie.", code);
    }
    return static_cast<int32_t>(code);
  }
  if (!os::IsCharacterDevice(Handle)) {
    // The system may leave no error code for a handle of the wrong kind; the
    // opening must still fail, so it reports an invalid handle then.
    uint32_t code = os::LastError() != 0 ? os::LastError() : kErrorInvalidHandle;
    CloseDevice();
    Report(kBadHandleMessage, code);
    return static_cast<int32_t>(code);
  }
  return 0;
}

void TComm::CloseDevice() {
  os::CloseHandle(Handle);
  Handle = os::InvalidHandle();
}

int32_t TComm::ApplyLineSettings() {
  if (!IsOpen()) return 0;
  if (!os::GetCommState(Handle, LineSettings)) {
    uint32_t code = os::LastError();
    Report(kDcbMessage, code);
    return static_cast<int32_t>(code);
  }
  LineSettings.BaudRate = static_cast<uint32_t>(BaudRate);
  LineSettings.Parity = static_cast<uint8_t>(Parity);
  LineSettings.StopBits = static_cast<uint8_t>(StopBits);
  LineSettings.ByteSize = static_cast<uint8_t>(ByteSize);
  SetHandshake(LineSettings);
  if (!os::SetCommState(Handle, LineSettings)) {
    uint32_t code = os::LastError();
    Report(kDcbMessage, code);
    return static_cast<int32_t>(code);
  }
  return 0;
}

void TComm::SetHandshake(Dcb& dcb) {
  dcb.Flags &= ~(dcb::kOutxCtsFlow | dcb::kRtsControlMask | dcb::kOutxDsrFlow |
                 dcb::kDtrControlMask | dcb::kOutX | dcb::kInX | dcb::kAbortOnError);
  dcb.Flags |= dcb::kOutxCtsFlow | dcb::kAbortOnError;
}

int32_t TComm::SetTimeouts(uint16_t writeSeconds, uint16_t readSeconds) {
  if (!os::GetCommTimeouts(Handle, SavedTimeouts)) {
    uint32_t code = os::LastError();
    Report(" Błąd odczytu aktualnych czasów.", code);
    return static_cast<int32_t>(code);
  }
  if (!IsOpen()) return 0;
  Timeouts = CommTimeouts{};
  Timeouts.ReadIntervalTimeout = readSeconds == 0 ? kMaxDword : readSeconds * 1000u;
  Timeouts.ReadTotalTimeoutMultiplier = 0;
  Timeouts.ReadTotalTimeoutConstant = readSeconds * 1000u;
  Timeouts.WriteTotalTimeoutMultiplier = 0;
  Timeouts.WriteTotalTimeoutConstant = writeSeconds * 1000u;
  if (!os::SetCommTimeouts(Handle, Timeouts)) {
    uint32_t code = os::LastError();
    Report(kTimeoutsMessage, code);
    return static_cast<int32_t>(code);
  }
  return 0;
}

int32_t TComm::Close() {
  if (!IsOpen()) return 0;
  if (!os::SetCommTimeouts(Handle, SavedTimeouts)) Report(kTimeoutsMessage);
  // The abort is signalled before the threads are waited for: a transfer
  // pending on the worker, and the caller waiting for it, end at once rather
  // than at the port's timeout.
  const bool aborted = AbortEvent && AbortEvent->Set();
  if (EventThread) {
    EventThread->Stop();
    EventThread->WaitFor();
    EventThread.reset();
  }
  if (WorkerThread) {
    WorkerThread->Stop();
    WorkerThread->WaitFor();
    WorkerThread.reset();
  }
  CloseDevice();
  if (!aborted) {
    uint32_t code = os::LastError();
    Report("Błąd podczas sygnalizacji zdarzenia.", code);
    return static_cast<int32_t>(code);
  }
  return 0;
}

int32_t TComm::ClearOutput() {
  if (!IsOpen() || os::PurgeComm(Handle, kPurgeTxClear)) return 0;
  return static_cast<int32_t>(os::LastError());
}

int32_t TComm::ClearInput() {
  if (!IsOpen() || os::PurgeComm(Handle, kPurgeRxClear)) return 0;
  return static_cast<int32_t>(os::LastError());
}

uint32_t TComm::WriteBytes(const uint8_t* buffer) {
  return Transfer(true, const_cast<uint8_t*>(buffer));
}

uint32_t TComm::ReadBytes(uint8_t* buffer, uint32_t) {
  return Transfer(false, buffer);
}

// One overlapped single-byte transfer. Every ending, early ones included,
// leaves TransferFailed telling whether no byte moved and sets WorkerIdleEvent,
// so the caller waiting in SendByte / ReceiveByte is always released.
uint32_t TComm::Transfer(bool writing, uint8_t* buffer) {
  const TransferMessages& m = writing ? kWriteMessages : kReadMessages;
  uint32_t count = 0;
  auto finish = [&](uint32_t moved) -> uint32_t {
    TransferFailed = moved == 0 ? 1 : 0;
    if (!WorkerIdleEvent || !WorkerIdleEvent->Set()) {
      Report("Błąd podczas anulacji zdarzenia.");
      return 0;
    }
    return moved;
  };
  try {
    os::Event* request = writing ? WriteRequestEvent.get() : ReadRequestEvent.get();
    if (!request || !request->Reset()) {
      Report(m.resetFailed);
      return finish(0);
    }
    os::SetLastError(0);
    TransferFailed = 1;
    auto overlapped = os::CreateOverlapped(Handle);
    if (!overlapped->EventCreated()) {
      Report(m.eventFailed);
      if (writing) return finish(0);
    }
    os::IoStart start =
        writing ? overlapped->StartWrite(buffer, count) : overlapped->StartRead(buffer, count);
    if (start == os::IoStart::Completed) {
      if (count != 1) Report(m.shortAtOnce);
    } else if (start == os::IoStart::Failed || os::LastError() != kErrorIoPending) {
      Report(m.issueFailed);
    } else {
      switch (overlapped->WaitOrAbort(*AbortEvent)) {
        case os::IoWait::Completed:
          if (!overlapped->Result(count)) {
            count = 0;
            Report(!writing && os::LastError() == kErrorOperationAborted ? m.resultAborted
                                                                         : m.resultFailed);
          } else if (count != 1) {
            Report(m.shortAfterWait);
          }
          break;
        case os::IoWait::Aborted:
          Report(m.aborted);
          break;
        case os::IoWait::Failed:
          Report(m.waitFailed);
          break;
        case os::IoWait::Timeout:
          Report(m.waitTimeout);
          break;
        case os::IoWait::Other:
          Report(m.otherWait);
          break;
      }
    }
    if (!overlapped->CloseEvent()) Report("Błąd zamknięcia uchwytu.");
    return finish(count);
  } catch (...) {
    ReportCommError(Cp1250FromUtf8("Port nie jest otwarty, niemożliwa operacja."), -1);
    return finish(0);
  }
}

void TComm::OnCommEvent(void*, uint32_t mask) {
  os::ClearCommError(Handle, LineErrors, LineStatus);
  for (size_t i = 1; i < kEventKinds.size(); ++i) {
    if ((mask & kEventKinds[i]) != 0) HandleLineEvent(kEventKinds[i]);
  }
}

void TComm::HandleLineEvent(uint32_t eventBit) {
  if (eventBit != kEvErr) return;
  struct LineError {
    uint32_t flag;
    const char* message;
  };
  static constexpr LineError kLineErrors[] = {
      {kCeBreak, "Urządzenie wykryło stan BREAK (CE_BREAK)."},
      {kCeFrame, "Urządzenie wykryło błąd ramki (CE_FRAME)."},
      {kCeOverrun, "Zgubiono znaki (CE_OVERRUN)."},
      {kCeRxOver, "Zapełniony bufor wejściowy (CE_RXOVER)."},
      {kCeRxParity, "Urządzenie wykryło błąd parzystości (CE_RXPARITY)."},
      {kCeTxFull, "Zapełniony bufor wyjściowy (CE_TXFULL)."},
  };
  for (const LineError& e : kLineErrors) {
    if ((LineErrors & e.flag) != 0) Report(e.message, e.flag);
  }
}

int32_t PurgePrinterPort() {
  if (!PortObject) return 0;
  if (int32_t result = PortObject->ClearOutput(); result != 0) return result;
  return PortObject->ClearInput();
}

int32_t ClosePrinterPort() {
  return PortObject ? PortObject->Close() : 0;
}

bool SetPortTimeouts(uint16_t writeSeconds, uint16_t readSeconds) {
  return PortObject && PortObject->SetTimeouts(writeSeconds, readSeconds) == 0;
}

}  // namespace sigra::link
