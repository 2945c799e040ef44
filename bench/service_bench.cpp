// The HTTP service against the driver called directly, on the same emulated
// printers (sigra-emu processes on pseudo-terminals):
//   - a status query through GET /v1/printers/{id}/status against the same
//     driver calls made in this process, in turns of five rounds each so
//     that both see the same load: the overhead's median and 99th
//     percentile;
//   - receipts at --line-rate 28800 through POST .../receipts against the
//     same sale made in this process: the ratio of their medians;
//   - 16 printers at --line-rate 28800 on one service, each sold to by a
//     client thread of its own: receipts a second against sixteen times one
//     printer's alone.
//
// service_bench [--queries N] [--receipts N] [--printers N]
// (defaults 400, 5, 16). Goals: overhead at most 1 ms median, receipts
// within 1.02x of direct, the printers together at 0.9 of N times one.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <httplib.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "sigra/sigradrv.h"
#include "client/receipt.h"
#include "client/sale.h"
#include "client/status_bytes.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double Percentile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  const auto at = static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

// A program run in the background, its output to a file; ended with SIGTERM.
class Process {
 public:
  Process(const std::vector<std::string>& arguments, const fs::path& output) {
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("cannot fork");
    if (pid_ == 0) {
      const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, 1);
      dup2(fd, 2);
      std::vector<char*> argv;
      for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~Process() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

 private:
  pid_t pid_ = -1;
};

void WaitFor(const std::function<bool()>& ready, const char* what) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (!ready()) {
    if (Clock::now() > deadline) throw std::runtime_error(std::string("no ") + what);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Emulated printers linked as COM1..COMn in a temporary folder.
class Printers {
 public:
  Printers(int count, int lineRate) {
    char pattern[] = "/tmp/sigra-service-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("no temporary folder");
    folder_ = pattern;
    for (int port = 1; port <= count; ++port) {
      std::vector<std::string> arguments = {SIGRA_EMU, "--type", "7", "--link", folder_.string(),
                                            "--port", std::to_string(port)};
      if (lineRate > 0) {
        arguments.push_back("--line-rate");
        arguments.push_back(std::to_string(lineRate));
      }
      processes_.push_back(std::make_unique<Process>(arguments, "/dev/null"));
      const fs::path link = folder_ / ("com" + std::to_string(port));
      WaitFor([&] { return fs::exists(link); }, "emulator port");
    }
    setenv("SIGRA_DOSDEVICES", folder_.c_str(), 1);
  }
  ~Printers() {
    processes_.clear();
    fs::remove_all(folder_);
  }
  const fs::path& Folder() const { return folder_; }

 private:
  fs::path folder_;
  std::vector<std::unique_ptr<Process>> processes_;
};

// A loopback port nobody listens on: one the system gives a socket bound to
// port 0, which is then closed.
int FreePort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (probe < 0 || bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("no free port");
  }
  close(probe);
  return ntohs(address.sin_port);
}

// The id of printer n, "p" and its number, built by appending: GCC 12 at -O3
// takes "p" + std::to_string(n) for an overlapping copy.
std::string PrinterId(int n) {
  std::string id = "p";
  id += std::to_string(n);
  return id;
}

// sigrad on printers p1..pn (COM1..COMn) at `speed`.
class Service {
 public:
  Service(const Printers& printers, int count, int speed) : port_(FreePort()) {
    std::vector<std::string> arguments = {SIGRAD};
    for (int n = 1; n <= count; ++n) {
      arguments.push_back("--printer");
      arguments.push_back(PrinterId(n) + "=COM" + std::to_string(n) + ":" +
                          std::to_string(speed));
    }
    arguments.insert(arguments.end(),
                     {"--listen", "127.0.0.1:" + std::to_string(port_), "--journal",
                      (printers.Folder() / "journal.sqlite").string()});
    process_ = std::make_unique<Process>(arguments, printers.Folder() / "sigrad.log");
    httplib::Client client("127.0.0.1", port_);
    WaitFor(
        [&] {
          const auto answer = client.Get("/healthz");
          return answer && answer->status == 200;
        },
        "answer from sigrad");
  }
  int Port() const { return port_; }

