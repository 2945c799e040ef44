#include "emulator/control_channel.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

namespace sigra::emu {
namespace {

constexpr const char* kHelp =
    "ok commands: paper out|in, paper out-after POLLS, head up|down, drawer open|closed, power off|on, "
    "controller lost|back, failure on|off, cut before-end|after-ack|printing [MS], status, help";

// Status byte 4.
constexpr uint8_t kDrawerClosed = 0x08;
// Status byte 5, on the models that have it.
constexpr int kNoPaperOriginal = 2;
constexpr int kHeadRaisedOriginal = 4;

const std::map<std::string, PowerCut, std::less<>> kCutPoints = {
    {"before-end", PowerCut::BeforeReceiptEnd},
    {"after-ack", PowerCut::AfterReceiptEndAck},
    {"printing", PowerCut::WhilePrinting}};

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
  if (words.size() == 3 && words[0] == "paper" && words[1] == "out-after") {
    int polls = 0;
    const std::string& text = words[2];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), polls);
    if (error != std::errc() || end != text.data() + text.size() || polls < 1) {
      return "error: the paper runs out after 1 or more polls, not \"" + text + "\"";
    }
    emulator_.PaperRunsOutAfter(polls);
  } else if (is("paper", "out") || is("paper", "in")) {
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
  } else if ((words.size() == 2 || words.size() == 3) && words[0] == "cut") {
    const auto point = kCutPoints.find(words[1]);
    if (point == kCutPoints.end()) {
      return "error: cut at before-end, after-ack or printing, not \"" + words[1] + "\"";
    }
    std::optional<std::chrono::milliseconds> downtime;
    if (words.size() == 3) {
      int ms = 0;
      const std::string& text = words[2];
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), ms);
      if (error != std::errc() || end != text.data() + text.size() || ms < 0) {
        return "error: the time off is milliseconds, not \"" + text + "\"";
      }
      downtime = std::chrono::milliseconds(ms);
    }
    emulator_.WithPrinter([&](Printer& printer) { printer.ArmPowerCut(point->second, downtime); });
  } else if (words.empty()) {
    return "error: empty command (help lists them)";
  } else {
    return "error: unknown command \"" + std::string(line) + "\" (help lists them)";
  }
  return "ok";
}

}  // namespace sigra::emu
