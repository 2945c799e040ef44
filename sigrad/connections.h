// The connections the service serves over plain HTTP, each on a thread of
// its own, with bounds that keep slow or idle clients from holding the
// threads a till's sale needs (slowloris):
//   - a request's headers must be in within kHeaderTime of the connection
//     opening, or of the answer before it going out (plus the keep-alive
//     wait), and its body within kBodyTime of its headers: a client that
//     trickles them is cut off, however steadily it trickles;
//   - one client address holds at most kPerAddress connections that are
//     still sending their request: past that, a new connection cuts off the
//     one that has been sending the longest, if it has for a while, so that
//     a till's fresh request is served while the trickling ones are not.
// A request being answered (one waiting for its printer among them) is under
// no such bound: its printer's queue bounds how many wait (see threads.h).
//
// The HTTP library serves an accepted connection in a virtual function,
// which Server overrides: it reads and writes the socket itself, through
// the library's request processing. Over TLS the library's own serving is
// used, with its read timeouts alone.
#ifndef SIGRA_SIGRAD_CONNECTIONS_H
#define SIGRA_SIGRAD_CONNECTIONS_H

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <list>
#include <map>
#include <mutex>
#include <string>

namespace sigra::service {

// How long a kept-alive connection may wait for its next request to begin.
constexpr auto kKeepAliveTime = std::chrono::seconds(5);
constexpr auto kHeaderTime = std::chrono::seconds(5);
constexpr auto kBodyTime = std::chrono::seconds(10);
constexpr size_t kPerAddress = 16;

class Server : public httplib::Server {
 public:
  // Where the request on this thread stands, told by the gate: its headers
  // are in, its body is in, its answer is out. Nothing over TLS.
  static void HeadersRead(bool bodyFollows);
  static void BodyRead();
  static void Answered();

 private:
  using Clock = std::chrono::steady_clock;
  // A connection and the time by which what it is sending must be in; none
  // (max) while its request is being answered.
  struct Connection {
    explicit Connection(socket_t s) : sock(s) {}
    bool Sending() const { return deadline.load() != Clock::time_point::max(); }

    socket_t sock;
    Clock::time_point opened = Clock::now();
    std::atomic<Clock::time_point> deadline{Clock::now() + kHeaderTime};
    std::atomic<bool> cutOff = false;
  };
  bool process_and_close_socket(socket_t sock) override;
  // Takes a connection from `address` in, cutting off the one of that
  // address sending its request longest if it has too many.
  Connection& Admit(socket_t sock, const std::string& address);
  void Leave(Connection& connection);

  std::mutex mutex_;
  std::map<std::string, std::list<Connection>> connections_;
};

}  // namespace sigra::service

#endif
