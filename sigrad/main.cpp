// sigrad: the fiscal printers over HTTP/JSON, for point-of-sale programs in
// any language, with every receipt journalled so that none is printed twice.
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include "sigrad/life.h"
#include "sigrad/platform.h"
#include "sigrad/worker.h"
#include "client/help_version.h"
#ifdef _WIN32
#include "sigrad/win32/service.h"
#endif

namespace sigra::service {
namespace {

constexpr const char* kUsage =
    "usage: sigrad --printer ID=COMn[:SPEED] [--printer ID2=COMm[:SPEED]]...\n"
    "              [--listen ADDR:PORT] [--journal FILE] [--token-file FILE]\n"
    "              [--allow-origin ORIGIN]... [--allow-host NAME]...\n"
    "              [--tls-cert FILE --tls-key FILE]\n"
    "              [--queue N] [--retention-days N]\n"
    "\n"
    "Serves fiscal printers over HTTP/JSON; every receipt and daily report is\n"
    "written to a journal before anything is sent, so that a sale retried under\n"
    "its Idempotency-Key is never printed twice. The API is described at\n"
    "GET /v1/openapi.json.\n"
    "\n"
    "Options:\n"
    "  --printer ID=COMn[:SPEED]  a printer: ID (letters, digits, - and _, up to\n"
    "                             32) names it in the URLs; COMn (or n) is the port\n"
#ifdef _WIN32
    "                             1 to 255, Windows' own COMn; SPEED 9600 (default),\n"
#else
    "                             1 to 255, numbered as everywhere in Sigra (COMn is\n"
    "                             the device that SIGRA_DOSDEVICES/comn links to, by\n"
    "                             default /dev/ttyS(n-1)); SPEED 9600 (default),\n"
#endif
    "                             19200 or 28800. Each printer is driven by a\n"
    "                             process of its own.\n"
    "  --listen ADDR:PORT         where to listen (default 127.0.0.1:8420; port 0:\n"
    "                             any free port, told on standard error). An address\n"
    "                             other than loopback needs --token-file.\n"
#ifdef _WIN32
    "  --journal FILE             the SQLite journal (default\n"
    "                             %ProgramData%\\Sigra\\journal.db); the service does\n"
#else
    "  --journal FILE             the SQLite journal (default\n"
    "                             $STATE_DIRECTORY/journal.db under systemd, else\n"
    "                             $XDG_STATE_HOME/sigra/journal.db, else\n"
    "                             ~/.local/state/sigra/journal.db); the service does\n"
#endif
    "                             not start, and stops, when it cannot write it. One\n"
    "                             journal serves one running sigrad.\n"
    "  --token-file FILE          every route but /healthz then needs\n"
    "                             \"Authorization: Bearer TOKEN\", TOKEN being the\n"
    "                             file's first line.\n"
    "  --allow-origin ORIGIN      a web page's origin (\"http://till.local:8080\")\n"
    "                             allowed to call the service from a browser; a\n"
    "                             request with any other Origin gets 403. Repeatable.\n"
    "  --allow-host NAME          a name the service is reached by (\"till.local\"),\n"
    "                             served beside the listening address and\n"
    "                             localhost, 127.0.0.1 and [::1]; a request whose\n"
    "                             Host header names any other gets 421. Repeatable.\n"
    "  --tls-cert FILE, --tls-key FILE\n"
#ifdef _WIN32
    "                             HTTPS: not available in this build for Windows.\n"
#else
    "                             serve HTTPS with this certificate and key (PEM).\n"
#endif
    "  --queue N                  requests waiting per printer, 1 to 1000 (default\n"
    "                             32); a full queue answers 503 with Retry-After.\n"
    "  --retention-days N         keep journal entries at least N days, 30 to 3650\n"
    "                             (default 30).\n"
#ifdef _WIN32
    "  --service                  run as the Windows service (the service manager\n"
    "                             starts it so): the options, one a line (# starts\n"
    "                             a comment), from %ProgramData%\\Sigra\\sigrad.conf,\n"
    "                             the log lines into sigrad.log beside it.\n"
#endif
    "  --help, --version\n"
    "\n"
    "Bodies and headers are limited to 64 KiB; SIGRA_TRACE=FILE traces each\n"
    "printer's line into FILE.ID. One line per request goes to standard error:\n"
    "time, request id, method, path, status, duration, printer, key.\n";

// The project's version, from its CMake project.
constexpr const char* kVersion = SIGRA_VERSION;

std::optional<int64_t> Number(std::string_view text) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::string> ParsePrinter(const std::string& text, PrinterConfig& printer) {
  static const std::regex form("^([A-Za-z0-9_-]{1,32})=(?:COM|com)?([0-9]{1,3})(?::([0-9]+))?$");
  std::smatch m;
  if (!std::regex_match(text, m, form)) {
    return "--printer takes ID=COMn[:SPEED], not " + text;
  }
  printer.id = m[1];
  const int64_t port = *Number(m[2].str());
  if (port < 1 || port > 255) return "--printer: the port is COM1 to COM255, not " + text;
  printer.port = static_cast<int32_t>(port);
  if (m[3].matched) {
    const std::optional<int64_t> speed = Number(m[3].str());
    if (!speed || (*speed != 9600 && *speed != 19200 && *speed != 28800)) {
      return "--printer: the speed is 9600, 19200 or 28800, not " + m[3].str();
    }
    printer.speed = static_cast<int32_t>(*speed);
  }
  return std::nullopt;
}

std::optional<std::string> ReadToken(const std::string& path, std::string& token) {
  std::ifstream file(path);
  if (!file) return "cannot read the token file " + path;
  std::getline(file, token);
  while (!token.empty() && (token.back() == '\r' || token.back() == ' ')) token.pop_back();
  if (token.empty()) return "the token file " + path + " holds no token";
  return std::nullopt;
}

std::optional<std::string> ParseOptions(int argc, char** argv, ServiceOptions& options) {
  std::set<std::string> ids;
  std::string tokenFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    static const std::set<std::string> kValueOptions = {
        "--printer",  "--listen",  "--journal", "--token-file",     "--allow-origin",
        "--allow-host", "--tls-cert", "--tls-key", "--queue", "--retention-days"};
    if (kValueOptions.count(arg) == 0) {
      return arg.rfind("-", 0) == 0 ? "unknown option " + arg : "unknown argument " + arg;
    }
    if (i + 1 >= argc) return arg + " needs a value";
    const std::string value = argv[++i];
    if (arg == "--printer") {
      PrinterConfig printer;
      if (auto error = ParsePrinter(value, printer)) return error;
      if (!ids.insert(printer.id).second) return "the printer " + printer.id + " is given twice";
      options.printers.push_back(printer);
    } else if (arg == "--listen") {
      const size_t colon = value.rfind(':');
      const int64_t port =
          colon == std::string::npos ? -1 : Number(value.substr(colon + 1)).value_or(-1);
      if (port < 0 || port > 65535 || colon == 0) {
        return "--listen takes ADDR:PORT, not " + value;
      }
      options.host = value.substr(0, colon);
      if (options.host.size() > 2 && options.host.front() == '[' && options.host.back() == ']') {
        options.host = options.host.substr(1, options.host.size() - 2);
      }
      options.port = static_cast<int>(port);
    } else if (arg == "--journal") {
      options.journal = value;
    } else if (arg == "--token-file") {
      tokenFile = value;
    } else if (arg == "--allow-origin") {
      options.origins.push_back(value);
    } else if (arg == "--allow-host") {
      std::string name = value;
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (name.empty() || name.find_first_of(" /\t") != std::string::npos) {
        return "--allow-host takes a host name or address, not " + value;
      }
      options.hosts.push_back(name);
    } else if (arg == "--tls-cert") {
      options.tlsCert = value;
    } else if (arg == "--tls-key") {
      options.tlsKey = value;
    } else if (arg == "--queue") {
      const std::optional<int64_t> n = Number(value);
      if (!n || *n < 1 || *n > 1000) return "--queue takes 1 to 1000, not " + value;
      options.queueLimit = static_cast<size_t>(*n);
    } else if (arg == "--retention-days") {
      const std::optional<int64_t> n = Number(value);
      if (!n || *n < 30 || *n > 3650) return "--retention-days takes 30 to 3650, not " + value;
      options.retentionDays = static_cast<int>(*n);
    }
  }
  if (options.printers.empty()) return std::string("no --printer given");
  if (options.tlsCert.empty() != options.tlsKey.empty()) {
    return std::string("--tls-cert and --tls-key go together");
  }
  if (!tokenFile.empty()) {
    if (auto error = ReadToken(tokenFile, options.token)) return error;
  }
  const std::string& host = options.host;
  const bool loopback = host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
  if (!loopback && options.token.empty()) {
    return "listening on " + host + ", which is not loopback, needs --token-file";
  }
  if (options.journal.empty()) options.journal = platform::DefaultJournal();
  return std::nullopt;
}

int Worker(int argc, char** argv) {
  WorkerOptions options;
  options.printer = argc > 2 ? argv[2] : "";
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string_view arg = argv[i];
    if (arg == "--port") options.port = static_cast<int32_t>(Number(argv[i + 1]).value_or(0));
    if (arg == "--speed") options.speed = static_cast<int32_t>(Number(argv[i + 1]).value_or(0));
    if (arg == "--journal") options.journal = argv[i + 1];
  }
  platform::PrepareWorkerPipes();
  return WorkerMain(options);
}