 private:
  int port_;
  std::unique_ptr<Process> process_;
};

// --- The status query ----------------------------------------------------------

// The driver calls behind GET /v1/printers/{id}/status: the status bytes,
// in words, and whether a receipt can be issued.
bool DirectStatus() {
  sigractl::StatusBytes status;
  std::string step;
  if (sigractl::ReadStatusBytes(status, step) != 0) return false;
  const std::vector<std::string> lines = sigractl::StatusLines(status);
  ReceiptConditions();
  return !lines.empty();
}

struct Spread {
  double median;
  double p99;
};

// Times `count` calls, in milliseconds, after `warmup` unmeasured.
std::vector<double> Times(int count, int warmup, const std::function<bool()>& call) {
  std::vector<double> times;
  for (int i = 0; i < warmup + count; ++i) {
    const auto start = Clock::now();
    if (!call()) throw std::runtime_error("call " + std::to_string(i + 1) + " failed");
    if (i >= warmup) times.push_back(Seconds(Clock::now() - start) * 1000);
  }
  return times;
}

Spread Measure(int count, const std::function<bool()>& call) {
  const std::vector<double> times = Times(count, 0, call);
  return {Percentile(times, 0.5), Percentile(times, 0.99)};
}

// The queries through the service and made directly take turns, a round
// each, so that both see the same load of a shared machine.
void StatusOverhead(int queries) {
  constexpr int kRounds = 5;
  Printers printers(1, 0);
  std::vector<double> http;
  std::vector<double> direct;
  for (int round = 0; round < kRounds; ++round) {
    const int count = std::max(1, queries / kRounds);
    {
      Service service(printers, 1, 9600);
      httplib::Client client("127.0.0.1", service.Port());
      client.set_keep_alive(true);
      client.set_read_timeout(60, 0);
      const std::vector<double> times = Times(count, count / 10 + 1, [&] {
        const auto answer = client.Get("/v1/printers/p1/status");
        return answer && answer->status == 200;
      });
      http.insert(http.end(), times.begin(), times.end());
    }
    if (CommunicationInit(1, 9600, 5) != 0) throw std::runtime_error("no connection");
    const std::vector<double> times = Times(count, count / 10 + 1, DirectStatus);
    direct.insert(direct.end(), times.begin(), times.end());
    CommunicationEnd();
  }
  const Spread h{Percentile(http, 0.5), Percentile(http, 0.99)};
  const Spread d{Percentile(direct, 0.5), Percentile(direct, 0.99)};
  std::printf("status query, %zu each in %d rounds (ms)    direct %.3f / %.3f   HTTP %.3f / %.3f   "
              "overhead median %.3f, p99 %.3f\n",
              http.size(), kRounds, d.median, d.p99, h.median, h.p99, h.median - d.median,
              h.p99 - d.p99);
}

// --- Receipts ------------------------------------------------------------------

struct Item {
  const char* name;
  const char* quantity;
  const char* price;
};

constexpr Item kItems[] = {
    {"Chleb razowy 500g", "1", "4.50"},  {"Mleko 3,2% 1l", "2", "3.29"},
    {"Maslo extra 200g", "1", "7.99"},   {"Jablka lobo", "1.250", "4.20"},
    {"Kawa mielona 250g", "1", "15.49"},
};
constexpr const char* kLineAfter = "Dziekujemy za zakupy";

std::string ReceiptBody() {
  std::string body = R"({"items":[)";
  for (const Item& item : kItems) {
    if (body.back() != '[') body += ',';
    body += std::string(R"({"name":")") + item.name + R"(","rate":"A","quantity":")" +
            item.quantity + R"(","unit":"szt","price":")" + item.price + R"("})";
  }
  return body + R"(],"lines":[{"type":0,"text":")" + kLineAfter + R"("}]})";
}

