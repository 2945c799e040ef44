// The error beep: 1000 Hz for 50 ms through the PC speaker. Windows sounds it
// with Beep. On Linux the speaker is reached through its input device (a tone
// event) or, failing that, the console's sound ioctl; without either the beep
// is silent.
#include <chrono>
#include <thread>

#include "app/feedback.h"

#if defined(__linux__)
#include <fcntl.h>
#include <linux/input.h>
#include <linux/kd.h>
#include <sys/ioctl.h>
#include <unistd.h>
#elif defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace sigra::app {
namespace {

constexpr int kFrequency = 1000;
constexpr std::chrono::milliseconds kDuration(50);

#if defined(__linux__)
// The programmable interval timer's clock, for the console ioctl's divisor.
constexpr int kTimerClock = 1193180;

bool ToneEvent(int fd, int frequency) {
  input_event event{};
  event.type = EV_SND;
  event.code = SND_TONE;
  event.value = frequency;
  return write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

bool BeepThroughInputDevice() {
  int fd = open("/dev/input/by-path/platform-pcspkr-event-spkr", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  bool sounded = ToneEvent(fd, kFrequency);
  if (sounded) {
    std::this_thread::sleep_for(kDuration);
    ToneEvent(fd, 0);
  }
  close(fd);
  return sounded;
}

bool BeepThroughConsole() {
  for (const char* path : {"/dev/console", "/dev/tty0"}) {
    int fd = open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) continue;
    bool sounded = ioctl(fd, KIOCSOUND, kTimerClock / kFrequency) == 0;
    if (sounded) {
      std::this_thread::sleep_for(kDuration);
      ioctl(fd, KIOCSOUND, 0);
    }
    close(fd);
    if (sounded) return true;
  }
  return false;
}
#endif

}  // namespace

void ErrorBeep() {
#if defined(__linux__)
  if (!BeepThroughInputDevice()) BeepThroughConsole();
#elif defined(_WIN32)
  ::Beep(static_cast<DWORD>(kFrequency), static_cast<DWORD>(kDuration.count()));
#endif
}

}  // namespace sigra::app
