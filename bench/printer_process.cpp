#include "bench/printer_process.h"

#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "emulator/printer.h"

namespace sigra::bench {
namespace {

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t put = write(fd, text.data() + done, text.size() - done);
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

// One line from the channel, without its '\n'; empty once the other side is gone.
std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

bool IsStatusFrame(const std::vector<uint8_t>& frame) {
  const auto& codes = emu::Printer::kStatusCommands;
  return frame.size() == 2 && std::find(codes.begin(), codes.end(), frame[1]) != codes.end();
}

// `printouts`: how many printouts earlier counts have seen.
LineCount CountAndForget(emu::Emulator& printer, size_t& printouts) {
  LineCount count;
  const std::vector<std::string> paper = printer.Printouts();
  for (; printouts < paper.size(); ++printouts) {
    count.printedLines +=
        static_cast<uint64_t>(std::count(paper[printouts].begin(), paper[printouts].end(), '\n'));
  }
  for (const std::vector<uint8_t>& frame : printer.Commands()) {
    if (IsStatusFrame(frame)) {
      count.hostPoll += frame.size();
      ++count.printerPoll;
    } else {
      count.hostCommand += frame.size();
    }
  }
  for (const emu::WireByte& byte : printer.Wire()) {
    if (byte.dir == emu::Direction::PrinterToHost) ++count.printerCommand;
  }
  count.printerCommand -= std::min(count.printerCommand, count.printerPoll);
  printer.ClearRecord();
  return count;
}

[[noreturn]] void ServePrinter(int channel, const std::string& folder, int deviceType,
                               const std::function<void(emu::Emulator&)>& setup) {
  int status = 0;
  try {
    emu::Emulator printer(deviceType);
    setup(printer);
    printer.LinkAsComPort(folder, 1);
    WriteAll(channel, printer.DevicePath() + "\n");
    char request = 0;
    size_t printouts = 0;
    while (read(channel, &request, 1) == 1) {
      const LineCount c = CountAndForget(printer, printouts);
      WriteAll(channel, std::to_string(c.hostCommand) + " " + std::to_string(c.hostPoll) + " " +
                            std::to_string(c.printerCommand) + " " + std::to_string(c.printerPoll) +
                            " " + std::to_string(c.printedLines) + "\n");
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "printer process: %s\n", error.what());
    status = 1;
  }
  _exit(status);
}

}  // namespace

PrinterProcess::PrinterProcess(int deviceType, const std::function<void(emu::Emulator&)>& setup) {
  char pattern[] = "/tmp/sigra-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("no temporary folder");
  folder_ = pattern;
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    throw std::runtime_error("no socket pair");
  }
  child_ = fork();
  if (child_ < 0) throw std::runtime_error("cannot fork");
  if (child_ == 0) {
    close(ends[0]);
    ServePrinter(ends[1], folder_, deviceType, setup);
  }
  close(ends[1]);
  channel_ = ends[0];
  devicePath_ = ReadLine(channel_);
  if (devicePath_.empty()) throw std::runtime_error("the printer process did not start");
  setenv("SIGRA_DOSDEVICES", folder_.c_str(), 1);
}

PrinterProcess::~PrinterProcess() {
  close(channel_);
  int status = 0;
  waitpid(child_, &status, 0);
  std::filesystem::remove_all(folder_);
}

LineCount PrinterProcess::Count() {
  LineCount count;
  if (!WriteAll(channel_, "c")) return count;
  const std::string line = ReadLine(channel_);
  unsigned long long values[5] = {};
  if (std::sscanf(line.c_str(), "%llu %llu %llu %llu %llu", &values[0], &values[1], &values[2],
                  &values[3], &values[4]) == 5) {
    count = {values[0], values[1], values[2], values[3], values[4]};
  }
  return count;
}

}  // namespace sigra::bench
