// sigra-emu: a software fiscal printer on a pseudo-terminal, for running the
// driver or the operator program without hardware.
#include <pthread.h>
#include <signal.h>

#include <charconv>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "emulator/control_server.h"
#include "emulator/emulator.h"
#include "emulator/start_state.h"
#include "emulator/state_file.h"
#include "emulator/tester_states.h"

namespace {

constexpr const char* kUsage =
    "usage: sigra-emu --type N [--version V] [--link DIR --port N]\n"
    "                 [--clock-erased] [--fiscal] [--receipts N] [--clock host]\n"
    "                 [--state FILE] [--control -|SOCKET] [--journal hex]\n"
    "                 [--names-full] [--speed B] [--line-rate BAUD]\n"
    "                 [--data-timeout MS] [--unique-number NUMBER] [STATE...]\n"
    "\n"
    "Runs a fiscal printer of device type N (0..9) on a pseudo-terminal until\n"
    "interrupted (SIGINT or SIGTERM).\n"
    "\n"
    "Options:\n"
    "  --type N            device type: 0/1 TX350A 5/7 rates, 2/3 Sigra first/second\n"
    "                      generation, 4/5 TX350B 5/7 rates, 6 Sigra F, 7 Luno,\n"
    "                      8 Luno F, 9 other device\n"
    "  --version V         version the model query reports (types 3, 6, 7, 8);\n"
    "                      alone, --version prints this program's version\n"
    "  --link DIR          also make DIR/comN a link to the device (needs --port)\n"
    "  --port N            the N of that link\n"
    "  --clock-erased      start with the clock (CMOS) memory erased: reports and\n"
    "                      the clock refuse to work until the clock is initialised\n"
    "  --fiscal            start in fiscal mode (default: training mode)\n"
    "  --receipts N        start with N receipts (0..65535) sold in the fiscal day,\n"
    "                      each of 10,00 at rate A\n"
    "  --clock host        the printer's clock shows the host's time and runs with\n"
    "                      it, at the offset that setting or shifting it makes\n"
    "                      (default: it stands at 2024.05.17 14:05:09 until set or\n"
    "                      shifted)\n"
    "  --state FILE        keeps the printer's clock, fiscal memory, counters, tax\n"
    "                      rates, header lines, day totals and settings in FILE\n"
    "                      across restarts: read at the start when it exists,\n"
    "                      rewritten after each command that changes them\n"
    "  --control -         takes control lines from standard input, answering each\n"
    "                      on standard output behind \"control: \"\n"
    "  --control SOCKET    the same through a Unix socket created at SOCKET, one\n"
    "                      client at a time, e.g. echo 'paper out' | nc -U SOCKET\n"
    "  --journal hex       also journals each command sequence's bytes in hex\n"
    "  --names-full        the names database is full (status byte 2 bit 0), so\n"
    "                      that it may be erased after a control print\n"
    "  --speed B           a Luno (7, 8) set to B b/s (9600, 19200, 28800) that\n"
    "                      hears only a host at the speed its settings select;\n"
    "                      without it the printer hears any speed\n"
    "  --line-rate BAUD    behave like a printer on a real line of BAUD bit/s (for\n"
    "                      example 9600 or 28800): take in and send each byte no\n"
    "                      faster than its 11 bits allow (1.146 ms at 9600,\n"
    "                      0.382 ms at 28800), and print 10 lines a second, a\n"
    "                      printout lasting the time of its lines; without it\n"
    "                      bytes pass at once and a printout lasts a few status\n"
    "                      polls\n"
    "  --data-timeout MS   wait MS milliseconds (default 1000) for each data byte\n"
    "                      of a command before dropping the command, for a host\n"
    "                      that may stall between bytes\n"
    "  --unique-number NUMBER\n"
    "                      the printer's unique number, 11 capital letters and\n"
    "                      digits (default ABC12345678), so that two emulated\n"
    "                      printers are told apart; a state file that holds\n"
    "                      one keeps its own\n"
    "  --help              this text\n"
    "\n"
    "States to start in:\n"
    "  --no-user-data      no header entered until the host writes one\n"
    "  --service-jumper    the service jumper in its service position\n"
    "  --drawer-open       drawer 1 standing open; send SIGUSR1 to push it shut\n"
    "  --no-paper          paper out\n"
    "  --negative-display  a Luno's display light on dark\n"
    "\n"
    "The first line printed is the device path, followed by the link when one was\n"
    "made; then one line for each thing the printer does. What it prints on paper\n"
    "(receipts, reports) appears line by line behind \"| \".\n"
    "\n"
    "Control lines: paper out|in, head up|down, drawer open|closed,\n"
    "power off|on, controller lost|back, failure on|off, status (status bytes 1\n"
    "to 8 in hex), help. Each gets one reply: ok, or error: and why.\n"
    "\n"
    "cut POINT [MS] cuts the power at one point of the next receipt closing:\n"
    "before-end (as the receipt end command arrives), after-ack (once it is\n"
    "acknowledged, before printing) or printing (during the printout). The\n"
    "printer comes back after MS milliseconds, or with power on; a receipt left\n"
    "open is cancelled on power-up (status byte 3 bit 4).\n";

struct Options {
  sigra::emu::StartState start;
  int type = -1;
  int version = -1;
  std::optional<std::string> linkDir;
  std::optional<int> port;
  bool hostClock = false;
  std::optional<std::string> stateFile;
  std::optional<std::string> control;
  bool hexJournal = false;
  bool noUserData = false;
  bool serviceJumper = false;
  bool drawerOpen = false;
  bool noPaper = false;
  bool negativeDisplay = false;
  int lineRate = 0;
  std::chrono::milliseconds dataTimeout{1000};
};

// The flag of a state option, or null for another argument.
bool* StateFlag(Options& options, std::string_view name) {
  if (name == "--no-user-data") return &options.noUserData;
  if (name == "--service-jumper") return &options.serviceJumper;
  if (name == "--drawer-open") return &options.drawerOpen;
  if (name == "--no-paper") return &options.noPaper;
  if (name == "--negative-display") return &options.negativeDisplay;
  return nullptr;
}

void ApplyStates(const Options& options, sigra::emu::Emulator& emulator) {
  emulator.WithPrinter([&](sigra::emu::Printer& printer) {
    if (options.noUserData) sigra::emu::ClearUserData(printer);
    if (options.serviceJumper) sigra::emu::SetServiceJumper(printer, true);
    if (options.drawerOpen) sigra::emu::SetDrawerOpen(printer, true);
    if (options.negativeDisplay) sigra::emu::SetNegativeDisplay(printer, true);
  });
}

std::optional<int> ParseNumber(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// None when the arguments are wrong.
std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (bool* flag = StateFlag(options, name)) {
      *flag = true;
      continue;
    }
    if (name == "--clock-erased") {
      options.start.clockErased = true;
      continue;
    }
    if (name == "--names-full") {
      options.start.namesDatabaseFull = true;
      continue;
    }
    if (name == "--fiscal") {
      options.start.fiscalMode = true;
      continue;
    }
    if (++i == argc) return std::nullopt;
    const std::string_view value = argv[i];
    if (name == "--link") {
      options.linkDir = std::string(value);
      continue;
    }
    if (name == "--clock" || name == "--journal") {
      if (value != (name == "--clock" ? "host" : "hex")) return std::nullopt;
      (name == "--clock" ? options.hostClock : options.hexJournal) = true;
      continue;
    }
    if (name == "--unique-number") {
      if (!sigra::emu::ValidUniqueNumber(value)) return std::nullopt;
      options.start.uniqueNumber = std::string(value);
      continue;
    }
    if (name == "--state" || name == "--control") {
      (name == "--state" ? options.stateFile : options.control) = std::string(value);
      continue;
    }
    const std::optional<int> number = ParseNumber(value);
    if (!number) return std::nullopt;
    if (name == "--type") {
      options.type = *number;
    } else if (name == "--version") {
      options.version = *number;
    } else if (name == "--port") {
      options.port = *number;
    } else if (name == "--receipts" && *number >= 0 && *number <= sigra::emu::kMostReceipts) {
      options.start.receiptsSold = *number;
    } else if (name == "--speed" && (*number == 9600 || *number == 19200 || *number == 28800)) {
      options.start.lineSpeed = static_cast<uint32_t>(*number);
    } else if (name == "--line-rate" && *number > 0) {
      options.lineRate = *number;
    } else if (name == "--data-timeout" && *number > 0) {
      options.dataTimeout = std::chrono::milliseconds(*number);
    } else {
      return std::nullopt;
    }
  }
  if (options.type < 0 || options.type > 9) return std::nullopt;
  if (options.linkDir.has_value() != options.port.has_value()) return std::nullopt;
  return options;
}

