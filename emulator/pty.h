// The printer's end of a pseudo-terminal: the host opens the slave path as its
// serial port, the printer reads and writes the master.
//
// A slave descriptor stays open for the pty's whole life: without it the master
// reads EIO whenever the host closes its end, and the line settings would be
// lost between the host's openings.
#ifndef SIGRA_EMULATOR_PTY_H
#define SIGRA_EMULATOR_PTY_H

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sigra::emu {

class Pty {
 public:
  // Opens the pair and puts the line in raw mode; std::system_error on failure.
  Pty();
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  const std::string& SlavePath() const { return slavePath_; }

  // Next byte from the host; none on timeout (no timeout: wait without limit)
  // or once stopped. std::system_error when the master fails.
  std::optional<uint8_t> Read(std::optional<std::chrono::milliseconds> timeout);
  // Writes all bytes unless stopped first. Safe from several threads.
  void Write(const std::vector<uint8_t>& bytes);
  // Waits `duration`; false when stopped meanwhile.
  bool Sleep(std::chrono::milliseconds duration);
  // Ends every wait at once, now and later.
  void Stop();
  bool Stopped() const;
  // The output speed in bit/s the host has set on its end of the line.
  uint32_t HostSpeed() const;

 private:
  // Waits for `events` on the master or for the stop; true when the master is ready.
  bool WaitFor(short events, int timeoutMs);

  int master_ = -1;
  int slave_ = -1;
  int stopRead_ = -1;
  int stopWrite_ = -1;
  std::string slavePath_;
  std::array<uint8_t, 256> buffer_{};
  size_t bufferBegin_ = 0;
  size_t bufferEnd_ = 0;
  std::mutex writeMutex_;
};

}  // namespace sigra::emu

#endif
