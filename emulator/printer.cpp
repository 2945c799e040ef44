#include "emulator/printer.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace sigra::emu {
namespace {

constexpr uint8_t kByte1 = 155;
constexpr uint8_t kByte2 = 148;
constexpr uint8_t kByte3 = 149;

constexpr uint8_t kCmdReceiptEnd = 36;

// Byte 2 (148).
constexpr int kAwaitsPrinting = 1;
constexpr int kControllerLost148 = 7;
// Byte 3 (149).
constexpr int kPrinting = 0;
constexpr int kNoPaper = 1;
constexpr int kFailure = 2;
constexpr int kReceiptCancelled = 4;
constexpr int kStoppedNoPaper = 6;
constexpr int kControllerLost149 = 7;

// A healthy printer in training mode with maker and user data entered, and a
// closed cash drawer.
constexpr uint8_t kInitialByte1 = 0x03;
constexpr uint8_t kInitialByte4 = 0x08;

size_t StatusIndex(uint8_t command) {
  const auto& commands = Printer::kStatusCommands;
  const auto* found = std::find(commands.begin(), commands.end(), command);
  if (found == commands.end()) {
    throw std::invalid_argument(std::to_string(command) + " is not a status command");
  }
  return static_cast<size_t>(found - commands.begin());
}

void CheckStatusByteNumber(int n) {
  if (n < 1 || n > 8) throw std::out_of_range("status byte " + std::to_string(n) + " is not 1..8");
}

}  // namespace

Printer::Printer(DeviceTraits traits, std::function<void(const std::string&)> note)
    : traits_(traits),
      note_(std::move(note)),
      fiscal_(traits_),
      userData_(static_cast<size_t>(traits_.userDataLines)) {
  StatusRef(kByte1) = kInitialByte1;
  bytes4To8_[0] = kInitialByte4;
}

void Printer::Note(const std::string& line) const {
  if (note_) note_(line);
}

uint8_t Printer::Status(uint8_t statusCommand) const {
  return statusCommandBytes_[StatusIndex(statusCommand)];
}

void Printer::SetStatus(uint8_t statusCommand, uint8_t value) {
  StatusRef(statusCommand) = value;
}

uint8_t& Printer::StatusRef(uint8_t statusCommand) {
  return statusCommandBytes_[StatusIndex(statusCommand)];
}

uint8_t Printer::StatusByte(int n) const {
  CheckStatusByteNumber(n);
  switch (n) {
    case 1:
      return Status(kByte1);
    case 2:
      return Status(kByte2);
    case 3:
      return Status(kByte3);
    default:
      return bytes4To8_[static_cast<size_t>(n - 4)];
  }
}

void Printer::SetStatusByte(int n, uint8_t value) {
  CheckStatusByteNumber(n);
  switch (n) {
    case 1:
      SetStatus(kByte1, value);
      break;
    case 2:
      SetStatus(kByte2, value);
      break;
    case 3:
      SetStatus(kByte3, value);
      break;
    default:
      bytes4To8_[static_cast<size_t>(n - 4)] = value;
  }
}

uint8_t Printer::ReadStatus(uint8_t statusCommand) {
  CatchUp();
  const uint8_t value = Status(statusCommand);
  if (statusCommand == kByte3) Poll();
  return value;
}

uint8_t Printer::ReadStatusByte(int n) {
  CatchUp();
  const uint8_t value = StatusByte(n);
  if (n == 3) Poll();
  return value;
}

void Printer::SetBit(uint8_t statusCommand, int bit, bool on) {
  uint8_t& byte = StatusRef(statusCommand);
  const auto mask = static_cast<uint8_t>(1U << bit);
  byte = on ? static_cast<uint8_t>(byte | mask) : static_cast<uint8_t>(byte & ~mask);
}

void Printer::StartPrintout(int polls) {
  if (polls <= 0) return;
  if (printingTime_ && !Printing()) printingTime_->Mark();
  printoutPolls_ += polls;
  Note("printout started (" +
       (printingTime_ ? std::to_string(polls / 1000) + " ms" : std::to_string(polls) + " polls") +
       ")");
  if (!paper_ && !stopped_) {
    stopped_ = true;
    Note("printout stopped: no paper");
  }
  UpdatePrintBits();
}

void Printer::ResumePrintout() {
  if (!stopped_) {
    Note("resume: no printout stopped");
  } else if (!paper_) {
    Note("resume: still no paper");
  } else {
    stopped_ = false;
    if (printingTime_) printingTime_->Mark();
    Note("printout resumed");
    UpdatePrintBits();
  }
}

void Printer::SetPaper(bool present) {
  CatchUp();
  paper_ = present;
  SetBit(kByte3, kNoPaper, !present);
  Note(present ? "paper loaded" : "paper out");
  if (!present && Printing() && !stopped_) {
    stopped_ = true;
    Note("printout stopped: no paper");
    UpdatePrintBits();
  }
}

