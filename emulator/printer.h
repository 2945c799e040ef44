// The printer's own state, apart from any transport: the status bytes and the
// printing model. Command handlers act on it; it knows nothing of frames.
//
// Printing model: a print order leaves the printer printing for a number of
// status polls (reads of status byte 3, command 149 or 85) rather than for a
// time, so that a host loop sees the same sequence on every run. During the
// first half of a printout the document still waits in memory (status 148
// bit 1); throughout it characters sit in the print buffer (149 bit 0). When the
// paper runs out the printout stops (149 bits 1 and 6, bit 0 stays set) and
// polls no longer move it on; once paper is back the resume command (42)
// continues it.
//
// Each setter and each step of the printing model changes only its own bits,
// so a status byte set outright with SetStatus keeps its value until the model
// has a reason to change one of its bits.
#ifndef SIGRA_EMULATOR_PRINTER_H
#define SIGRA_EMULATOR_PRINTER_H

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "emulator/customer_display.h"
#include "emulator/device_traits.h"
#include "emulator/fiscal_memory.h"
#include "emulator/fiscal_state.h"
#include "emulator/printer_clock.h"
#include "emulator/service_state.h"
#include "emulator/user_data.h"

namespace sigra::emu {

class Printer {
 public:
  // `note` receives a readable line for each thing the printer does.
  Printer(DeviceTraits traits, std::function<void(const std::string&)> note);

  const DeviceTraits& Traits() const { return traits_; }
  void Note(const std::string& line) const;

  // Commands that answer one status byte without acknowledgement.
  static constexpr std::array<uint8_t, 8> kStatusCommands = {94, 96, 144, 148, 149, 150, 155, 159};

  // Stored value of a status command's byte; std::invalid_argument for other
  // commands. Reading it here is not a poll.
  uint8_t Status(uint8_t statusCommand) const;
  void SetStatus(uint8_t statusCommand, uint8_t value);
  // Status bytes 1 to 8 as the ordinary status commands answer them; bytes 1,
  // 2 and 3 are those of status commands 155, 148 and 149.
  uint8_t StatusByte(int n) const;
  void SetStatusByte(int n, uint8_t value);
  // A read by the host: answers the byte, and a read of status byte 3 then
  // moves a running printout on by one poll.
  uint8_t ReadStatus(uint8_t statusCommand);
  uint8_t ReadStatusByte(int n);

  // Starts printing for `polls` more polls (added to a printout under way).
  void StartPrintout(int polls);
  bool Printing() const { return polled_ < printoutPolls_; }
  // The resume command: continues a printout stopped for lack of paper when
  // paper is back; otherwise changes nothing.
  void ResumePrintout();
  void SetPaper(bool present);
  // The paper runs out once the printout has moved on this many more polls.
  void PaperRunsOutAfter(int polls);
  void SetPrinterFailure(bool failed);
  void SetControllerLost(bool lost);
  // Sets or clears one bit of a status command's byte.
  void SetBit(uint8_t statusCommand, int bit, bool on);

  // Tax rates, the open receipt, the fiscal day's counters and totals.
  FiscalState& Fiscal() { return fiscal_; }
  const FiscalState& Fiscal() const { return fiscal_; }
  // Puts a document on paper: kept as one printout (lines joined by '\n'),
  // noted line by line behind "| ", and printing for a number of polls that
  // grows with its length.
  void Print(const std::vector<std::string>& lines);
  const std::vector<std::string>& Printouts() const { return printouts_; }

  // The real-time clock and what the printer keeps for good: the daily
  // reports, its unique number and the dates kept for the operator.
  PrinterClock& Clock() { return clock_; }
  const PrinterClock& Clock() const { return clock_; }
  FiscalMemory& Memory() { return memory_; }
  const FiscalMemory& Memory() const { return memory_; }
  // The remote power-off: a switched-off printer answers nothing until it is
  // switched on again.
  void SwitchOff();
  void SwitchOn();
  bool SwitchedOff() const { return switchedOff_; }

  // Register number, feed lines, rounding, the configuration block and a
  // control print of the names database under way.
  ServiceState& Service() { return service_; }
  const ServiceState& Service() const { return service_; }
  // The header lines printed on every receipt.
  UserData& UserDataLines() { return userData_; }
  const UserData& UserDataLines() const { return userData_; }
  // Advertising lines and image of the graphic customer display.
  CustomerDisplay& Display() { return display_; }
  const CustomerDisplay& Display() const { return display_; }
  // A byte the host sent outside any command frame: taken as a record of a
  // names-database control print while one is open; false when the printer
  // has no use for it.
  bool TakeLooseByte(uint8_t byte);

 private:
  uint8_t& StatusRef(uint8_t statusCommand);
  void Poll();
  void UpdatePrintBits();

  DeviceTraits traits_;
  std::function<void(const std::string&)> note_;
  std::array<uint8_t, 8> statusCommandBytes_{};
  std::array<uint8_t, 5> bytes4To8_{};
  int printoutPolls_ = 0;
  int polled_ = 0;
  bool stopped_ = false;
  bool paper_ = true;
  std::optional<int> paperLeftPolls_;
  FiscalState fiscal_;
  PrinterClock clock_;
  FiscalMemory memory_;
  bool switchedOff_ = false;
  std::vector<std::string> printouts_;
  ServiceState service_;
  UserData userData_;
  CustomerDisplay display_;
};

}  // namespace sigra::emu

#endif
