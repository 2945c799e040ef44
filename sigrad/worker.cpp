#include "sigrad/worker.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <variant>

#include "commands/results.h"
#include "link/serial_ports.h"
#include "protocol/device_family.h"
#include "protocol/status.h"
#include "sigrad/answers.h"
#include "sigrad/body.h"
#include "sigrad/journal.h"
#include "sigrad/outcomes.h"
#include "sigrad/raw_reads.h"
#include "sigra/sigradrv.h"
#include "sigra/sigradrv.hpp"
#include "client/sale.h"
#include "client/status_bytes.h"

namespace sigra::service {
namespace {

constexpr int32_t kTimeoutSeconds = 5;
// The driver's codes for a port that did not open: none such, held or not
// permitted, and any other failure of the opening (a port table that cannot
// be used among them).
constexpr int32_t kCodeNoPort = 2;
constexpr int32_t kCodeNoAccess = 5;
constexpr int32_t kCodeNoDevice = 31;
constexpr auto kReconnectTime = std::chrono::seconds(30);
constexpr int kLuno = 7;
constexpr int kLunoF = 8;

// A code of the printer's own (no paper, a failure, a refusal): it answered,
// on a port that is open.
bool Answered(int32_t code) {
  return code >= 100 && code < 300;
}

class Worker {
 public:
  explicit Worker(const WorkerOptions& options)
      : options_(options), journal_(options.journal, /*create=*/false) {}

  int32_t Connect() {
    int32_t code = CommunicationInit(options_.port, options_.speed, kTimeoutSeconds);
    uint8_t status3 = 0;
    if (Answered(code) && raw::Status3(status3) == 0 &&
        (status3 & (kNoPaper | kStoppedForPaper)) == kStoppedForPaper) {
      // A printout stopped for lack of paper, the paper back: the opening
      // does not resume it itself. Resumed on the port, it is waited for by
      // the next opening.
      if (raw::ResumePrintout() == 0) {
        code = CommunicationInit(options_.port, options_.speed, kTimeoutSeconds);
      }
    }
    open_ = code == 0;
    // A printer without paper, with its head raised, its printout stopped or
    // a failure answers but does not let the connection open: its port stays
    // open, and its counters and status bytes are read there.
    answering_ = open_ || Answered(code);
    // Which printer answers: another may have been put in its place.
    if (!answering_ || raw::UniqueNumber(number_) != 0) number_.clear();
    if (open_) {
      Identify();
      stopped_ = false;
    } else if (answering_ && raw::Status3(status3) == 0 &&
               (status3 & (kNoPaper | kStoppedForPaper)) != 0) {
      stopped_ = true;
    }
    // Why the port did not open, in the words sigractl uses: the result
    // code alone blames another program for what is mostly missing rights.
    portProblem_.clear();
    if (code == kCodeNoPort || code == kCodeNoAccess || code == kCodeNoDevice) {
      const link::ports::OpenProblem problem =
          link::ports::TryOpen(options_.port, std::chrono::seconds(kTimeoutSeconds));
      if (problem.error != 0) {
        portProblem_ = "COM" + std::to_string(options_.port) +
                       (problem.device.empty() ? "" : " is " + problem.device) + ": " +
                       link::ports::ProblemText(problem);
      }
    }
    return code;
  }

  Json Ready() {
    Json ready = {{"ready", true}};
    Describe(ready);
    return ready;
  }

