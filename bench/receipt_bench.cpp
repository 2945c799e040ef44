// A receipt and a daily report against a printer on a paced line, beside the
// least time the line and the printer allow. The printer (sigra-emu's model
// with a line rate) runs in a process of its own; the client's CPU time is
// then this process's. The minimum is the line time of the command sequences
// proper, both ways (11 bits a character; the status polls left out), plus the
// printing time of the lines printed; polls made while the printer prints
// overlap the printing.
//
// The ten item calls of the receipt are also timed alone, in a receipt of
// their own, for the cost of one item.
//
// receipt_bench [--runs N]: N receipts, reports and item runs at each speed
// (default 2).
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "bench/printer_process.h"
#include "bench/thread_switches.h"
#include "emulator/printing_time.h"
#include "sigra/sigradrv.h"

namespace {

using Clock = std::chrono::steady_clock;

// A Sigra of the second generation: it takes the subtotal and the payments.
constexpr int kDeviceType = 3;

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Item {
  const char* name;
  uint32_t rate;
  int32_t quantity;
  int32_t decimals;
  const char* unit;
  int32_t price;
};

constexpr Item kItems[] = {
    {"Chleb razowy 500g", 1, 1, 0, "szt", 450},   {"Mleko 3,2% 1l", 2, 2, 0, "szt", 329},
    {"Maslo extra 200g", 1, 1, 0, "szt", 799},    {"Jablka lobo", 2, 1250, 3, "kg", 420},
    {"Ser zolty gouda", 1, 300, 3, "kg", 2990},   {"Woda mineralna 1,5l", 1, 6, 0, "szt", 199},
    {"Kawa mielona 250g", 1, 1, 0, "szt", 1549},  {"Ksiazka kucharska", 3, 1, 0, "szt", 3990},
    {"Pomidory malinowe", 2, 800, 3, "kg", 1199}, {"Czekolada gorzka", 1, 3, 0, "szt", 459},
};

// The ten lines of the receipt on three rates; `total` is their sum.
int32_t TenItems(int32_t& total) {
  total = 0;
  for (const Item& item : kItems) {
    int32_t value = 0;
    if (int32_t result = pReceiptItem(1, item.name, item.rate, 0, item.quantity, item.decimals,
                                      item.unit, item.price, &value);
        result != 0) {
      return result;
    }
    total += value;
  }
  return 0;
}

// The ten lines, the subtotal, a payment, two lines after the receipt, and
// its end.
int32_t TenItemReceipt() {
  if (int32_t result = ReceiptBegin(); result != 0) return result;
  int32_t total = 0;
  if (int32_t result = TenItems(total); result != 0) return result;
  if (int32_t result = PrintSubtotal(); result != 0) return result;
  pFillPayment(1, "Gotowka", total + 1000, 1000);
  int32_t freeLines = 0;
  pFillLines(0, "Dziekujemy za zakupy", &freeLines);
  pFillLines(0, "Zapraszamy ponownie", &freeLines);
  return ReceiptEnd(0);
}

int32_t DailyReportAllowingZero() {
  return DailyReport(1);
}

void Measure(sigra::bench::PrinterProcess& printer, int baud, const char* what,
             const std::function<int32_t()>& run) {
  printer.Count();
  const long sleepsBefore = sigra::bench::VoluntarySwitches();
  const double cpuBefore = ProcessCpuSeconds();
  const auto start = Clock::now();
  const int32_t result = run();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  const long sleeps = sigra::bench::VoluntarySwitches() - sleepsBefore;
  const sigra::bench::LineCount c = printer.Count();
  const double character = static_cast<double>(11) / baud;
  const double minimum = static_cast<double>(c.hostCommand + c.printerCommand) * character +
                         static_cast<double>(c.printedLines) / sigra::emu::kLinesPerSecond;
  std::printf("%6d  %-12s %4llu+%-4llu %4llu+%-4llu %5llu %8.3f %8.3f %6.3f %8.2f %6.2f%% %6ld%s\n",
              baud, what, static_cast<unsigned long long>(c.hostCommand),
              static_cast<unsigned long long>(c.hostPoll),
              static_cast<unsigned long long>(c.printerCommand),
              static_cast<unsigned long long>(c.printerPoll),
              static_cast<unsigned long long>(c.printedLines), minimum, seconds, seconds / minimum,
              cpu * 1000, 100 * cpu / seconds, sleeps,
              result == 0 ? "" : ("  failed: " + std::to_string(result)).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 2;
  if (argc == 3 && std::strcmp(argv[1], "--runs") == 0) runs = std::atoi(argv[2]);
  if (runs <= 0 || (argc != 1 && argc != 3)) {
    std::fprintf(stderr, "usage: receipt_bench [--runs N]\n");
    return 2;
  }
  std::printf(
      "Bytes are command+poll; times in seconds; CPU is the client's, in ms and as a\n"
      "share of the measured time.\n\n");
  std::printf("%6s  %-12s %9s %9s %5s %8s %8s %6s %8s %7s\n", "bit/s", "", "to printr", "from prtr",
              "lines", "minimum", "measured", "ratio", "CPU ms", "CPU");
  for (const int baud : {9600, 28800}) {
    // Forked while this process has no thread: the previous port is closed.
    sigra::bench::PrinterProcess printer(
        kDeviceType, [baud](sigra::emu::Emulator& emulator) { emulator.SetLineRate(baud); });
    if (int32_t result = CommunicationInit(1, baud, 5); result != 0) {
      std::printf("%6d  no connection: %d\n", baud, result);
      continue;
    }
    for (int run = 0; run < runs; ++run) {
      Measure(printer, baud, "receipt", TenItemReceipt);
      Measure(printer, baud, "daily report", DailyReportAllowingZero);
      // The item calls alone, in a receipt opened before and closed after.
      if (int32_t result = ReceiptBegin(); result != 0) {
        std::printf("%6d  no receipt: %d\n", baud, result);
        continue;
      }
      int32_t total = 0;
      // A line is not answered: the span ends with one status poll, which the
      // printer answers only once it has the last line.
      Measure(printer, baud, "10 items", [&total] {
        const int32_t result = TenItems(total);
        return result != 0 ? result : PrintControl(1, kDeviceType);
      });
      ReceiptEnd(0);
    }
    CommunicationEnd();
  }
  return 0;
}