// Loads the state in `path`, writes it there at once and after every command
// that changes it. A failed write is reported and tried again after the next
// command; the printer goes on.
void KeepState(sigra::emu::Emulator& emulator, const std::string& path) {
  std::string text;
  emulator.WithPrinter([&](sigra::emu::Printer& printer) {
    if (sigra::emu::LoadStateFile(printer, path)) printer.Note("state loaded from " + path);
    text = sigra::emu::StateText(printer);
  });
  sigra::emu::WriteStateFile(path, text);
  emulator.SetAfterCommand([path, written = text](const sigra::emu::Printer& printer) mutable {
    std::string now = sigra::emu::StateText(printer);
    if (now == written) return;
    try {
      sigra::emu::WriteStateFile(path, now);
      written = std::move(now);
    } catch (const std::exception& error) {
      std::cerr << "sigra-emu: state not kept: " << error.what() << std::endl;
    }
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::cout << kUsage;
    return 0;
  }
  // Alone, --version asks for this program's version; with a number after
  // it, it sets the version the emulated model reports.
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::cout << "sigra-emu " SIGRA_VERSION "\n";
    return 0;
  }
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  // Blocked before the emulator's thread exists, so that it inherits the mask
  // and the signals reach sigwait below.
  sigset_t awaitedSignals;
  sigemptyset(&awaitedSignals);
  sigaddset(&awaitedSignals, SIGINT);
  sigaddset(&awaitedSignals, SIGTERM);
  sigaddset(&awaitedSignals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &awaitedSignals, nullptr);

  try {
    sigra::emu::Emulator emulator(options->type, options->version);
    sigra::emu::ApplyStartState(emulator, options->start);
    emulator.SetLineRate(options->lineRate);
    emulator.SetDataTimeout(options->dataTimeout);
    std::string first = emulator.DevicePath();
    std::optional<std::filesystem::path> link;
    if (options->linkDir) {
      emulator.LinkAsComPort(*options->linkDir, *options->port);
      link = std::filesystem::path(*options->linkDir) / ("com" + std::to_string(*options->port));
      first += " linked as " + link->string();
    }
    if (options->hostClock) {
      emulator.WithPrinter([](sigra::emu::Printer& printer) { printer.Clock().FollowHost(); });
    }
    if (options->stateFile) KeepState(emulator, *options->stateFile);
    emulator.SetHexJournal(options->hexJournal);
    std::cout << first << std::endl;
    // The journal and the control replies come from two threads.
    static std::mutex output;
    const auto print = [](const std::string& line) {
      std::lock_guard lock(output);
      std::cout << line << std::endl;
    };
    emulator.SetJournalListener(print);
    ApplyStates(*options, emulator);
    sigra::emu::ControlChannel channel(emulator);
    // As a "paper out" line would: the paper bits of every status byte that
    // tells them, and the channel's "head down" leaves it out.
    if (options->noPaper) channel.Execute("paper out");
    std::unique_ptr<sigra::emu::ControlServer> control;
    if (options->control) {
      control = std::make_unique<sigra::emu::ControlServer>(
          channel, *options->control,
          [print](const std::string& reply) { print("control: " + reply); });
    }
    int signal = 0;
    // SIGUSR1 is the hand that pushes the drawer shut.
    while (sigwait(&awaitedSignals, &signal) == 0 && signal == SIGUSR1) {
      emulator.WithPrinter(
          [](sigra::emu::Printer& printer) { sigra::emu::SetDrawerOpen(printer, false); });
    }
    control.reset();
    if (link) std::filesystem::remove(*link);
  } catch (const std::exception& error) {
    std::cerr << "sigra-emu: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