  // Settles every entry of this printer left unfinished or unknown, from the
  // printer's counters: 0 when none is left, else the result code that kept
  // the printer from telling. An entry still accepted is the service's:
  // waiting in its queue or about to be sent, and settled by the service
  // itself when its request ends unanswered.
  int32_t Settle() {
    // The printer on the port now, read once the first entry needs it.
    std::optional<std::string> connected;
    for (const Entry& entry : journal_.Unsettled(options_.printer)) {
      if (entry.state == "accepted") continue;
      if (!entry.counterBefore) {
        // Nothing that could sell went out.
        StoreNotMade(entry, 503,
                     ErrorBody(kCodeBusy,
                               "The service stopped before the sale began; nothing was sent.",
                               kIdInterrupted));
        continue;
      }
      if (entry.uniqueNumber && !connected) {
        std::string number;
        if (const int32_t code = ReadNumber(number); code != 0) return code;
        connected = number;
      }
      if (entry.uniqueNumber && *entry.uniqueNumber != *connected) {
        // Another printer's counter tells nothing of it: unknown until the
        // printer it went to is back.
        Json body = OtherPrinterBody(*entry.uniqueNumber, *connected);
        body["key"] = entry.key;
        body["printer"] = options_.printer;
        if (entry.kind == "receipt") body["fiscalised"] = nullptr;
        if (entry.state != "done" || entry.answer != body.dump()) {
          journal_.Done(options_.printer, entry.key, std::nullopt, 503, body.dump());
        }
        continue;
      }
      int32_t counter = 0;
      if (const int32_t code = Counter(entry.kind == "receipt", counter); code != 0) {
        Lost(code);
        return code;
      }
      if (counter == *entry.counterBefore + 1) {
        Json body = Made(options_.printer, entry.key, entry.kind, counter, TotalOf(entry));
        body["warning"] = {{"code", 0},
                           {"message", "Settled from the printer's counter after an "
                                       "interruption."}};
        journal_.Done(options_.printer, entry.key, true, 201, body.dump());
      } else {
        StoreNotMade(entry, 503,
                     ErrorBody(kCodeBusy,
                               "The printer did not complete it before an interruption; it may "
                               "be sent again.",
                               kIdInterrupted));
      }
    }
    return 0;
  }

  Json Handle(const Json& request) {
    const std::string op = request.value("op", "");
    if (op == "info") return Answer(200, Info());
    if (op == "settle") return Idle(request.value("probe", false));
    // Before anything else is asked of the printer.
    ResumeStopped();
    if (op == "status") return Status();
    if (op == "receipt") return Receipt(request.at("key"), request.at("body"));
    if (op == "daily") return Daily(request.at("key"), request.at("zero"));
    if (int32_t code = Ensure(); code != 0) return Failed(code);
    if (op == "rates") return Rates();
    if (op == "clock") return Clock();
    if (op == "clock_shift") {
      std::string step;
      if (int32_t code = sale::ShiftClock(request.at("minutes"), step); code != 0) {
        return Failed(code);
      }
      return Clock();
    }
    if (op == "counters") {
      int32_t receipts = 0;
      int32_t reports = 0;
      if (int32_t code = ReceiptNumber(&receipts); code != 0) return Failed(code);
      if (int32_t code = DailyReportNumber(&reports); code != 0) return Failed(code);
      return Answer(200, {{"printer", options_.printer},
                          {"receipts", receipts},
                          {"daily_reports", reports}});
    }
    if (op == "drawer") return Done(OpenDrawer(request.at("drawer")), {{"opened", true}});
    if (op == "state_report") return Done(PrinterStatusReport(), {{"printed", true}});
    if (op == "periodic") return Periodic(request);
    return Answer(500, ErrorBody(500, "unknown request " + op));
  }

 private:
  int32_t Ensure() { return open_ ? 0 : Connect(); }

  bool Online() const { return open_ || answering_; }

  // After a failure of the port or the line the connection is opened afresh.
  // No paper may have stopped a printout: it is resumed once paper is back.
  void Lost(int32_t code) {
    if (code > 0 && code < 100) {
      CommunicationEnd();
      open_ = false;
      answering_ = false;
      number_.clear();
    }
    if (code == kResultNoPaper) stopped_ = true;
  }

  // The receipt counter (`receipt` false: the daily report counter) on the
  // connection, or, from a printer that answers without letting it open,
  // on its port.
  int32_t Counter(bool receipt, int32_t& counter) {
    const int32_t code = Ensure();
    if (code == 0) return receipt ? ReceiptNumber(&counter) : DailyReportNumber(&counter);
    if (!answering_) return code;
    bool luno = deviceType_ == kLuno || deviceType_ == kLunoF;
    if (deviceType_ < 0) {
      if (const int32_t asked = raw::IsLuno(luno); asked != 0) return asked;
    }
    return raw::Counter(receipt, luno, counter);
  }

  // The unique number of the printer on the port now, read afresh: one put
  // in the place of another need not have broken the connection.
  int32_t ReadNumber(std::string& number) {
    const int32_t code = Ensure();
    if (code != 0 && !answering_) return code;
    if (const int32_t read = raw::UniqueNumber(number); read != 0) {
      Lost(read);
      return read;
    }
    number_ = number;
    return 0;
  }

  // While no request waits: a printout stopped for lack of paper goes on
  // once paper is back, unknown outcomes are settled, and with `probe` the
  // printer is asked whether it still answers, so that what the service
  // says of it is never older than the probes' interval.
  Json Idle(bool probe) {
    if (probe) Probe();
    ResumeStopped();
    return Answer(200, {{"settled", Settle() == 0}});
  }

