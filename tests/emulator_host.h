// A host on the emulator's pseudo-terminal: plain POSIX calls, byte for byte,
// as a serial port user would make them. Shared by the emulator's tests.
#ifndef SIGRA_TESTS_EMULATOR_HOST_H
#define SIGRA_TESTS_EMULATOR_HOST_H

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "emulator/emulator.h"


namespace sigra::emu::testing {

using namespace std::chrono_literals;

using sigra::emu::Bytes;
using sigra::emu::Emulator;

constexpr uint8_t ESC = 0x1B;
constexpr uint8_t ACK = 0x06;
constexpr uint8_t NAK = 0x15;

class Host {
 public:
  explicit Host(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    EXPECT_GE(fd_, 0) << path;
  }
  ~Host() { close(fd_); }

  void Send(const Bytes& bytes) {
    ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Up to `count` bytes, whatever arrived within `timeout`.
  Bytes Receive(size_t count, std::chrono::milliseconds timeout = 1000ms) {
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd in{fd_, POLLIN, 0};
      if (left.count() <= 0 || poll(&in, 1, static_cast<int>(left.count())) <= 0) break;
      uint8_t byte = 0;
      if (read(fd_, &byte, 1) == 1) got.push_back(byte);
    }
    return got;
  }

  // The line speed of the host's end, as a serial port user sets it.
  void SetSpeed(speed_t speed) {
    termios settings{};
    ASSERT_EQ(tcgetattr(fd_, &settings), 0);
    cfsetspeed(&settings, speed);
    ASSERT_EQ(tcsetattr(fd_, TCSANOW, &settings), 0);
  }

  Bytes Exchange(const Bytes& sent, size_t answerLength,
                 std::chrono::milliseconds timeout = 1000ms) {
    Send(sent);
    return Receive(answerLength, timeout);
  }

  uint8_t ReadStatus(uint8_t command) {
    const Bytes answer = Exchange({ESC, command}, 1);
    EXPECT_EQ(answer.size(), 1U) << "status " << int{command};
    return answer.empty() ? 0 : answer[0];
  }

  // The readings of one round of the host's print-control loop, as its pattern
  // of 148 bit 1, 149 bit 0 and 149 bit 6.
  std::string PrintPattern() {
    ReadStatus(149);
    const uint8_t a = ReadStatus(148);
    const uint8_t b = ReadStatus(149);
    return std::string{Bit(a, 1), Bit(b, 0), Bit(b, 6)};
  }

 private:
  static char Bit(uint8_t byte, int bit) { return (byte >> bit) & 1 ? '1' : '0'; }
  int fd_;
};

inline bool JournalHas(const Emulator& emulator, const std::string& text) {
  for (const std::string& line : emulator.Journal()) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}


}  // namespace sigra::emu::testing

#endif
