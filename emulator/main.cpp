// sigra-emu: a software fiscal printer on a pseudo-terminal, for running the
// driver or the operator program without hardware.
#include <pthread.h>
#include <signal.h>

#include <charconv>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "emulator/emulator.h"
#include "emulator/start_state.h"

namespace {

constexpr const char* kUsage =
    "usage: sigra-emu --type N [--version V] [--link DIR --port N]\n"
    "                 [--clock-erased] [--fiscal] [--receipts N] [--service-jumper]\n"
    "\n"
    "Runs a fiscal printer of device type N (0..9) on a pseudo-terminal until\n"
    "interrupted (SIGINT or SIGTERM).\n"
    "\n"
    "  --type N      device type: 0/1 TX350A 5/7 rates, 2/3 Sigra first/second\n"
    "                generation, 4/5 TX350B 5/7 rates, 6 Sigra F, 7 Luno,\n"
    "                8 Luno F, 9 other device\n"
    "  --version V   version the model query reports (types 3, 6, 7, 8)\n"
    "  --link DIR    also make DIR/comN a link to the device (needs --port)\n"
    "  --port N      the N of that link\n"
    "  --clock-erased  start with the clock (CMOS) memory erased: reports and\n"
    "                the clock refuse to work until the clock is initialised\n"
    "  --fiscal      start in fiscal mode (default: training mode)\n"
    "  --receipts N  start with N receipts (0..65535) sold in the fiscal day,\n"
    "                each of 10,00 at rate A\n"
    "  --service-jumper  start with the service jumper in the service position;\n"
    "                with it a printer in training mode (the default, with maker\n"
    "                and user data entered) can be fiscalised\n"
    "  --help        this text\n"
    "\n"
    "The first line printed is the device path, followed by the link when one was\n"
    "made; then one line for each thing the printer does. What it prints on paper\n"
    "(receipts, reports) appears line by line behind \"| \".\n";

struct Options {
  sigra::emu::StartState start;
  int type = -1;
  int version = -1;
  std::optional<std::string> linkDir;
  std::optional<int> port;
};

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
    if (name == "--clock-erased") {
      options.start.clockErased = true;
      continue;
    }
    if (name == "--service-jumper") {
      options.start.serviceJumper = true;
      continue;
    }
    if (name == "--fiscal") {
      options.start.fiscalMode = true;
      continue;
    }
    if (i + 1 >= argc) return std::nullopt;
    const std::string_view value = argv[++i];
    if (name == "--link") {
      options.linkDir = std::string(value);
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
    } else {
      return std::nullopt;
    }
  }
  if (options.type < 0 || options.type > 9) return std::nullopt;
  if (options.linkDir.has_value() != options.port.has_value()) return std::nullopt;
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::cout << kUsage;
    return 0;
  }
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  // Blocked before the emulator's thread exists, so that it inherits the mask
  // and the signals reach sigwait below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  try {
    sigra::emu::Emulator emulator(options->type, options->version);
    sigra::emu::ApplyStartState(emulator, options->start);
    std::string first = emulator.DevicePath();
    std::optional<std::filesystem::path> link;
    if (options->linkDir) {
      emulator.LinkAsComPort(*options->linkDir, *options->port);
      link = std::filesystem::path(*options->linkDir) / ("com" + std::to_string(*options->port));
      first += " linked as " + link->string();
    }
    std::cout << first << std::endl;
    emulator.SetJournalListener([](const std::string& line) { std::cout << line << std::endl; });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (link) std::filesystem::remove(*link);
  } catch (const std::exception& error) {
    std::cerr << "sigra-emu: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
