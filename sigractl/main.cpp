// sigractl: the driver from scripts and cron. Each run opens the connection,
// does one thing, closes the connection and says what came of it, in UTF-8
// or as one JSON object; it calls only the driver's exported functions, and
// numbers ports with the driver's own numbering.
#include <charconv>
#include <chrono>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "link/posix/serial_ports.h"
#include "link/text_1250.h"
#include "link/win_defs.h"
#include "sigra/sigradrv.h"
#include "client/help_version.h"
#include "client/sale.h"
#include "sigractl/receipt_file.h"
#include "sigractl/usage.h"
#include "client/status_bytes.h"

namespace sigractl {
namespace {

// Fields in the order they were added.
using Json = nlohmann::ordered_json;

// The project's version, from its CMake project.
constexpr const char* kVersion = SIGRA_VERSION;

constexpr int kExitUsage = 2;
// A receipt whose closing failed though the printer fiscalised it, and one
// of which the printer could not tell.
constexpr int kExitFiscalisedAnyway = 7;
constexpr int kExitFiscalisedUnknown = 8;

struct Options {
  int32_t port = 1;
  int32_t speed = 9600;
  int32_t timeout = 5;
  bool json = false;
  std::vector<std::string> command;
};

std::optional<int64_t> Number(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

using sigra::sale::FromDriver;
using sigra::sale::Message;

int ExitFor(int32_t code) {
  if (code == 0) return 0;
  if (code > 0 && code < 100) return 3;
  if (code >= 100 && code < 200) return 4;
  if (code >= 200 && code < 300) return 5;
  return 6;
}

std::string Money(int64_t grosze) {
  const char* sign = grosze < 0 ? "-" : "";
  if (grosze < 0) grosze = -grosze;
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld,%02lld", sign, static_cast<long long>(grosze / 100),
                static_cast<long long>(grosze % 100));
  return text;
}

std::string Hex(const unsigned char* bytes, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    char digits[4];
    std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
    text += digits;
  }
  return text;
}

// What a command has to say: lines for people, fields for --json.
struct Report {
  std::vector<std::string> lines;
  Json json = Json::object();
};

// The failure of one step: "CommunicationInit: 21 Przekroczony czas...".
struct Failure {
  std::string step;
  int32_t code;
  // The exit status when it is not the class of `code`.
  std::optional<int> exitStatus = std::nullopt;
  // For a port that did not open: the device tried and the system's reason.
  std::string device = {};
  std::string reason = {};
};

using Outcome = std::optional<Failure>;

class Run {
 public:
  explicit Run(const Options& options) : options_(options) {}

  int Finish(const std::string& command, const Outcome& failure) {
    if (options_.json) {
      Json json = {{"command", command}, {"result", failure ? failure->code : 0}};
      if (failure) {
        json["step"] = failure->step;
        json["error"] = Message(failure->code);
        if (!failure->device.empty()) json["device"] = failure->device;
        if (!failure->reason.empty()) json["reason"] = failure->reason;
      }
      json.update(report_.json);
      std::cout << json.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    } else {
      for (const std::string& line : report_.lines) std::cout << line << '\n';
      if (failure) {
        std::cerr << "sigractl: " << command << ": " << failure->step << ": " << failure->code
                  << ' ' << Message(failure->code) << '\n';
        if (!failure->device.empty()) {
          std::cerr << "sigractl: COM" << options_.port << " is " << failure->device << ": "
                    << failure->reason << '\n';
        } else if (!failure->reason.empty()) {
          std::cerr << "sigractl: " << failure->reason << '\n';
        }
      }
    }
    return failure ? failure->exitStatus.value_or(ExitFor(failure->code)) : 0;
  }

  Report& Out() { return report_; }

  // Runs `body` on an open connection; the connection is closed afterwards
  // whatever came of it.
  Outcome Connected(const std::function<Outcome()>& body) {
    if (int32_t code = CommunicationInit(options_.port, options_.speed, options_.timeout);
        code != 0) {
      CommunicationEnd();
      return OpeningFailure("CommunicationInit", code);
    }
    Outcome outcome = body();
    CommunicationEnd();
    return outcome;
  }

