// A sale's latency on an idle printer of the service: the five-item receipt
// on p1, a printer that takes bytes at once, each sale on a new connection,
//   (a) with the service otherwise idle,
//   (b) while p2, p3 and p4, printers at --line-rate 9600, have full queues
//       (the default 32 waiting and one running each), kept full by clients
//       that ask again 0.1 s after each 503,
//   (c) while 70 connections, each from a loopback address of its own, send
//       their request's headers a byte every 0.1 s and connect again when the
//       service cuts them off.
// (a) is measured before (c) and again between (c) and (b), its two blocks
// taken together. Prints the medians and the ratios (b)/(a) and (c)/(a);
// the goal is at most 1.5 for each.
//
// latency_bench [--sales N] (default 20 a block)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/service_kit.h"

namespace {

using namespace sigra::bench;

constexpr int kBusyPrinters = 3;
constexpr int kSlowRate = 9600;
constexpr int kQueue = 32;
constexpr int kTricklers = 70;
constexpr auto kStep = std::chrono::milliseconds(100);

// Sale latencies in milliseconds, one sale on p1 every 0.1 s.
std::vector<double> Latencies(int port, int sales) {
  static int sequence = 0;
  std::vector<double> times;
  for (int i = 0; i < sales; ++i) {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(120, 0);
    const auto start = Clock::now();
    const int status = HttpReceipt(client, "p1", sequence);
    if (status != 201) throw std::runtime_error("a sale on p1 answered " + std::to_string(status));
    times.push_back(Seconds(Clock::now() - start) * 1000);
    std::this_thread::sleep_for(kStep);
  }
  return times;
}

// Clients keeping the queues of p2..p4 full until destroyed: one more than
// the queue and the running request hold, for each printer.
class FullQueues {
 public:
  explicit FullQueues(int port) {
    for (int n = 2; n <= kBusyPrinters + 1; ++n) {
      for (int client = 0; client < kQueue + 2; ++client) {
        threads_.emplace_back([this, port, n, client] { Keep(port, n, client); });
      }
    }
  }
  ~FullQueues() {
    stop_ = true;
    for (std::thread& thread : threads_) thread.join();
  }
  // Waits until each busy printer has refused a sale for a full queue.
  void AwaitFull() const {
    WaitFor([this] { return full_ >= kBusyPrinters; }, "full queues");
  }

 private:
  void Keep(int port, int printer, int client) {
    auto connection = Connect(port);
    int sequence = client * 100000;
    while (!stop_) {
      const int status = HttpReceipt(*connection, PrinterId(printer), sequence);
      if (status == 201) continue;
      if (status == 503 && !refused_[printer - 2].exchange(true)) ++full_;
      std::this_thread::sleep_for(kStep);
    }
  }

  std::atomic<bool> stop_ = false;
  std::atomic<int> full_ = 0;
  std::array<std::atomic<bool>, kBusyPrinters> refused_{};
  std::vector<std::thread> threads_;
};

// kTricklers connections from 127.0.0.2 on, each sending its headers a byte
// a step, connecting again once cut off, until destroyed.
class Tricklers {
 public:
  explicit Tricklers(int port) : port_(port), sockets_(kTricklers, -1), sent_(kTricklers, 0) {
    thread_ = std::thread([this] { Run(); });
  }
  ~Tricklers() {
    stop_ = true;
    thread_.join();
    for (const int sock : sockets_) {
      if (sock >= 0) close(sock);
    }
  }
  int CutOff() const { return cutOff_; }

 private:
  static constexpr const char* kHead =
      "POST /v1/printers/p1/receipts HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Trickle: ";

  int Open(int n) {
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 1 + static_cast<uint32_t>(n));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<uint16_t>(port_));
    if (sock < 0 || bind(sock, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        connect(sock, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
      throw std::runtime_error("no trickling connection");
    }
    return sock;
  }

  void Run() {
    while (!stop_) {
      for (int n = 0; n < kTricklers; ++n) {
        int& sock = sockets_[n];
        // The service's answer (a 400 once its time is up) or its closing.
        char seen[512];
        if (sock >= 0 && (recv(sock, seen, sizeof seen, MSG_DONTWAIT) >= 0 ||
                          send(sock, sent_[n] < std::strlen(kHead) ? kHead + sent_[n] : "a", 1,
                               MSG_NOSIGNAL) != 1)) {
          close(sock);
          sock = -1;
          ++cutOff_;
        } else if (sock >= 0) {
          ++sent_[n];
        }
        if (sock < 0) {
          sock = Open(n);
          sent_[n] = 0;
        }
      }
      std::this_thread::sleep_for(kStep);
    }
  }

  int port_;
  std::vector<int> sockets_;
  std::vector<size_t> sent_;
  std::atomic<bool> stop_ = false;
  std::atomic<int> cutOff_ = 0;
  std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
  int sales = 20;
  if (argc == 3 && std::strcmp(argv[1], "--sales") == 0) sales = std::atoi(argv[2]);
  if ((argc != 1 && argc != 3) || sales <= 0) {
    std::fprintf(stderr, "usage: latency_bench [--sales N]\n");
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  try {
    std::vector<std::vector<std::string>> options(1);
    for (int n = 0; n < kBusyPrinters; ++n) {
      options.push_back({"--line-rate", std::to_string(kSlowRate)});
    }
    Printers printers(options);
    auto service = std::make_unique<Service>(printers, kBusyPrinters + 1, kSlowRate);
    const int port = service->Port();
    std::vector<double> idle = Latencies(port, sales);
    std::vector<double> trickled;
    int cutOff = 0;
    {
      Tricklers tricklers(port);
      // So that the service cutting them off once their time is up, and
      // their connecting again, fall inside the block.
      std::this_thread::sleep_for(std::chrono::seconds(8));
      trickled = Latencies(port, sales);
      cutOff = tricklers.CutOff();
    }
    const std::vector<double> again = Latencies(port, sales);
    idle.insert(idle.end(), again.begin(), again.end());
    auto queues = std::make_unique<FullQueues>(port);
    queues->AwaitFull();
    const std::vector<double> busy = Latencies(port, sales);
    const double a = Percentile(idle, 0.5);
    const double b = Percentile(busy, 0.5);
    const double c = Percentile(trickled, 0.5);
    std::printf("sale on an idle printer, median (ms): (a) idle service %.1f   "
                "(b) %d printers with full queues %.1f   (c) %d trickling connections %.1f "
                "(%d cut off meanwhile)\n",
                a, kBusyPrinters, b, kTricklers, c, cutOff);
    std::printf("ratios: (b)/(a) %.2f   (c)/(a) %.2f   goal <= 1.5; slowest of each block "
                "(a) %.1f (b) %.1f (c) %.1f ms\n",
                b / a, c / a, Percentile(idle, 1), Percentile(busy, 1), Percentile(trickled, 1));
    // The service ends first: its queued requests are answered at once, and
    // the clients keeping the queues full see it gone.
    service.reset();
    queues.reset();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "latency_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