  // The lightest reading that tells: status byte 3 on the open connection.
  // Without one, the connection is opened afresh instead, which resumes a
  // printout stopped for lack of paper once it can, and none is given; nor
  // when the line failed.
  std::optional<uint8_t> OpenStatus3() {
    if (!open_) {
      Connect();
      return std::nullopt;
    }
    uint8_t status3 = 0;
    if (const int32_t code = raw::Status3(status3); code != 0) {
      Lost(code);
      return std::nullopt;
    }
    return status3;
  }

  void Probe() {
    const std::optional<uint8_t> status3 = OpenStatus3();
    if (status3 && (*status3 & (kNoPaper | kStoppedForPaper)) != 0) stopped_ = true;
  }

  // A printout that no paper (or the raised head) stopped is resumed as soon
  // as paper is back: the printer would hold it, and refuse every receipt,
  // until someone pressed its key.
  // A printer that does not answer is left to the next probe.
  void ResumeStopped() {
    if (!stopped_ || !Online()) return;
    const std::optional<uint8_t> status3 = OpenStatus3();
    if (!status3 || (*status3 & kNoPaper) != 0) return;
    if ((*status3 & kStoppedForPaper) != 0) {
      if (const int32_t code = ::PrintResume(); code != 0) {
        Lost(code);
        return;
      }
    }
    stopped_ = false;
  }

  void Identify() {
    std::string name;
    if (DeviceName(name) != 0) return;
    deviceName_ = sale::FromDriver(name);
    for (size_t type = 0; type < std::size(kDeviceTypeNames); ++type) {
      if (deviceName_ == kDeviceTypeNames[type]) deviceType_ = static_cast<int>(type);
    }
  }

  void Describe(Json& json) const {
    json["online"] = Online();
    json["device_type"] = deviceType_ >= 0 ? Json(deviceType_) : Json(nullptr);
    json["device_name"] = deviceName_.empty() ? Json(nullptr) : Json(deviceName_);
  }

  Json Info() const {
    Json info = {{"printer", options_.printer}};
    Describe(info);
    return info;
  }

  Json Answer(int status, Json body) const {
    Json answer = {
        {"status", status}, {"body", std::move(body)}, {"stopped", stopped_ && Online()}};
    Describe(answer);
    return answer;
  }

  Json Failed(int32_t code) {
    Lost(code);
    return Answer(HttpStatusOf(code), Error(code));
  }

  // The driver's text for the code, or why the port did not open when that
  // is what the code says.
  Json Error(int32_t code) const {
    Json body = DriverError(code);
    if (!open_ && !portProblem_.empty()) body["error"]["message"] = portProblem_;
    return body;
  }

  Json Done(int32_t code, Json body) {
    if (code != 0) return Failed(code);
    return Answer(200, std::move(body));
  }

  void StoreNotMade(const Entry& entry, int status, Json body) {
    body["key"] = entry.key;
    body["printer"] = options_.printer;
    if (entry.kind == "receipt") body["fiscalised"] = false;
    journal_.Done(options_.printer, entry.key, false, status, body.dump());
  }

  // The answer to a sale or a report that was journalled under `key`, stored
  // with its outcome. `soldOn`: the unique number of the printer it went to.
  Json Outcome(const std::string& key, const std::string& kind, std::optional<int64_t> total,
               int32_t code, const std::string& step, std::optional<bool> made, int32_t number,
               const std::string& soldOn = "") {
    // After a failure the counter that told the outcome was read from the
    // printer then on the port: one put in its place since counts receipts
    // of its own. Not known to be the same, the outcome is left unknown, to
    // be settled later from the right printer.
    std::string connected;
    bool other = false;
    if (code != 0 && made && !soldOn.empty()) {
      if (ReadNumber(connected) != 0) {
        made.reset();
      } else if (connected != soldOn) {
        made.reset();
        other = true;
      }
    }
    int status = 201;
    Json body;
    if (made == true) {
      body = Made(options_.printer, key, kind, number, total);
      if (code != 0) {
        body["warning"] = DriverError(code)["error"];
        body["warning"]["step"] = step;
      }
    } else {
      status = made ? HttpStatusOf(code) : 503;
      body = other ? OtherPrinterBody(soldOn, connected) : Error(code);
      body["error"]["step"] = step;
      body["key"] = key;
      body["printer"] = options_.printer;
      if (kind == "receipt") body["fiscalised"] = made ? Json(false) : Json(nullptr);
    }
    journal_.Done(options_.printer, key, made, status, body.dump());
    if (code != 0) Lost(code);
    return Answer(status, body);
  }

