#include "sigrad/life.h"

#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

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
#include "sigrad/routes.h"

namespace sigra::service {
namespace {

// How long a stop waits for the last answers to be written.
constexpr auto kAnswersOut = std::chrono::milliseconds(500);

// Holds the journal for this process's life: a second service on the same
// journal would settle and sell under this one's keys. The lock is on a file
// beside the journal (SQLite keeps its own locks on the journal itself),
// taken with flock, so that it is released when the process ends, however.
// The printers' processes do not inherit it. Empty on success, else why not.
std::string LockJournal(const std::string& journal) {
  const std::string path = journal + ".lock";
  std::error_code ignored;
  const std::filesystem::path folder = std::filesystem::path(journal).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return "the journal's lock " + path + " cannot be opened: " + std::strerror(errno);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    if (error == EWOULDBLOCK) {
      return "the journal " + journal + " is in use by another sigrad (its lock " + path +
             " is held)";
    }
    return "the journal's lock " + path + " cannot be taken: " + std::strerror(error);
  }
  // Kept open, so held, until the process ends.
  return "";
}

// Only SO_REUSEADDR: the HTTP library's default also sets SO_REUSEPORT,
// with which a second service binds the same address and takes half of its
// connections.
void ListeningSocketOptions(socket_t sock) {
  const int yes = 1;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace

int Serve(const ServiceOptions& options, const std::string& program) {
  signal(SIGPIPE, SIG_IGN);
  // A hangup (the terminal it was started from closing) does not stop a
  // receipt half printed; the printers' processes inherit this.
  signal(SIGHUP, SIG_IGN);
  // SIGTERM and SIGINT are taken by a thread of their own, which stops the
  // service; every other thread starts with them blocked.
  sigset_t stopping;
  sigemptyset(&stopping);
  sigaddset(&stopping, SIGTERM);
  sigaddset(&stopping, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopping, nullptr);

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
  std::thread signals([stopping] {
    int signal = 0;
    sigwait(&stopping, &signal);
    std::lock_guard lock(mutex);
    if (!serving) {
      std::fflush(stderr);
      _exit(0);
    }
    stopRequested = true;
    changed.notify_all();
  });
  signals.detach();

  if (const std::string locked = LockJournal(options.journal); !locked.empty()) {
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
    auto tls =
        std::make_unique<httplib::SSLServer>(options.tlsCert.c_str(), options.tlsKey.c_str());
    if (!tls->is_valid()) {
      std::fprintf(stderr, "sigrad: cannot use the certificate %s with the key %s\n",
                   options.tlsCert.c_str(), options.tlsKey.c_str());
      return 1;
    }
    server = std::move(tls);
  } else {
    server = std::make_unique<Server>();
  }
  service->Install(*server);
  server->set_socket_options(ListeningSocketOptions);
  errno = 0;
  const int port = options.port == 0
                       ? server->bind_to_any_port(options.host)
                       : (server->bind_to_port(options.host, options.port) ? options.port : -1);
  if (port < 0) {
    const int error = errno;
    std::fprintf(stderr, "sigrad: cannot listen on %s:%d%s%s%s; not starting\n",
                 options.host.c_str(), options.port, error ? ": " : "",
                 error ? std::strerror(error) : "",
                 error == EADDRINUSE ? " (another program, perhaps another sigrad, listens there)"
                                     : "");
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
    std::fflush(stderr);
    _exit(0);
  }
  lock.unlock();
  http.join();
  return 0;
}

}  // namespace sigra::service