// The same receipt sold in this process by the sale the service runs.
bool DirectReceipt(int speed) {
  static const sigra::sale::Receipt receipt = [] {
    sigra::sale::ReceiptBuilder builder;
    for (const Item& item : kItems) {
      if (builder.AddItem(false, item.name, "A", item.quantity, "szt", item.price)) {
        throw std::runtime_error("a bad item");
      }
    }
    if (builder.AddLine("0", kLineAfter)) throw std::runtime_error("a bad line");
    return std::get<sigra::sale::Receipt>(builder.Finish());
  }();
  const sigra::sale::SaleResult result =
      sigra::sale::Sell(receipt, [speed] { return CommunicationInit(1, speed, 5); });
  return result.code == 0;
}

bool HttpReceipt(httplib::Client& client, const std::string& printer, int& sequence) {
  const httplib::Headers headers = {
      {"Idempotency-Key", printer + "-" + std::to_string(getpid()) + "-" +
                              std::to_string(++sequence)}};
  const auto answer =
      client.Post(("/v1/printers/" + printer + "/receipts").c_str(), headers, ReceiptBody(),
                  "application/json");
  return answer && answer->status == 201;
}

std::unique_ptr<httplib::Client> Connect(int port) {
  auto client = std::make_unique<httplib::Client>("127.0.0.1", port);
  client->set_keep_alive(true);
  client->set_read_timeout(120, 0);
  return client;
}

void ReceiptRatio(int receipts) {
  constexpr int kRate = 28800;
  Printers printers(1, kRate);
  Spread http{};
  {
    Service service(printers, 1, kRate);
    auto client = Connect(service.Port());
    int sequence = 0;
    http = Measure(receipts, [&] { return HttpReceipt(*client, "p1", sequence); });
  }
  if (CommunicationInit(1, kRate, 5) != 0) throw std::runtime_error("no connection");
  const Spread direct = Measure(receipts, [] { return DirectReceipt(kRate); });
  CommunicationEnd();
  std::printf("receipt at %d b/s, %d each (s)  direct %.3f   HTTP %.3f   ratio %.3f\n", kRate,
              receipts, direct.median / 1000, http.median / 1000, http.median / direct.median);
}

void ManyPrinters(int count, int receipts) {
  constexpr int kRate = 28800;
  Printers printers(count, kRate);
  Service service(printers, count, kRate);
  // One printer alone, then all at once, each from a client of its own.
  double alone = 0;
  {
    auto client = Connect(service.Port());
    int sequence = 0;
    const auto start = Clock::now();
    for (int i = 0; i < receipts; ++i) {
      if (!HttpReceipt(*client, "p1", sequence)) throw std::runtime_error("a receipt failed");
    }
    alone = receipts / Seconds(Clock::now() - start);
  }
  std::atomic<int> failed = 0;
  std::vector<std::thread> clients;
  const auto start = Clock::now();
  for (int n = 1; n <= count; ++n) {
    clients.emplace_back([&, n] {
      auto client = Connect(service.Port());
      int sequence = 1000;
      for (int i = 0; i < receipts; ++i) {
        if (!HttpReceipt(*client, PrinterId(n), sequence)) ++failed;
      }
    });
  }
  for (std::thread& client : clients) client.join();
  const double together = count * receipts / Seconds(Clock::now() - start);
  std::printf("%d printers at %d b/s, %d receipts each   one alone %.3f/s   together %.3f/s   "
              "against %d x one %.3f%s\n",
              count, kRate, receipts, alone, together, count, together / (count * alone),
              failed ? "  (some receipts failed)" : "");
}

}  // namespace

int main(int argc, char** argv) {
  int queries = 400, receipts = 5, printers = 16;
  for (int i = 1; i + 1 < argc; i += 2) {
    const int value = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--queries") == 0) queries = value;
    if (std::strcmp(argv[i], "--receipts") == 0) receipts = value;
    if (std::strcmp(argv[i], "--printers") == 0) printers = value;
  }
  if (argc % 2 == 0 || queries <= 0 || receipts <= 0 || printers <= 0) {
    std::fprintf(stderr, "usage: service_bench [--queries N] [--receipts N] [--printers N]\n");
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  try {
    StatusOverhead(queries);
    ReceiptRatio(receipts);
    ManyPrinters(printers, receipts);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "service_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