  // Runs `body` on the port opened for raw sequences, closed afterwards.
  Outcome RawPort(const std::function<Outcome()>& body) {
    if (int32_t code = OpenPort(options_.port, options_.speed, options_.timeout, options_.timeout);
        code != 0) {
      return OpeningFailure("OpenPort", code);
    }
    Outcome outcome = body();
    ClosePort();
    return outcome;
  }

 private:
  // A failed opening; when the port itself does not open, with the device
  // and the reason.
  Failure OpeningFailure(const char* step, int32_t code) {
    Failure failure{step, code};
    const sigra::link::ports::OpenProblem problem =
        sigra::link::ports::TryOpen(options_.port, std::chrono::seconds(options_.timeout));
    if (problem.error != 0) {
      failure.device = problem.device;
      failure.reason = sigra::link::ports::ProblemText(problem);
    }
    return failure;
  }

  const Options& options_;
  Report report_;
};

Outcome Check(const char* step, int32_t code) {
  if (code == 0) return std::nullopt;
  return Failure{step, code};
}

Outcome Name(Run& run) {
  return run.Connected([&]() -> Outcome {
    char name[34] = {};
    if (Outcome failure = Check("pDeviceName", pDeviceName(name))) return failure;
    run.Out().lines.push_back(FromDriver(name));
    run.Out().json["device"] = FromDriver(name);
    return std::nullopt;
  });
}

// Reads the status bytes on the raw port: a connection opening would first
// wait for the printout, which is what a printer without paper cannot finish.
Outcome Status(Run& run) {
  return run.RawPort([&]() -> Outcome {
    StatusBytes status;
    std::string step;
    if (int32_t code = ReadStatusBytes(status, step); code != 0) return Failure{step, code};
    const std::vector<std::string> lines = StatusLines(status);
    run.Out().lines = lines;
    run.Out().json["bytes"] = PresentBytes(status);
    run.Out().json["lines"] = lines;
    return std::nullopt;
  });
}

Outcome Clock(Run& run) {
  return run.Connected([&]() -> Outcome {
    char text[15] = {};
    if (Outcome failure = Check("pReadClock", pReadClock(text))) return failure;
    // "24.05.17;14:05": the year's last two digits, month, day; hour, minute.
    const std::string clock = text;
    const std::string shown = "20" + clock.substr(0, 2) + "-" + clock.substr(3, 2) + "-" +
                              clock.substr(6, 2) + " " + clock.substr(9);
    run.Out().lines.push_back(shown);
    run.Out().json["clock"] = shown;
    return std::nullopt;
  });
}

Outcome ShiftClock(Run& run, int32_t minutes) {
  return run.Connected([&]() -> Outcome {
    std::string step;
    if (int32_t code = sigra::sale::ShiftClock(minutes, step); code != 0) {
      return Failure{step, code};
    }
    char text[15] = {};
    if (Outcome failure = Check("pReadClock", pReadClock(text))) return failure;
    run.Out().lines.push_back("clock moved " + std::to_string(minutes) + " min: " + text);
    run.Out().json["minutes"] = minutes;
    return std::nullopt;
  });
}

std::string RateText(uint32_t value) {
  if (value == 10000) return "ZWOLNIONA";
  if (value == 25500) return "REZERWA";
  return Money(value) + "%";
}

Outcome Rates(Run& run) {
  return run.Connected([&]() -> Outcome {
    int32_t count = 0;
    uint32_t rates[7] = {};
    if (Outcome failure = Check("ReadVAT", ReadVAT(&count, &rates[0], &rates[1], &rates[2],
                                                   &rates[3], &rates[4], &rates[5], &rates[6]))) {
      return failure;
    }
    Json json = Json::array();
    for (int32_t i = 0; i < count && i < 7; ++i) {
      const std::string letter(1, static_cast<char>('A' + i));
      const std::string text = RateText(rates[i]);
      run.Out().lines.push_back(letter + " " + text);
      json.push_back({{"rate", letter}, {"value", rates[i]}, {"text", text}});
    }
    run.Out().json["count"] = count;
    run.Out().json["rates"] = json;
    return std::nullopt;
  });
}

// One call whose result says it all, like the reports.
Outcome Simple(Run& run, const char* step, const std::function<int32_t()>& call, const char* done) {
  return run.Connected([&]() -> Outcome {
    if (Outcome failure = Check(step, call())) return failure;
    run.Out().lines.emplace_back(done);
    return std::nullopt;
  });
}

Outcome Counter(Run& run, const char* step, int32_t(SIGRA_CALL* read)(int32_t*), const char* key) {
  return run.Connected([&]() -> Outcome {
    int32_t counter = 0;
    if (Outcome failure = Check(step, read(&counter))) return failure;
    run.Out().lines.push_back(std::to_string(counter));
    run.Out().json[key] = counter;
    return std::nullopt;
  });
}

Outcome UniqueNumber(Run& run) {
  return run.Connected([&]() -> Outcome {
    char number[12] = {};
    if (Outcome failure = Check("pReadUniqueNumber", pReadUniqueNumber(number))) return failure;
    run.Out().lines.push_back(FromDriver(number));
    run.Out().json["unique_number"] = FromDriver(number);
    return std::nullopt;
  });
}

Outcome PrintReceipt(Run& run, const Options& options, const ReceiptFile& receipt) {
  return run.Connected([&]() -> Outcome {
    const sigra::sale::SaleResult sale = sigra::sale::Sell(receipt, [&] {
      return CommunicationInit(options.port, options.speed, options.timeout);
    });
    if (sale.counterBefore < 0) return Failure{sale.step, sale.code};
    // The lines the driver took, and the sum when the closing was reached.
    const bool closing = sale.code == 0 || sale.step == "ReceiptEnd";
    Json items = Json::array();
    for (size_t i = 0; i < sale.itemsSent; ++i) {
      const ReceiptLine& item = receipt.items[i];
      const std::string name = sigra::Utf8FromCp1250(item.name);
      run.Out().lines.push_back((item.voided ? "void " : "") + name + " " + Money(item.value));
      items.push_back({{"name", name}, {"voided", item.voided ? 1 : 0}, {"value", item.value}});
    }
    if (closing) {
      run.Out().json["items"] = items;
      run.Out().json["sum"] = receipt.sum;
      run.Out().lines.push_back(
          "sum " + Money(receipt.sum) +
          (receipt.discount > 0 ? ", less " + std::to_string(receipt.discount) + " %" : ""));
    }
    std::optional<int> exitStatus;
    if (!sale.fiscalised) {
      run.Out().lines.push_back("unknown whether the receipt was fiscalised: no printer");
      run.Out().json["fiscalised"] = nullptr;
      exitStatus = kExitFiscalisedUnknown;
    } else if (*sale.fiscalised) {
      run.Out().lines.push_back("receipt " + std::to_string(sale.receiptNumber) + " fiscalised");
      run.Out().json["fiscalised"] = true;
      run.Out().json["receipt"] = sale.receiptNumber;
      exitStatus = kExitFiscalisedAnyway;
    } else {
      run.Out().lines.push_back("receipt not fiscalised");
      run.Out().json["fiscalised"] = false;
    }
    if (sale.code == 0) return std::nullopt;
    return Failure{sale.step, sale.code, exitStatus};
  });
}

// The ports that are there; needs no printer. A port table that cannot be
// used lists nothing rather than numbers that may not be the adapters'.
Outcome Ports(Run& run, std::chrono::seconds wait) {
  std::vector<sigra::link::ports::Port> list;
  try {
    list = sigra::link::ports::List(wait);
  } catch (const sigra::link::ports::TableError& error) {
    return Failure{"port table", static_cast<int32_t>(sigra::link::kErrorGenFailure),
                   std::nullopt, "", error.what()};
  }
  Json ports = Json::array();
  for (const sigra::link::ports::Port& port : list) {
    const std::string name = "COM" + std::to_string(port.number);
    const sigra::link::ports::OpenProblem problem =
        sigra::link::ports::TryOpen(port.number, wait);
    const bool noRights = sigra::link::ports::LacksRights(problem);
    std::string line = name + " " + port.device + " " + (port.adapter.empty() ? "-" : port.adapter);
    if (noRights) line += " (no access: " + sigra::link::ports::ProblemText(problem) + ")";
    run.Out().lines.push_back(line);
    ports.push_back({{"port", name},
                     {"device", port.device},
                     {"adapter", port.adapter},
                     {"access", !noRights}});
  }
  run.Out().json["ports"] = ports;
  return std::nullopt;
}

Outcome Raw(Run& run, uint8_t command, int32_t answerLength, const std::vector<uint8_t>& data) {
  return run.RawPort([&]() -> Outcome {
    unsigned char answer[256] = {};
    unsigned char bytes[256] = {};
    std::copy(data.begin(), data.end(), bytes);
    if (Outcome failure = Check(
            "RSSequence",
            RSSequence(command, answerLength, static_cast<int32_t>(data.size()), answer, bytes))) {
      return failure;
    }
    // With an acknowledgement the answer bytes after it; a one-byte answer is
    // the byte itself.
    const size_t count = answerLength > 1 ? static_cast<size_t>(answerLength - 1)
                                          : static_cast<size_t>(answerLength);
    run.Out().lines.push_back(Hex(answer, count));
    run.Out().json["answer"] = std::vector<int>(answer, answer + count);
    return std::nullopt;
  });
}

// The usage error of a bad command line, in the form --json asks for.
int UsageError(const Options& options, const std::string& message) {
  if (options.json) {
    std::cout << Json{{"result", -1}, {"error", message}}.dump() << '\n';
  } else {
    std::cerr << "sigractl: " << message << "\n(sigractl --help shows the usage)\n";
  }
  return kExitUsage;
}

std::optional<std::string> ParseOptions(int argc, char** argv, Options& options) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--json") {
      options.json = true;
      continue;
    }
    if (arg.substr(0, 2) != "--") break;
    if (i + 1 >= argc) return std::string(arg) + " needs a value";
    std::string_view value = argv[++i];
    if (arg == "--port") {
      if (value.size() > 3 && (value.substr(0, 3) == "COM" || value.substr(0, 3) == "com")) {
        value.remove_prefix(3);
      }
      const std::optional<int64_t> port = Number(value);
      if (!port || *port < 1 || *port > 255) {
        return "--port takes 1 to 255 or COM1 to COM255, not " + std::string(argv[i]);
      }
      options.port = static_cast<int32_t>(*port);
    } else if (arg == "--speed") {
      const std::optional<int64_t> speed = Number(value);
      if (!speed || (*speed != 9600 && *speed != 19200 && *speed != 28800)) {
        return "--speed takes 9600, 19200 or 28800, not " + std::string(value);
      }
      options.speed = static_cast<int32_t>(*speed);
    } else if (arg == "--timeout") {
      const std::optional<int64_t> timeout = Number(value);
      if (!timeout || *timeout < 1 || *timeout > 60) {
        return "--timeout takes 1 to 60 seconds, not " + std::string(value);
      }
      options.timeout = static_cast<int32_t>(*timeout);
    } else {
      return "unknown option " + std::string(arg);
    }
  }
  options.command.assign(argv + i, argv + argc);
  if (options.command.empty()) return std::string("no command given");
  return std::nullopt;
}

