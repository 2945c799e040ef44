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
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <httplib.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "bench/service_kit.h"
#include "sigra/sigradrv.h"
#include "client/receipt.h"
#include "client/sale.h"
#include "client/status_bytes.h"

namespace {

using namespace sigra::bench;

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

void ReceiptRatio(int receipts) {
  constexpr int kRate = 28800;
  Printers printers(1, kRate);
  Spread http{};
  {
    Service service(printers, 1, kRate);
    auto client = Connect(service.Port());
    int sequence = 0;
    http = Measure(receipts, [&] { return HttpReceipt(*client, "p1", sequence) == 201; });
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
      if (HttpReceipt(*client, "p1", sequence) != 201) throw std::runtime_error("a receipt failed");
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
        if (HttpReceipt(*client, PrinterId(n), sequence) != 201) ++failed;
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
