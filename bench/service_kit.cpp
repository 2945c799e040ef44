#include "bench/service_kit.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace sigra::bench {
namespace fs = std::filesystem;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double Percentile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  const auto at = static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

void WaitFor(const std::function<bool()>& ready, const char* what) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (!ready()) {
    if (Clock::now() > deadline) throw std::runtime_error(std::string("no ") + what);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

Process::Process(const std::vector<std::string>& arguments, const fs::path& output) {
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

Process::~Process() {
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
}

namespace {

std::vector<std::vector<std::string>> Alike(int count, int lineRate) {
  std::vector<std::string> options;
  if (lineRate > 0) options = {"--line-rate", std::to_string(lineRate)};
  return std::vector<std::vector<std::string>>(static_cast<size_t>(count), options);
}

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

std::string ReceiptBody() {
  std::string body = R"({"items":[)";
  for (const Item& item : kItems) {
    if (body.back() != '[') body += ',';
    body += std::string(R"({"name":")") + item.name + R"(","rate":"A","quantity":")" +
            item.quantity + R"(","unit":"szt","price":")" + item.price + R"("})";
  }
  return body + R"(],"lines":[{"type":0,"text":")" + kLineAfter + R"("}]})";
}

}  // namespace

Printers::Printers(const std::vector<std::vector<std::string>>& options) {
  char pattern[] = "/tmp/sigra-service-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("no temporary folder");
  folder_ = pattern;
  for (size_t n = 0; n < options.size(); ++n) {
    const std::string port = std::to_string(n + 1);
    std::vector<std::string> arguments = {SIGRA_EMU, "--type", "7", "--link", folder_.string(),
                                          "--port", port};
    arguments.insert(arguments.end(), options[n].begin(), options[n].end());
    processes_.push_back(std::make_unique<Process>(arguments, "/dev/null"));
    const fs::path link = folder_ / ("com" + port);
    WaitFor([&] { return fs::exists(link); }, "emulator port");
  }
  setenv("SIGRA_DOSDEVICES", folder_.c_str(), 1);
}

Printers::Printers(int count, int lineRate) : Printers(Alike(count, lineRate)) {}

Printers::~Printers() {
  processes_.clear();
  fs::remove_all(folder_);
}

// Built by appending: GCC 12 at -O3 takes "p" + std::to_string(n) for an
// overlapping copy.
std::string PrinterId(int n) {
  std::string id = "p";
  id += std::to_string(n);
  return id;
}

Service::Service(const Printers& printers, int count, int speed) : port_(FreePort()) {
  std::vector<std::string> arguments = {SIGRAD};
  for (int n = 1; n <= count; ++n) {
    arguments.push_back("--printer");
    arguments.push_back(PrinterId(n) + "=COM" + std::to_string(n) + ":" + std::to_string(speed));
  }
  arguments.insert(arguments.end(), {"--listen", "127.0.0.1:" + std::to_string(port_),
                                     "--journal", (printers.Folder() / "journal.sqlite").string()});
  process_ = std::make_unique<Process>(arguments, printers.Folder() / "sigrad.log");
  httplib::Client client("127.0.0.1", port_);
  WaitFor(
      [&] {
        const auto answer = client.Get("/healthz");
        return answer && answer->status == 200;
      },
      "answer from sigrad");
}

const std::vector<Item> kItems = {
    {"Chleb razowy 500g", "1", "4.50"},  {"Mleko 3,2% 1l", "2", "3.29"},
    {"Maslo extra 200g", "1", "7.99"},   {"Jablka lobo", "1.250", "4.20"},
    {"Kawa mielona 250g", "1", "15.49"},
};
const char* const kLineAfter = "Dziekujemy za zakupy";

std::unique_ptr<httplib::Client> Connect(int port) {
  auto client = std::make_unique<httplib::Client>("127.0.0.1", port);
  client->set_keep_alive(true);
  client->set_read_timeout(120, 0);
  return client;
}

int HttpReceipt(httplib::Client& client, const std::string& printer, int& sequence) {
  const httplib::Headers headers = {
      {"Idempotency-Key", printer + "-" + std::to_string(getpid()) + "-" +
                              std::to_string(++sequence)}};
  const auto answer = client.Post(("/v1/printers/" + printer + "/receipts").c_str(), headers,
                                  ReceiptBody(), "application/json");
  return answer ? answer->status : 0;
}

}  // namespace sigra::bench
