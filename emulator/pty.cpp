#include "emulator/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace sigra::emu {
namespace {

// ptsname returns a static buffer.
std::mutex ptsnameMutex;

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void CloseIfOpen(int fd) {
  if (fd >= 0) close(fd);
}

}  // namespace

Pty::Pty() {
  try {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) ThrowErrno("posix_openpt");
    if (grantpt(master_) != 0) ThrowErrno("grantpt");
    if (unlockpt(master_) != 0) ThrowErrno("unlockpt");
    {
      std::lock_guard lock(ptsnameMutex);
      const char* name = ptsname(master_);
      if (name == nullptr) ThrowErrno("ptsname");
      slavePath_ = name;
    }
    slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) ThrowErrno("open pty slave");
    termios settings{};
    if (tcgetattr(slave_, &settings) != 0) ThrowErrno("tcgetattr");
    cfmakeraw(&settings);
    if (tcsetattr(slave_, TCSANOW, &settings) != 0) ThrowErrno("tcsetattr");
    // Non-blocking so that a host that stops reading cannot hold a write past Stop.
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) ThrowErrno("fcntl");
    int stopPipe[2];
    if (pipe(stopPipe) != 0) ThrowErrno("pipe");
    stopRead_ = stopPipe[0];
    stopWrite_ = stopPipe[1];
  } catch (...) {
    CloseIfOpen(slave_);
    CloseIfOpen(master_);
    throw;
  }
}

Pty::~Pty() {
  CloseIfOpen(stopRead_);
  CloseIfOpen(stopWrite_);
  CloseIfOpen(slave_);
  CloseIfOpen(master_);
}

bool Pty::WaitFor(short events, int timeoutMs) {
  pollfd fds[2] = {{master_, events, 0}, {stopRead_, POLLIN, 0}};
  for (;;) {
    const int ready = poll(fds, 2, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) ThrowErrno("poll");
    if (fds[1].revents != 0) return false;
    return ready > 0;
  }
}

std::optional<uint8_t> Pty::Read(std::optional<std::chrono::milliseconds> timeout) {
  if (bufferBegin_ == bufferEnd_) {
    const auto deadline =
        std::chrono::steady_clock::now() + timeout.value_or(std::chrono::milliseconds{0});
    for (;;) {
      int waitMs = -1;
      if (timeout) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        waitMs = left.count() > 0 ? static_cast<int>(left.count()) : 0;
      }
      if (!WaitFor(POLLIN, waitMs)) return std::nullopt;
      const ssize_t got = read(master_, buffer_.data(), buffer_.size());
      if (got > 0) {
        bufferBegin_ = 0;
        bufferEnd_ = static_cast<size_t>(got);
        break;
      }
      if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (got == 0) errno = EIO;
      ThrowErrno("read pty master");
    }
  }
  return buffer_[bufferBegin_++];
}

void Pty::Write(const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(writeMutex_);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = write(master_, bytes.data() + done, bytes.size() - done);
    if (put > 0) {
      done += static_cast<size_t>(put);
    } else if (put < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitFor(POLLOUT, -1)) return;
    } else {
      ThrowErrno("write pty master");
    }
  }
}

bool Pty::Sleep(std::chrono::milliseconds duration) {
  pollfd stop{stopRead_, POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + duration;
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return true;
    const int ready = poll(&stop, 1, static_cast<int>(left.count()));
    if (ready > 0) return false;
    if (ready < 0 && errno != EINTR) ThrowErrno("poll");
  }
}

bool Pty::SleepUntil(std::chrono::steady_clock::time_point when) {
  pollfd stop{stopRead_, POLLIN, 0};
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
        when - std::chrono::steady_clock::now());
    if (left.count() <= 0) return true;
    const timespec wait{static_cast<time_t>(left.count() / 1000000000),
                        static_cast<long>(left.count() % 1000000000)};
    const int ready = ppoll(&stop, 1, &wait, nullptr);
    if (ready > 0) return false;
    if (ready < 0 && errno != EINTR) ThrowErrno("ppoll");
  }
}

void Pty::Stop() {
  const uint8_t wake = 1;
  while (write(stopWrite_, &wake, 1) < 0 && errno == EINTR) {
  }
}

bool Pty::Stopped() const {
  pollfd stop{stopRead_, POLLIN, 0};
  return poll(&stop, 1, 0) > 0;
}

}  // namespace sigra::emu