void Printer::PaperRunsOutAfter(int polls) {
  if (polls <= 0) {
    paperLeftPolls_.reset();
    SetPaper(false);
  } else {
    paperLeftPolls_ = polls;
  }
}

void Printer::SetPrinterFailure(bool failed) {
  SetBit(kByte3, kFailure, failed);
  Note(failed ? "printer failure" : "printer failure cleared");
}

void Printer::SetControllerLost(bool lost) {
  SetBit(kByte2, kControllerLost148, lost);
  SetBit(kByte3, kControllerLost149, lost);
  Note(lost ? "no communication with the printer controller"
            : "communication with the printer controller back");
}

void Printer::SwitchOff(std::optional<std::chrono::milliseconds> downtime) {
  switchedOff_ = true;
  switchOnAt_.reset();
  if (downtime) switchOnAt_ = std::chrono::steady_clock::now() + *downtime;
  Note("switched off");
}

void Printer::SwitchOn() {
  switchedOff_ = false;
  switchOnAt_.reset();
  Note("switched on");
  if (fiscal_.receipt) CancelReceipt("power lost");
}

void Printer::PowerBackIfDue() {
  if (switchedOff_ && switchOnAt_ && std::chrono::steady_clock::now() >= *switchOnAt_) SwitchOn();
}

void Printer::ArmPowerCut(PowerCut point, std::optional<std::chrono::milliseconds> downtime) {
  armedCut_ = ArmedCut{.point = point, .downtime = downtime, .printoutPolls = std::nullopt};
}

void Printer::BeforeAnswer(uint8_t command) {
  if (!armedCut_ || switchedOff_) return;
  ArmedCut& cut = *armedCut_;
  const bool closing = command == kCmdReceiptEnd && fiscal_.receipt.has_value();
  const bool poll = command == kByte3 && cut.printoutPolls && Printing();
  if (cut.point == PowerCut::BeforeReceiptEnd && closing) {
    Note("power cut before the receipt end");
  } else if (cut.point == PowerCut::WhilePrinting && poll && ++*cut.printoutPolls == 2) {
    Note("power cut while the receipt prints");
  } else {
    return;
  }
  const auto downtime = cut.downtime;
  armedCut_.reset();
  SwitchOff(downtime);
}

void Printer::AfterAnswer(uint8_t command) {
  if (!armedCut_ || command != kCmdReceiptEnd || fiscal_.receipt || !Printing()) return;
  if (armedCut_->point == PowerCut::WhilePrinting) {
    armedCut_->printoutPolls = 0;
  } else if (armedCut_->point == PowerCut::AfterReceiptEndAck) {
    Note("power cut after the receipt end was acknowledged");
    const auto downtime = armedCut_->downtime;
    armedCut_.reset();
    SwitchOff(downtime);
  }
}

void Printer::CancelReceipt(const std::string& reason) {
  Note("receipt cancelled: " + reason);
  Print(fiscal_.receipt->CancelledPrintout(reason));
  fiscal_.receipt.reset();
  SetBit(kByte3, kReceiptCancelled, true);
}

void Printer::Print(const std::vector<std::string>& lines) {
  std::string printout;
  for (const std::string& line : lines) {
    Note("| " + line);
    printout += line + '\n';
  }
  printouts_.push_back(printout);
  // Timed, the lines take their printing time; otherwise a few polls for
  // every few lines, so that a host sees the printout going.
  StartPrintout(printingTime_ ? printingTime_->For(lines.size())
                              : 2 + static_cast<int>(lines.size()) / 8);
}

bool Printer::TakeLooseByte(uint8_t byte) {
  if (!service_.namesRecords) return false;
  service_.namesRecords->push_back(byte);
  return true;
}

void Printer::SetPrintingTime(std::optional<PrintingTime> time) {
  printingTime_ = time;
  if (printingTime_) printingTime_->Mark();
}

void Printer::Poll() {
  if (!Printing() || stopped_) return;
  if (!printingTime_) MoveOn(1);
  if (paperLeftPolls_ && --*paperLeftPolls_ == 0) {
    paperLeftPolls_.reset();
    SetPaper(false);
  }
}

void Printer::MoveOn(int progress) {
  polled_ += progress;
  if (!Printing()) {
    printoutPolls_ = 0;
    polled_ = 0;
    Note("printout finished");
  }
  UpdatePrintBits();
}

void Printer::CatchUp() {
  if (printingTime_ && Printing() && !stopped_) MoveOn(printingTime_->Passed());
}

void Printer::UpdatePrintBits() {
  SetBit(kByte3, kPrinting, Printing());
  SetBit(kByte3, kStoppedNoPaper, stopped_);
  SetBit(kByte2, kAwaitsPrinting, Printing() && polled_ < printoutPolls_ / 2);
}

}  // namespace sigra::emu
