#include "sigrad/life.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "sigrad/connections.h"
#include "sigrad/journal.h"
#include "sigrad/platform.h"
#include "sigrad/routes.h"

namespace sigra::service {
namespace {

// How long a stop waits for the last answers to be written.
constexpr auto kAnswersOut = std::chrono::milliseconds(500);

// The journal is held for this process's life: a second service on the same
// journal would settle and sell under this one's keys. The lock is on a file
// beside the journal (SQLite keeps its own locks on the journal itself), of
// a kind the system releases when the process ends, however; the printers'
// processes do not inherit it (see platform.h).

// Only SO_REUSEADDR: the HTTP library's default also sets SO_REUSEPORT,
// with which a second service binds the same address and takes half of its
// connections.
void ListeningSocketOptions(socket_t sock) {
#ifdef _WIN32
  // Windows' SO_REUSEADDR would let a second service bind the same address:
  // an exclusive bind, as there is no lingering TIME_WAIT binding to clear.
  const BOOL yes = TRUE;
  setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
             sizeof yes);
#else
  const int yes = 1;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
}

}  // namespace

int Serve(const ServiceOptions& options, const std::string& program) {
  // A stop before the service serves ends the process at once: the
  // printers' processes may be waiting for printers that do not answer. They
  // die with the service, and whatever they left in the journal is settled
  // at the next start, as after a kill. Once it serves, the stop is the main
  // thread's.
  static std::mutex mutex;
  static std::condition_variable changed;
  static bool serving = false;
  static bool stopRequested = false;
  static std::atomic<bool> httpEnded = false;
  platform::WatchStopRequests([] {
    std::lock_guard lock(mutex);
    if (!serving) platform::ExitNow(0);
    stopRequested = true;
    changed.notify_all();
  });

  if (const std::string locked = platform::LockJournal(options.journal); !locked.empty()) {
    std::fprintf(stderr, "sigrad: %s; not starting\n", locked.c_str());
    return 1;
  }
  std::unique_ptr<Service> service;
  try {
    service = std::make_unique<Service>(options, program);
  } catch (const JournalError& error) {
    std::fprintf(stderr, "sigrad: %s; not starting (it never sells without its journal)\n",
                 error.what());
    return 1;
  }
  std::unique_ptr<httplib::Server> server;
  if (!options.tlsCert.empty()) {
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
    auto tls =
        std::make_unique<httplib::SSLServer>(options.tlsCert.c_str(), options.tlsKey.c_str());
    if (!tls->is_valid()) {
      std::fprintf(stderr, "sigrad: cannot use the certificate %s with the key %s\n",
                   options.tlsCert.c_str(), options.tlsKey.c_str());
      return 1;
    }
    server = std::move(tls);
#else
    std::fprintf(stderr, "sigrad: %s; not starting\n", platform::TlsUnavailable().c_str());
    return 1;
#endif
  } else {
    server = std::make_unique<Server>();
  }
  service->Install(*server);
  server->set_socket_options(ListeningSocketOptions);
  errno = 0;
#ifdef _WIN32
  WSASetLastError(0);
#endif
  const int port = options.port == 0
                       ? server->bind_to_any_port(options.host)
                       : (server->bind_to_port(options.host, options.port) ? options.port : -1);
  if (port < 0) {
#ifdef _WIN32
    const int error = WSAGetLastError();
    const bool inUse = error == WSAEADDRINUSE || error == WSAEACCES;
    const std::string reason = error ? "error " + std::to_string(error) : "";
#else
    const int error = errno;
    const bool inUse = error == EADDRINUSE;
    const std::string reason = error ? std::strerror(error) : "";
#endif
    std::fprintf(stderr, "sigrad: cannot listen on %s:%d%s%s%s; not starting\n",
                 options.host.c_str(), options.port, error ? ": " : "", reason.c_str(),
                 inUse ? " (another program, perhaps another sigrad, listens there)" : "");
    return 1;
  }
  std::fprintf(stderr, "sigrad: listening on %s://%s:%d\n",
               options.tlsCert.empty() ? "http" : "https", options.host.c_str(), port);
  if ((options.host == "0.0.0.0" || options.host == "::") && options.hosts.empty()) {
    std::fprintf(stderr,
                 "sigrad: a request whose Host header names this machine other than as "
                 "localhost, 127.0.0.1 or [::1] gets 421; give each such name or address with "
                 "--allow-host\n");
  }
  std::fflush(stderr);
  platform::ReportServing();
  std::thread http([&] {
    server->listen_after_bind();
    std::lock_guard lock(mutex);
    httpEnded = true;
    changed.notify_all();
  });
  std::unique_lock lock(mutex);
  serving = true;
  changed.wait(lock, [] { return stopRequested || httpEnded.load(); });
  lock.unlock();
  // The requests waiting for a printer are answered, the running ones end
  // with their own timeouts; stop() does nothing before the server runs.
  service->Halt();
  while (!httpEnded && !server->is_running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  server->stop();
  service->AwaitEnd();
  // A connection that has sent no request yet, or only part of one, holds
  // its server thread up to the timeouts (5 s, 10 s); the server waits for
  // every thread. Once the printers' last answers have had time to go out,
  // the service does not wait for those.
  lock.lock();
  if (!changed.wait_for(lock, kAnswersOut, [] { return httpEnded.load(); })) {
    platform::ExitNow(0);
  }
  lock.unlock();
  http.join();
  return 0;
}

}  // namespace sigra::service