  // A sale that could not begin: nothing was sent.
  Json NotBegun(const std::string& key, const std::string& kind, int32_t code,
                const std::string& step) {
    return Outcome(key, kind, std::nullopt, code, step, false, 0);
  }

  // The service checked `bodyText` before it journalled it: read once here,
  // it gives the receipt that is sold and its total.
  Json Receipt(const std::string& key, const std::string& bodyText) {
    const std::optional<Value> body = ParseBody(bodyText);
    std::variant<sale::Receipt, std::string> checked =
        body ? ReceiptFromBody(*body) : std::string("malformed");
    const sale::Receipt* receipt = std::get_if<sale::Receipt>(&checked);
    if (!receipt) return Answer(400, ErrorBody(kCodeBadRequest, std::get<std::string>(checked)));
    if (int32_t code = Settle(); code != 0) {
      return NotBegun(key, "receipt", code, "settling earlier sales");
    }
    if (int32_t code = Ensure(); code != 0) {
      return NotBegun(key, "receipt", code, "CommunicationInit");
    }
    if (Json refused = UndefinedRate(key, *receipt); !refused.is_null()) return refused;
    std::string soldOn;
    const sale::SaleResult sale = sale::Sell(
        *receipt, [this] { return Connect(); },
        {.sending =
             [&](int32_t before) {
               soldOn = number_;
               journal_.Sending(options_.printer, key, before, soldOn);
             },
         .closing = [&] { journal_.Closing(options_.printer, key); }},
        kReconnectTime);
    if (sale.counterBefore < 0) return NotBegun(key, "receipt", sale.code, sale.step);
    return Outcome(key, "receipt", sale::Total(*receipt), sale.code, sale.step, sale.fiscalised,
                   sale.receiptNumber, soldOn);
  }

  // An item at a rate the printer has not defined would be refused half way
  // through the receipt: the whole receipt is refused before it begins (400,
  // stored as not fiscalised). Null when every item's rate is defined.
  Json UndefinedRate(const std::string& key, const sale::Receipt& receipt) {
    int32_t count = 0;
    uint32_t rates[7] = {};
    if (int32_t code = ReadVAT(&count, &rates[0], &rates[1], &rates[2], &rates[3], &rates[4],
                               &rates[5], &rates[6]);
        code != 0) {
      return NotBegun(key, "receipt", code, "ReadVAT");
    }
    for (size_t i = 0; i < receipt.items.size(); ++i) {
      const uint32_t rate = receipt.items[i].rate;
      if (rate >= 1 && static_cast<int32_t>(rate) <= count && rates[rate - 1] != kRateUndefined) {
        continue;
      }
      Json body = ErrorBody(kCodeBadRequest,
                            "items[" + std::to_string(i) + "]: the rate " +
                                std::string(1, static_cast<char>('A' + rate - 1)) +
                                " is not defined in the printer; nothing was sent.",
                            kIdRateUndefined);
      body["key"] = key;
      body["printer"] = options_.printer;
      body["fiscalised"] = false;
      journal_.Done(options_.printer, key, false, 400, body.dump());
      return Answer(400, body);
    }
    return nullptr;
  }

  Json Daily(const std::string& key, bool zero) {
    if (int32_t code = Settle(); code != 0) {
      return NotBegun(key, "daily_report", code, "settling earlier sales");
    }
    if (int32_t code = Ensure(); code != 0) {
      return NotBegun(key, "daily_report", code, "CommunicationInit");
    }
    int32_t before = 0;
    if (int32_t code = DailyReportNumber(&before); code != 0) {
      return NotBegun(key, "daily_report", code, "DailyReportNumber");
    }
    const std::string soldOn = number_;
    journal_.Sending(options_.printer, key, before, soldOn);
    journal_.Closing(options_.printer, key);
    const int32_t code = DailyReport(zero ? 1 : 0);
    if (code == 0) {
      return Outcome(key, "daily_report", std::nullopt, 0, "", true, before + 1);
    }
    int32_t counter = 0;
    const std::optional<bool> made = sale::FiscalisedAfter(
        code, before, [this] { return Connect(); }, kReconnectTime, counter, DailyReportNumber);
    return Outcome(key, "daily_report", std::nullopt, code, "DailyReport", made, counter, soldOn);
  }

