#include "sigrad/connections.h"

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>

namespace sigra::service {
namespace {

// Where the sockets of Linux and Windows differ (httplib.h brings Windows'
// headers).
#ifdef _WIN32
constexpr int kShutBoth = SD_BOTH;
constexpr int kSendFlags = 0;
int PollOne(pollfd* fd, int milliseconds) { return WSAPoll(fd, 1, milliseconds); }
bool Interrupted() { return false; }
void CloseSocket(socket_t sock) { closesocket(sock); }
#else
constexpr int kShutBoth = SHUT_RDWR;
// A client gone while its answer is written is an error, not a SIGPIPE.
constexpr int kSendFlags = MSG_NOSIGNAL;
int PollOne(pollfd* fd, int milliseconds) { return poll(fd, 1, milliseconds); }
bool Interrupted() { return errno == EINTR; }
void CloseSocket(socket_t sock) { close(sock); }
#endif

using Clock = std::chrono::steady_clock;

// How long a connection must have been sending its request before a newer
// one of its address may cut it off: a till's request comes in at once.
constexpr auto kCutOffAfter = std::chrono::seconds(1);
// How often the wait for the next request on a kept-alive connection looks
// whether the server is stopping.
constexpr auto kStopLook = std::chrono::milliseconds(100);

std::string PeerAddress(socket_t sock) {
  sockaddr_storage peer{};
  socklen_t length = sizeof peer;
  if (getpeername(sock, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return "";
  char text[INET6_ADDRSTRLEN] = {};
  const void* address = peer.ss_family == AF_INET6
                            ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6&>(peer).sin6_addr)
                            : static_cast<const void*>(&reinterpret_cast<sockaddr_in&>(peer).sin_addr);
  return inet_ntop(peer.ss_family, address, text, sizeof text) ? text : "";
}

void LocalOrPeer(socket_t sock, bool local, std::string& ip, int& port) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  const int got = local ? getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length)
                        : getpeername(sock, reinterpret_cast<sockaddr*>(&address), &length);
  if (got != 0) return;
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    port = ntohs(v6.sin6_port);
  } else {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    port = ntohs(v4.sin_port);
  }
  ip = text;
}

// Waits until `sock` can be read (`events` POLLIN) or written, at most until
// `until`.
bool Ready(socket_t sock, short events, Clock::time_point until) {
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{sock, events, 0};
    const int ready = PollOne(&fd, static_cast<int>(left.count()));
    if (ready < 0 && Interrupted()) continue;
    return ready > 0;
  }
}

}  // namespace

namespace {

// The socket as the library's request processing reads and writes it: a
// read waits for the read timeout at most, and never past the connection's
// deadline.
class Stream : public httplib::Stream {
 public:
  Stream(socket_t sock, const std::atomic<Clock::time_point>& deadline,
         std::chrono::microseconds readTimeout, std::chrono::microseconds writeTimeout)
      : sock_(sock), deadline_(deadline), readTimeout_(readTimeout), writeTimeout_(writeTimeout) {}

  bool is_readable() const override {
    return Ready(sock_, POLLIN, std::min(deadline_.load(), Clock::now() + readTimeout_));
  }
  bool is_writable() const override {
    return Ready(sock_, POLLOUT, Clock::now() + writeTimeout_);
  }
  ssize_t read(char* ptr, size_t size) override {
    if (next_ == end_) {
      if (!is_readable()) return -1;
      ssize_t n;
      do {
        n = recv(sock_, buffer_, sizeof buffer_, 0);
      } while (n < 0 && Interrupted());
      if (n <= 0) return n;
      next_ = 0;
      end_ = static_cast<size_t>(n);
    }
    const size_t taken = std::min(size, end_ - next_);
    std::copy_n(buffer_ + next_, taken, ptr);
    next_ += taken;
    return static_cast<ssize_t>(taken);
  }
  ssize_t write(const char* ptr, size_t size) override {
    if (!is_writable()) return -1;
    ssize_t n;
    do {
      n = send(sock_, ptr, static_cast<int>(size), kSendFlags);
    } while (n < 0 && Interrupted());
    return n;
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    LocalOrPeer(sock_, false, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    LocalOrPeer(sock_, true, ip, port);
  }
  socket_t socket() const override { return sock_; }

 private:
  socket_t sock_;
  const std::atomic<Clock::time_point>& deadline_;
  std::chrono::microseconds readTimeout_;
  std::chrono::microseconds writeTimeout_;
  char buffer_[4096];
  size_t next_ = 0;
  size_t end_ = 0;
};

thread_local std::atomic<Clock::time_point>* t_deadline = nullptr;

void SetDeadline(Clock::time_point deadline) {
  if (t_deadline) t_deadline->store(deadline);
}

}  // namespace

void Server::HeadersRead(bool bodyFollows) {
  SetDeadline(bodyFollows ? Clock::now() + kBodyTime : Clock::time_point::max());
}

void Server::BodyRead() {
  SetDeadline(Clock::time_point::max());
}

void Server::Answered() {
  // The next request may wait the keep-alive time before it begins.
  SetDeadline(Clock::now() + kKeepAliveTime + kHeaderTime);
}

Server::Connection& Server::Admit(socket_t sock, const std::string& address) {
  std::lock_guard lock(mutex_);
  std::list<Connection>& mine = connections_[address];
  const size_t sending =
      std::count_if(mine.begin(), mine.end(), [](const Connection& c) { return c.Sending(); });
  if (sending >= kPerAddress) {
    for (Connection& oldest : mine) {
      if (!oldest.Sending() || oldest.cutOff || Clock::now() - oldest.opened < kCutOffAfter) {
        continue;
      }
      // Its thread, reading, sees the connection end.
      oldest.cutOff = true;
      shutdown(oldest.sock, kShutBoth);
      break;
    }
  }
  return mine.emplace_back(sock);
}

void Server::Leave(Connection& connection) {
  std::lock_guard lock(mutex_);
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    std::list<Connection>& list = it->second;
    const auto found =
        std::find_if(list.begin(), list.end(), [&](const Connection& c) { return &c == &connection; });
    if (found == list.end()) continue;
    list.erase(found);
    if (list.empty()) connections_.erase(it);
    return;
  }
}

bool Server::process_and_close_socket(socket_t sock) {
  Connection& connection = Admit(sock, PeerAddress(sock));
  Stream stream(sock, connection.deadline,
                std::chrono::seconds(read_timeout_sec_) + std::chrono::microseconds(read_timeout_usec_),
                std::chrono::seconds(write_timeout_sec_) +
                    std::chrono::microseconds(write_timeout_usec_));
  t_deadline = &connection.deadline;
  bool served = false;
  size_t left = keep_alive_max_count_;
  while (left > 0 && !connection.cutOff) {
    // The next request's first bytes, for the keep-alive time at most;
    // none once the server stops.
    const auto until = Clock::now() + std::chrono::seconds(keep_alive_timeout_sec_);
    bool arrived = false;
    while (!arrived && svr_sock_ != INVALID_SOCKET && Clock::now() < until) {
      arrived = Ready(sock, POLLIN, std::min(until, Clock::now() + kStopLook));
    }
    if (!arrived) break;
    bool closed = false;
    served = process_request(stream, left == 1, closed, nullptr);
    if (!served || closed) break;
    --left;
  }
  t_deadline = nullptr;
  Leave(connection);
  shutdown(sock, kShutBoth);
  CloseSocket(sock);
  return served;
}

}  // namespace sigra::service
