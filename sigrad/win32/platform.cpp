#include "sigrad/platform.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <bcrypt.h>
// clang-format on
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "sigrad/win32/service.h"

namespace sigra::service {
namespace {

std::string ErrorText(DWORD error) {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = text ? text : "error " + std::to_string(error);
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message;
}

// The Job object every printer's process is put in. The service holds the
// only handle to it: when the service ends, however, the handle closes and
// Windows kills the printers' processes, so that none keeps a COM port.
HANDLE PrinterJob() {
  static HANDLE job = [] {
    HANDLE created = CreateJobObjectA(nullptr, nullptr);
    if (created) {
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits,
                              sizeof limits);
    }
    return created;
  }();
  return job;
}

// Inheritable handles are made and handed to one process at a time, so that
// no printer's process inherits another's pipe (whose end would then never
// be seen).
std::mutex g_spawning;

std::string Quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

void CloseHandleOnce(void*& handle) {
  if (handle) CloseHandle(handle);
  handle = nullptr;
}

std::function<void()> g_stop;

BOOL WINAPI ConsoleControl(DWORD event) {
  if (!g_stop) return FALSE;
  g_stop();
  // Windows ends the process when this returns from a close, logoff or
  // shutdown: the orderly stop gets the time Windows gives it (5 s).
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT ||
      event == CTRL_SHUTDOWN_EVENT) {
    Sleep(INFINITE);
  }
  return TRUE;
}

}  // namespace

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& trace) {
  std::lock_guard lock(g_spawning);
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE downRead = nullptr, downWrite = nullptr, upRead = nullptr, upWrite = nullptr;
  if (!CreatePipe(&downRead, &downWrite, &inherit, 0)) return false;
  if (!CreatePipe(&upRead, &upWrite, &inherit, 0)) {
    CloseHandle(downRead);
    CloseHandle(downWrite);
    return false;
  }
  SetHandleInformation(downWrite, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(upRead, HANDLE_FLAG_INHERIT, 0);
  // Its log lines go where the service's go.
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  HANDLE childError = nullptr;
  if (error && error != INVALID_HANDLE_VALUE) {
    DuplicateHandle(GetCurrentProcess(), error, GetCurrentProcess(), &childError, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
  }
  std::string line = Quoted(program);
  for (const std::string& arg : args) {
    line += ' ';
    line += Quoted(arg);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = downRead;
  startup.hStdOutput = upWrite;
  startup.hStdError = childError;
  PROCESS_INFORMATION started{};
  // Each printer traces into a file of its own: the variable is set while
  // the process is made, which only this thread does now.
  char saved[32768];
  const DWORD savedLength = GetEnvironmentVariableA("SIGRA_TRACE", saved, sizeof saved);
  SetEnvironmentVariableA("SIGRA_TRACE", trace.empty() ? nullptr : trace.c_str());
  // Without a console of its own: the console's Ctrl+C is the service's to
  // answer, and the service stops its printers in order.
  const BOOL made = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                   CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr,
                                   &startup, &started);
  SetEnvironmentVariableA("SIGRA_TRACE",
                          savedLength > 0 && savedLength < sizeof saved ? saved : nullptr);
  CloseHandle(downRead);
  CloseHandle(upWrite);
  if (childError) CloseHandle(childError);
  if (!made) {
    CloseHandle(downWrite);
    CloseHandle(upRead);
    return false;
  }
  if (HANDLE job = PrinterJob(); !job || !AssignProcessToJobObject(job, started.hProcess)) {
    // A printer's process that would outlive a killed service is not run.
    TerminateProcess(started.hProcess, 1);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    CloseHandle(downWrite);
    CloseHandle(upRead);
    std::fprintf(stderr, "sigrad: a printer's process cannot be put in the service's job: %s\n",
                 ErrorText(GetLastError()).c_str());
    return false;
  }
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  process_ = started.hProcess;
  toChild_ = downWrite;
  fromChild_ = upRead;
  return true;
}

bool ChildProcess::Running() const { return process_ != nullptr; }

bool ChildProcess::Ended() {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
}

bool ChildProcess::Write(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    if (!WriteFile(toChild_, text.data() + done, static_cast<DWORD>(text.size() - done),
                   &written, nullptr) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

bool ChildProcess::Read(std::string& into, std::chrono::steady_clock::time_point deadline) {
  // An anonymous pipe has no wait with a timeout: it is looked into until
  // something is there.
  while (true) {
    DWORD available = 0;
    if (!PeekNamedPipe(fromChild_, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available > 0) {
      char chunk[4096];
      DWORD n = 0;
      if (!ReadFile(fromChild_, chunk, std::min<DWORD>(available, sizeof chunk), &n, nullptr) ||
          n == 0) {
        return false;
      }
      into.append(chunk, n);
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Sleep(2);
  }
}

void ChildProcess::Stop(std::chrono::milliseconds limit) {
  CloseHandleOnce(toChild_);
  if (process_ && WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, INFINITE);
  }
  CloseHandleOnce(process_);
  CloseHandleOnce(fromChild_);
}

void ChildProcess::Kill() {
  if (process_) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, INFINITE);
  }
  CloseHandleOnce(process_);
  CloseHandleOnce(toChild_);
  CloseHandleOnce(fromChild_);
}

namespace platform {

std::string ThisProgram() {
  char path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n);
}

std::string DefaultJournal() { return ProgramDataFolder() + "\\journal.db"; }

// With LockFileEx on a file beside the journal: Windows releases the lock
// when the process ends, however. The handle is not inherited.
std::string LockJournal(const std::string& journal) {
  const std::string path = journal + ".lock";
  std::error_code ignored;
  const std::filesystem::path folder = std::filesystem::path(journal).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return "the journal's lock " + path + " cannot be opened: " + ErrorText(GetLastError());
  }
  OVERLAPPED whole{};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                  MAXDWORD, &whole)) {
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) {
      return "the journal " + journal + " is in use by another sigrad (its lock " + path +
             " is held)";
    }
    return "the journal's lock " + path + " cannot be taken: " + ErrorText(error);
  }
  // Kept open, so held, until the process ends.
  return "";
}

void WatchStopRequests(std::function<void()> stop) {
  g_stop = std::move(stop);
  SetStopRequest(g_stop);
  SetConsoleCtrlHandler(ConsoleControl, TRUE);
}

void ReportServing() { sigra::service::ReportServing(); }

void ExitNow(int status) {
  std::fflush(stderr);
  ReportExit(status);
  _exit(status);
}

std::string TlsUnavailable() {
  return "TLS (--tls-cert, --tls-key) is not available in this build for Windows; "
         "serve on loopback, or put a TLS proxy in front";
}

std::array<unsigned char, 32> Sha256(std::string_view text) {
  std::array<unsigned char, 32> digest{};
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
    throw std::runtime_error("SHA-256 is not available");
  }
  bool done = BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
              BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(text.data())),
                             static_cast<ULONG>(text.size()), 0) == 0 &&
              BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0) == 0;
  if (hash) BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!done) throw std::runtime_error("SHA-256 failed");
  return digest;
}

bool SameBytes(const void* a, const void* b, size_t size) {
  const volatile unsigned char* x = static_cast<const unsigned char*>(a);
  const volatile unsigned char* y = static_cast<const unsigned char*>(b);
  unsigned char differ = 0;
  for (size_t i = 0; i < size; ++i) differ |= x[i] ^ y[i];
  return differ == 0;
}

void PrepareWorkerPipes() {
  // Lines, not text: no \r added or taken away.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace platform
}  // namespace sigra::service
