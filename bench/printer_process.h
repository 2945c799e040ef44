// An emulated printer in a process of its own, so that the CPU time a
// benchmark reads for its own process is the client's alone. The child makes
// the printer, links it as COM1 in a temporary folder and serves until the
// parent is gone; on request it counts the bytes the line carried.
#ifndef SIGRA_BENCH_PRINTER_PROCESS_H
#define SIGRA_BENCH_PRINTER_PROCESS_H

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

#include "emulator/emulator.h"

namespace sigra::bench {

// Bytes on the line since the last count, split into the command sequences
// proper and the status polls (the one-byte status commands with their
// answers), and the lines printed meanwhile.
struct LineCount {
  uint64_t hostCommand = 0;
  uint64_t hostPoll = 0;
  uint64_t printerCommand = 0;
  uint64_t printerPoll = 0;
  uint64_t printedLines = 0;
};

class PrinterProcess {
 public:
  // Forks before the caller has threads of its own; `setup` runs in the child
  // on the new printer. Points SIGRA_DOSDEVICES at the folder holding COM1.
  PrinterProcess(int deviceType, const std::function<void(emu::Emulator&)>& setup);
  ~PrinterProcess();
  PrinterProcess(const PrinterProcess&) = delete;
  PrinterProcess& operator=(const PrinterProcess&) = delete;

  const std::string& DevicePath() const { return devicePath_; }
  // Counts the bytes and printed lines since the last count.
  LineCount Count();

 private:
  pid_t child_ = -1;
  int channel_ = -1;
  std::string folder_;
  std::string devicePath_;
};

}  // namespace sigra::bench

#endif
