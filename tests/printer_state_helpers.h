// Looking at the emulated printer's state from a test: under the emulator's
// lock, and waiting for the printer to act on data it has just received.
#ifndef SIGRA_TESTS_PRINTER_STATE_HELPERS_H
#define SIGRA_TESTS_PRINTER_STATE_HELPERS_H

#include <chrono>
#include <functional>
#include <thread>
#include <type_traits>

#include "emulator/emulator.h"

namespace sigra::testing {

// What `read` finds on the printer.
template <class Read>
auto Peek(emu::Emulator& emulator, Read&& read) {
  std::invoke_result_t<Read, emu::Printer&> value{};
  emulator.WithPrinter([&](emu::Printer& printer) { value = read(printer); });
  return value;
}

// Whether `condition` holds within two seconds. The driver returns once its
// last data byte is written; the printer acts on it a moment later.
inline bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace sigra::testing

#endif
