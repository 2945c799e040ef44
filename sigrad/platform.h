// Where Linux and Windows differ for the service: the printers' processes,
// the journal's lock and default place, this program's path and the requests
// to stop. posix/platform.cpp and win32/platform.cpp implement it.
#ifndef SIGRA_SIGRAD_PLATFORM_H
#define SIGRA_SIGRAD_PLATFORM_H

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sigra::service {

// A printer's process, with a pipe to its standard input and one from its
// standard output. It dies with the service however the service ends: on
// Linux by PR_SET_PDEATHSIG, on Windows as a member of the service's Job
// object, which kills its processes when the service's handle to it closes.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { Kill(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` with `args`, and with SIGRA_TRACE set to `trace` (unset
  // when empty); false when it cannot be started.
  bool Start(const std::string& program, const std::vector<std::string>& args,
             const std::string& trace);
  bool Running() const;
  // Whether it has been started and has ended since.
  bool Ended();
  bool Write(const std::string& text);
  // Appends what the process wrote, waiting for something at most until
  // `deadline`; false at the deadline or at the end of its output.
  bool Read(std::string& into, std::chrono::steady_clock::time_point deadline);
  // Closes its input and waits up to `limit` for it to end, then kills it.
  void Stop(std::chrono::milliseconds limit);
  void Kill();

 private:
#ifdef _WIN32
  void* process_ = nullptr;
  void* toChild_ = nullptr;
  void* fromChild_ = nullptr;
#else
  int pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
#endif
};

namespace platform {

// This executable's path, started again for each printer.
std::string ThisProgram();
// The journal's place when --journal is not given.
std::string DefaultJournal();
// Holds the journal for this process's life (see life.cpp). Empty on
// success, else why not.
std::string LockJournal(const std::string& journal);
// Lets `stop` be called, from a thread of its own, when the service is asked
// to stop: SIGTERM or SIGINT on Linux, Ctrl+C, Ctrl+Break or the console's
// closing on Windows (the service manager's stop calls it too, see
// win32/service.cpp). Also ignores what must not end the service (SIGPIPE,
// SIGHUP). Called once, before any other thread starts.
void WatchStopRequests(std::function<void()> stop);
// Tells the service manager, where there is one, that the service serves.
void ReportServing();
// Ends the process at once, with `status`.
[[noreturn]] void ExitNow(int status);
// Said once when --tls-cert is given where TLS is not built in; empty where
// it is.
std::string TlsUnavailable();
// The SHA-256 of `text` (OpenSSL on Linux, Windows' own CNG there).
std::array<unsigned char, 32> Sha256(std::string_view text);
// Whether a and b, of `size` bytes, are equal, in a time that does not tell
// where they differ.
bool SameBytes(const void* a, const void* b, size_t size);
// A printer's process sets its standard input and output up for the lines
// it exchanges with the service.
void PrepareWorkerPipes();

}  // namespace platform
}  // namespace sigra::service

#endif