std::optional<std::string> ReadFile(const std::string& path, std::string& text) {
  std::ostringstream content;
  if (path == "-") {
    content << std::cin.rdbuf();
  } else {
    std::ifstream file(path, std::ios::binary);
    if (!file) return "cannot read " + path;
    content << file.rdbuf();
  }
  text = content.str();
  return std::nullopt;
}

int Main(int argc, char** argv) {
  if (sigra::HelpOrVersion(argc, argv, "sigractl", kVersion, kUsage)) return 0;
  Options options;
  if (std::optional<std::string> error = ParseOptions(argc, argv, options)) {
    return UsageError(options, *error);
  }
  const std::vector<std::string>& args = options.command;
  const std::string& command = args[0];
  const auto wrongArguments = [&](const char* usage) {
    return UsageError(options, command + " takes " + usage);
  };
  Run run(options);
  Outcome outcome;
  // The commands that take no arguments.
  const std::map<std::string, std::function<Outcome()>> plain = {
      {"name", [&] { return Name(run); }},
      {"status", [&] { return Status(run); }},
      {"rates", [&] { return Rates(run); }},
      {"state-report",
       [&] {
         return Simple(run, "PrinterStatusReport", PrinterStatusReport,
                       "printer-state report printed");
       }},
      {"unique-number", [&] { return UniqueNumber(run); }},
      {"receipt-number", [&] { return Counter(run, "ReceiptNumber", ReceiptNumber, "receipts"); }},
      {"report-number",
       [&] { return Counter(run, "DailyReportNumber", DailyReportNumber, "daily_reports"); }},
  };
  if (const auto found = plain.find(command); found != plain.end()) {
    if (args.size() != 1) return wrongArguments("no arguments");
    outcome = found->second();
  } else if (command == "clock") {
    if (args.size() == 1) {
      outcome = Clock(run);
    } else {
      // No number reads as 0 minutes, which is refused like any other
      // shift out of range.
      const int64_t minutes =
          args.size() == 3 && args[1] == "shift"
              ? Number(args[2][0] == '+' ? args[2].substr(1) : args[2]).value_or(0)
              : 0;
      if (minutes == 0 || minutes < -60 || minutes > 60) {
        return wrongArguments("nothing, or shift and -60 to -1 or 1 to 60 minutes");
      }
      outcome = ShiftClock(run, static_cast<int32_t>(minutes));
    }
  } else if (command == "daily-report") {
    if (args.size() > 2 || (args.size() == 2 && args[1] != "--zero")) {
      return wrongArguments("nothing or --zero");
    }
    const int32_t allowZero = args.size() == 2 ? 1 : 0;
    outcome = Simple(
        run, "DailyReport", [=] { return DailyReport(allowZero); }, "daily report printed");
  } else if (command == "receipt") {
    if (args.size() != 2) return wrongArguments("a receipt file (- for standard input)");
    std::string text;
    if (std::optional<std::string> error = ReadFile(args[1], text))
      return UsageError(options, *error);
    std::variant<ReceiptFile, ParseError> parsed = ParseReceipt(text);
    if (const ParseError* error = std::get_if<ParseError>(&parsed)) {
      return UsageError(options,
                        (args[1] == "-" ? "standard input" : args[1]) + ": " + error->message);
    }
    outcome = PrintReceipt(run, options, std::get<ReceiptFile>(parsed));
  } else if (command == "raw") {
    std::vector<std::optional<int64_t>> numbers;
    for (size_t i = 1; i < args.size(); ++i) numbers.push_back(Number(args[i]));
    const auto isByte = [](const std::optional<int64_t>& n) { return n && *n >= 0 && *n <= 255; };
    bool valid =
        numbers.size() >= 2 && numbers.size() <= 258 && isByte(numbers[0]) && isByte(numbers[1]);
    std::vector<uint8_t> data;
    for (size_t i = 2; valid && i < numbers.size(); ++i) {
      valid = isByte(numbers[i]);
      if (valid) data.push_back(static_cast<uint8_t>(*numbers[i]));
    }
    if (!valid) return wrongArguments("CMD ANSWER [BYTE...], each 0 to 255, at most 256 bytes");
    outcome = Raw(run, static_cast<uint8_t>(*numbers[0]), static_cast<int32_t>(*numbers[1]), data);
  } else if (command == "ports") {
    if (args.size() != 1) return wrongArguments("no arguments");
    outcome = Ports(run, std::chrono::seconds(options.timeout));
  } else if (command == "message") {
    const std::optional<int64_t> code = args.size() == 2 ? Number(args[1]) : std::nullopt;
    if (!code || *code < INT32_MIN || *code > INT32_MAX) return wrongArguments("a result code");
    const std::string text = Message(static_cast<int32_t>(*code));
    run.Out().lines.push_back(text);
    run.Out().json["message"] = text;
  } else {
    return UsageError(options, "unknown command " + command);
  }
  return run.Finish(command, outcome);
}

}  // namespace
}  // namespace sigractl

int main(int argc, char** argv) {
  return sigractl::Main(argc, argv);
}
