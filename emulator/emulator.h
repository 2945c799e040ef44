// A software fiscal printer on a pseudo-terminal. The host opens DevicePath()
// as its serial port; a thread of the emulator answers the printer's side of
// each command sequence from a Printer model and a CommandTable, and records
// every byte on the line and a readable journal of what the printer did.
//
// Every method may be called from any thread while the host talks to the
// printer. Changes take effect from the next command the printer reads.
#ifndef SIGRA_EMULATOR_EMULATOR_H
#define SIGRA_EMULATOR_EMULATOR_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "emulator/command_table.h"
#include "emulator/printer.h"

namespace sigra::emu {

enum class Direction { HostToPrinter, PrinterToHost };

struct WireByte {
  Direction dir;
  uint8_t value;
  std::chrono::steady_clock::time_point at;
};

class Emulator {
 public:
  // A printer of device type 0..9 with the standard command set; `version` is
  // what the model query (254) reports on the types that answer it, a negative
  // value picks the type's usual version. std::out_of_range for another type,
  // std::system_error when no pseudo-terminal can be had.
  explicit Emulator(int deviceType, int version = -1);
  ~Emulator();
  Emulator(const Emulator&) = delete;
  Emulator& operator=(const Emulator&) = delete;

  // The pty slave, e.g. /dev/pts/5.
  const std::string& DevicePath() const;
  // Makes <dir>/com<n> a symbolic link to DevicePath(), replacing what was there.
  void LinkAsComPort(const std::string& dir, int n) const;
  int DeviceType() const;
  int Version() const;

  // Status model. Status commands: 94, 96, 144, 148, 149, 150, 155 and 159.
  void SetStatus(uint8_t statusCommand, uint8_t value);
  uint8_t Status(uint8_t statusCommand) const;
  // Status bytes 1 to 8; 1, 2 and 3 are those of status commands 155, 148, 149.
  void SetStatusByte(int n, uint8_t value);
  uint8_t StatusByte(int n) const;

  // Printing model (see printer.h): a printout lasts a number of status polls
  // (microseconds under a line rate).
  void StartPrintout(int polls);
  bool Printing() const;
  void SetPaper(bool present);
  void PaperRunsOutAfter(int polls);
  void SetPrinterFailure(bool failed);
  void SetControllerLost(bool lost);
  // Runs `edit` on the printer model while no command is being served.
  void WithPrinter(const std::function<void(Printer&)>& edit);
  // A printer on a real line of this speed: bytes pass each way no faster
  // than 11 bits a character allow, and printing takes kLinesPerSecond lines a
  // second (printing_time.h). 0 gives back the instant line and the printing
  // counted in polls.
  void SetLineRate(int bitsPerSecond);
  // From now on a Luno hears only a host at the line speed its settings block
  // selects, set here to 9600, 19200 or 28800 bit/s, and follows the block when
  // a settings write changes it; bytes at another speed are noted and ignored,
  // as a real line garbles them. Other models and a Luno never set so hear
  // any speed. std::invalid_argument for another speed.
  void FixLineSpeed(uint32_t baud);
  // Defines or redefines a command of this printer.
  void Define(uint8_t code, Command command);

  // Fault injection. AnswerWith answers `command` with exactly `bytes` from now
  // on, leaving the printer's state alone; data still follows when the bytes
  // begin with ACK (or are empty) and the printer knows the command.
  void AnswerWith(uint8_t command, std::vector<uint8_t> bytes);
  void Nak(uint8_t command);
  // A switched-off printer: reads everything, answers nothing.
  void SetSilent(bool silent);
  // Waits this long before each answer.
  void SetAnswerDelay(std::chrono::milliseconds delay);
  // Waits this long before the bytes `command` sends after its data, as a
  // printer does that searches its fiscal memory before it answers.
  void DelayAfterData(uint8_t command, std::chrono::milliseconds delay);
  void ClearFaults();
  // Writes bytes to the host unasked.
  void Inject(std::vector<uint8_t> bytes);

  // Record of the line since the start or the last ClearRecord.
  std::vector<WireByte> Wire() const;
  std::vector<uint8_t> HostBytes() const;
  // Host bytes split where the printer saw a command frame begin: {27, cmd,
  // data...}. Bytes sent outside any frame stay with the frame before them.
  std::vector<std::vector<uint8_t>> Commands() const;
  void ClearRecord();
  // Whether the record holds at least `count` host bytes within `timeout`.
  bool WaitForHostBytes(size_t count, std::chrono::milliseconds timeout) const;

  // Every document the printer printed, as the paper shows it: lines of at
  // most 40 characters, each ended by '\n', Polish letters in UTF-8.
  std::vector<std::string> Printouts() const;

  // Readable lines of what the printer did, e.g. "device type query -> 06 2C".
  std::vector<std::string> Journal() const;
  // Also hands each new journal line to `listener`, on the thread that made
  // it; the listener must not call the emulator.
  void SetJournalListener(std::function<void(const std::string&)> listener);
  // Also notes the bytes of each command sequence in hex, host's then
  // printer's: "  hex > 1B 23 < 06".
  void SetHexJournal(bool on);
  // How long the printer waits for each data byte of a frame (default 1 s)
  // before it drops the frame; longer for a host that may stall, such as a
  // program under a Windows compatibility layer on a busy machine.
  void SetDataTimeout(std::chrono::milliseconds timeout);
  // Runs `hook` on the printer model after each command sequence, before the
  // next one is read; the hook must not call the emulator or throw.
  void SetAfterCommand(std::function<void(const Printer&)> hook);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sigra::emu

#endif