int Run(int argc, char** argv) {
  ServiceOptions options;
  if (std::optional<std::string> error = ParseOptions(argc, argv, options)) {
    std::cerr << "sigrad: " << *error << "\n(sigrad --help shows the usage)\n";
    return 2;
  }
  if (!options.tlsCert.empty() && !platform::TlsUnavailable().empty()) {
    std::cerr << "sigrad: " << platform::TlsUnavailable() << "\n";
    return 2;
  }
  return Serve(options, platform::ThisProgram());
}

int Main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]) == "--worker") return Worker(argc, argv);
  if (HelpOrVersion(argc, argv, "sigrad", kVersion, kUsage)) return 0;
#ifdef _WIN32
  if (argc == 2 && std::string_view(argv[1]) == "--service") {
    const std::string program = argv[0];
    return RunService([program](std::vector<std::string> args) {
      args.insert(args.begin(), program);
      std::vector<char*> argv;
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      return Run(static_cast<int>(args.size()), argv.data());
    });
  }
#endif
  return Run(argc, argv);
}

}  // namespace
}  // namespace sigra::service

int main(int argc, char** argv) {
  // Log lines go out as they are written, also where the C library would
  // buffer a redirected stderr (Windows' does).
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  return sigra::service::Main(argc, argv);
}
