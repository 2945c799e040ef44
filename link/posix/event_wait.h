// A wait for a descriptor or an event in one blocking call: a transfer waits
// out the port's whole timeout in it, and setting the event (the abort of a
// closing port) still ends it at once.
#ifndef SIGRA_LINK_POSIX_EVENT_WAIT_H
#define SIGRA_LINK_POSIX_EVENT_WAIT_H

#include <chrono>
#include <optional>

#include "link/os_event.h"

namespace sigra::link::os {

enum class FdWait { Ready, EventSet, Timeout, Failed };

// Waits until `fd` reports one of the poll `events` (Ready, with what it
// reported in `revents`) or `event` is set, until `deadline` when one is
// given. EventSet wins over a ready descriptor.
FdWait WaitForFdOrEvent(int fd, short events, short& revents, const Event& event,
                        std::optional<std::chrono::steady_clock::time_point> deadline);

}  // namespace sigra::link::os

#endif