  Json Status() {
    sigractl::StatusBytes status;
    std::string step;
    int32_t code = Ensure();
    int32_t conditions = code;
    if (open_) {
      code = sigractl::ReadStatusBytes(status, step);
      conditions = code == 0 ? ReceiptConditions() : code;
    } else if (answering_) {
      // A printer without paper does not let the connection open; its
      // status bytes, on the port it answered on, still tell why.
      code = sigractl::ReadStatusBytes(status, step);
    } else if (OpenPort(options_.port, options_.speed, kTimeoutSeconds, kTimeoutSeconds) == 0) {
      code = sigractl::ReadStatusBytes(status, step);
      ClosePort();
    }
    Json body = Info();
    body["online"] = code == 0;
    if (code == 0) {
      body["bytes"] = sigractl::PresentBytes(status);
      body["lines"] = sigractl::StatusLines(status);
      Json flags = Json::object();
      for (const auto& [name, set] : sigractl::StatusFlags(status)) flags[name] = set;
      body["flags"] = flags;
    } else {
      Lost(code);
    }
    body["receipt_possible"] = conditions == 0;
    body["code"] = conditions;
    std::string message = Error(conditions)["error"]["message"];
    body["message"] = conditions == 0 ? "" : message;
    return Answer(200, body);
  }

  Json Rates() {
    int32_t count = 0;
    uint32_t rates[7] = {};
    if (int32_t code = ReadVAT(&count, &rates[0], &rates[1], &rates[2], &rates[3], &rates[4],
                               &rates[5], &rates[6]);
        code != 0) {
      return Failed(code);
    }
    return Answer(200, {{"printer", options_.printer}, {"rates", RateList(count, rates)}});
  }

  Json Clock() {
    char text[15] = {};
    if (int32_t code = pReadClock(text); code != 0) return Failed(code);
    // "24.05.17;14:05": the year's last two digits, month, day; hour, minute.
    const std::string clock = text;
    return Answer(200, {{"printer", options_.printer},
                        {"clock", "20" + clock.substr(0, 2) + "-" + clock.substr(3, 2) + "-" +
                                      clock.substr(6, 2) + "T" + clock.substr(9)}});
  }

  Json Periodic(const Json& request) {
    const int32_t detailed = request.at("detailed").get<bool>() ? 1 : 0;
    const std::vector<int32_t> a = request.at("values");
    const std::string kind = request.at("kind");
    int32_t code = 0;
    if (kind == "dates") {
      // The printer answers this report's command before it looks at it,
      // and refuses it without a word while its clock memory is erased:
      // asked first, so that a report not printed is never said printed.
      sigractl::StatusBytes status;
      std::string step;
      if (int32_t read = sigractl::ReadStatusBytes(status, step); read != 0) return Failed(read);
      for (const auto& [name, set] : sigractl::StatusFlags(status)) {
        if (name == "clock_erased" && set) return Failed(kResultClockMemoryErased);
      }
      code = PeriodReport(detailed, a[0], a[1], a[2], a[3], a[4], a[5]);
    } else if (kind == "numbers") {
      code = NumberReport(detailed, a[0], a[1]);
    } else {
      code = MonthlyReport(detailed, a[0], a[1]);
    }
    return Done(code, {{"printed", true}});
  }

  const WorkerOptions& options_;
  Journal journal_;
  bool open_ = false;
  // The printer answered the last opening, open or not (see Connect).
  bool answering_ = false;
  // A printout may stand stopped for lack of paper (see ResumeStopped).
  bool stopped_ = false;
  std::string portProblem_;
  // The unique number of the printer that answered the last opening; empty
  // when none did or it did not tell.
  std::string number_;
  int deviceType_ = -1;
  std::string deviceName_;
};

void Write(const Json& line) {
  std::cout << line.dump() << '\n' << std::flush;
}

}  // namespace

int WorkerMain(const WorkerOptions& options) {
  try {
    Worker worker(options);
    worker.Connect();
    worker.Settle();
    Write(worker.Ready());
    std::string line;
    while (std::getline(std::cin, line)) {
      Json answer;
      try {
        answer = worker.Handle(Json::parse(line));
      } catch (const JournalError&) {
        throw;
      } catch (const std::exception& error) {
        answer = {{"status", 500}, {"body", ErrorBody(500, error.what())}};
      }
      Write(answer);
    }
  } catch (const JournalError& error) {
    Write({{"fatal", error.what()}});
    return 3;
  }
  CommunicationEnd();
  return 0;
}

}  // namespace sigra::service
