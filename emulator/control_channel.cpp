#include "emulator/control_channel.h"

#include <cstdio>
#include <sstream>
#include <vector>

namespace sigra::emu {
namespace {

constexpr const char* kHelp =
    "ok commands: paper out|in, head up|down, drawer open|closed, power off|on, "
    "controller lost|back, failure on|off, status, help";

// Status byte 4.
constexpr uint8_t kDrawerClosed = 0x08;
// Status byte 5, on the models that have it.
constexpr int kNoPaperOriginal = 2;
constexpr int kHeadRaisedOriginal = 4;

uint8_t WithBit(uint8_t byte, int bit, bool on) {
  const auto mask = static_cast<uint8_t>(1U << bit);
  return on ? static_cast<uint8_t>(byte | mask) : static_cast<uint8_t>(byte & ~mask);
}

}  // namespace

void ControlChannel::UpdatePaper() {
  emulator_.WithPrinter([&](Printer& printer) {
    printer.SetPaper(!paperOut_ && !headUp_);
    if (printer.Traits().hasBytes5And6) {
      uint8_t byte5 = printer.StatusByte(5);
      byte5 = WithBit(byte5, kNoPaperOriginal, paperOut_);
      byte5 = WithBit(byte5, kHeadRaisedOriginal, headUp_);
      printer.SetStatusByte(5, byte5);
    }
    if (headUp_) printer.Note("print head raised");
  });
}

std::string ControlChannel::Execute(std::string_view line) {
  std::istringstream in{std::string(line)};
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  const auto is = [&](const char* first, const char* second) {
    return words.size() == 2 && words[0] == first && words[1] == second;
  };
  if (words.size() == 1 && words[0] == "help") return kHelp;
  if (words.size() == 1 && words[0] == "status") {
    std::string reply = "ok";
    emulator_.WithPrinter([&](Printer& printer) {
      for (int n = 1; n <= 8; ++n) {
        char digits[4];
        std::snprintf(digits, sizeof digits, " %02X", printer.StatusByte(n));
        reply += digits;
      }
    });
    return reply;
  }
  if (is("paper", "out") || is("paper", "in")) {
    paperOut_ = words[1] == "out";
    UpdatePaper();
  } else if (is("head", "up") || is("head", "down")) {
    headUp_ = words[1] == "up";
    UpdatePaper();
  } else if (is("drawer", "open") || is("drawer", "closed")) {
    const bool open = words[1] == "open";
    emulator_.WithPrinter([&](Printer& printer) {
      const uint8_t byte4 = printer.StatusByte(4);
      printer.SetStatusByte(4, open ? static_cast<uint8_t>(byte4 & ~kDrawerClosed)
                                    : static_cast<uint8_t>(byte4 | kDrawerClosed));
      printer.Note(open ? "drawer 1 opened" : "drawer 1 closed");
    });
  } else if (is("power", "off") || is("power", "on")) {
    const bool off = words[1] == "off";
    emulator_.WithPrinter(
        [&](Printer& printer) { off ? printer.SwitchOff() : printer.SwitchOn(); });
  } else if (is("controller", "lost") || is("controller", "back")) {
    emulator_.SetControllerLost(words[1] == "lost");
  } else if (is("failure", "on") || is("failure", "off")) {
    emulator_.SetPrinterFailure(words[1] == "on");
  } else if (words.empty()) {
    return "error: empty command (help lists them)";
  } else {
    return "error: unknown command \"" + std::string(line) + "\" (help lists them)";
  }
  return "ok";
}

}  // namespace sigra::emu
