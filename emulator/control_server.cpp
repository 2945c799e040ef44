#include "emulator/control_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace sigra::emu {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void WriteAll(int fd, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::send(fd, text.data() + written, text.size() - written, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    written += static_cast<size_t>(n);
  }
}

}  // namespace

ControlServer::ControlServer(ControlChannel& channel, const std::string& where,
                             std::function<void(const std::string&)> reply)
    : channel_(channel), reply_(std::move(reply)) {
  if (::pipe(stopPipe_) != 0) Fail("cannot make the control channel's pipe");
  if (where != "-") {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (where.size() >= sizeof address.sun_path) {
      errno = ENAMETOOLONG;
      Fail("control socket " + where);
    }
    std::memcpy(address.sun_path, where.c_str(), where.size() + 1);
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) Fail("cannot make the control socket");
    ::unlink(where.c_str());
    if (::bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 4) != 0) {
      const int error = errno;
      ::close(listenFd_);
      errno = error;
      Fail("control socket " + where);
    }
    socketPath_ = where;
  }
  thread_ = std::thread([this] { Run(); });
}

ControlServer::~ControlServer() {
  const char stop = 0;
  [[maybe_unused]] const ssize_t written = ::write(stopPipe_[1], &stop, 1);
  thread_.join();
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    ::unlink(socketPath_.c_str());
  }
  ::close(stopPipe_[0]);
  ::close(stopPipe_[1]);
}

bool ControlServer::Wait(int fd) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
  while (::poll(fds, 2, -1) < 0) {
    if (errno != EINTR) return false;
  }
  return (fds[1].revents & POLLIN) == 0;
}

void ControlServer::Run() {
  if (listenFd_ < 0) {
    Serve(STDIN_FILENO, reply_);
    return;
  }
  while (Wait(listenFd_)) {
    const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    Serve(client, [client](const std::string& line) { WriteAll(client, line + '\n'); });
    ::close(client);
  }
}

void ControlServer::Serve(int fd, const std::function<void(const std::string&)>& answer) {
  std::string pending;
  char buffer[256];
  while (Wait(fd)) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    pending.append(buffer, static_cast<size_t>(n));
    for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      std::string line = pending.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      answer(channel_.Execute(line));
    }
  }
}

}  // namespace sigra::emu
