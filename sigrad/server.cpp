#include "sigrad/server.h"

#include <httplib.h>
#include <openssl/crypto.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <thread>

#include "sigrad/answers.h"
#include "sigrad/body.h"
#include "sigrad/journal.h"

namespace sigra::service {
namespace {

constexpr size_t kBodyLimit = 64 * 1024;
constexpr size_t kHeaderLimit = 64 * 1024;
constexpr size_t kPathLimit = 1024;
constexpr auto kJobLimit = std::chrono::seconds(180);
constexpr int kRetryAfterSeconds = 2;
constexpr size_t kKeyLength = 200;
constexpr size_t kThreads = 64;
constexpr auto kPurgeEvery = std::chrono::hours(1);
// How long a stop waits for the last answers to be written.
constexpr auto kAnswersOut = std::chrono::milliseconds(500);

[[noreturn]] void Fatal(const std::string& message) {
  std::fprintf(stderr, "sigrad: %s; stopping (it never sells without its journal)\n",
               message.c_str());
  std::fflush(stderr);
  _exit(1);
}

void Send(httplib::Response& res, int status, const Json& body) {
  res.status = status;
  // A message may quote a path or header holding bytes that are not UTF-8
  // ("No such printer \x80"): they are written as U+FFFD, not thrown on.
  res.set_content(body.dump(-1, ' ', false, Json::error_handler_t::replace), "application/json");
}

void SendError(httplib::Response& res, int status, int32_t code, const std::string& message) {
  Send(res, status, ErrorBody(code, message));
}

// Makes the answer the last on its connection, which then closes: for an
// answer given before its request's body was read, so that the body is never
// taken for a request of its own (a page of any origin could send a whole
// sale, without its Origin, that way). The HTTP library ignores a handler's
// Connection: close but closes the connection when a body's provider fails:
// the provider writes the whole body, then says it failed.
void CloseAfter(httplib::Response& res) {
  auto body = std::make_shared<std::string>(std::move(res.body));
  res.body.clear();
  const std::string type = res.get_header_value("Content-Type");
  res.headers.erase("Content-Type");
  if (!res.has_header("Connection")) res.set_header("Connection", "close");
  res.set_content_provider(
      body->size(), type,
      [body](size_t offset, size_t length, httplib::DataSink& sink) {
        sink.write(body->data() + offset, length);
        return false;
      });
}

// Answers with an error and closes the connection after it (see CloseAfter,
// which the error handler calls for it).
void SendErrorAndClose(httplib::Response& res, int status, int32_t code,
                       const std::string& message) {
  SendError(res, status, code, message);
  res.set_header("Connection", "close");
}

// Whether the HTTP library reads the body of a request of this method.
bool BodyRead(const std::string& method) {
  return method == "POST" || method == "PUT" || method == "PATCH" || method == "DELETE" ||
         method == "PRI";
}

// A request the gate refuses: its answer.
struct Refusal {
  int status = 0;
  int32_t code = 0;
  std::string message;
};

// What each request of the moment was: for the log line, and a refusal kept
// until the request's body has been read (see Server::Refuse).
struct RequestNote {
  std::chrono::steady_clock::time_point start;
  std::string id;
  std::string printer;
  std::optional<Refusal> refusal;
};
thread_local RequestNote t_note;

std::string NewRequestId() {
  static std::mutex mutex;
  static std::mt19937_64 random{std::random_device{}()};
  std::lock_guard lock(mutex);
  char id[17];
  std::snprintf(id, sizeof id, "%016llx", static_cast<unsigned long long>(random()));
  return id;
}

std::string Now() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  char full[48];
  std::snprintf(full, sizeof full, "%s.%03lldZ", text, static_cast<long long>(millis));
  return full;
}

// Equal tokens, in a time that does not depend on where they differ.
bool SameToken(const std::string& given, const std::string& token) {
  const std::string a = Digest(given);
  const std::string b = Digest(token);
  return CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

class Metrics {
 public:
  void Request(const std::string& route, int status) {
    std::lock_guard lock(mutex_);
    ++requests_[{route, status}];
  }
  void Outcome(const std::string& printer, const Json& fiscalised) {
    std::lock_guard lock(mutex_);
    ++receipts_[{printer, fiscalised.is_null() ? "unknown" : fiscalised.get<bool>() ? "yes" : "no"}];
  }
  void PrinterError(const std::string& printer, int32_t code) {
    std::lock_guard lock(mutex_);
    ++errors_[{printer, code}];
  }
  std::string Text(const std::vector<std::unique_ptr<Printer>>& printers) const {
    std::lock_guard lock(mutex_);
    std::string text =
        "# HELP sigrad_requests_total HTTP requests by route and status.\n"
        "# TYPE sigrad_requests_total counter\n";
    for (const auto& [labels, count] : requests_) {
      text += "sigrad_requests_total{route=\"" + labels.first + "\",status=\"" +
              std::to_string(labels.second) + "\"} " + std::to_string(count) + "\n";
    }
    text +=
        "# HELP sigrad_receipts_total Receipts sold by whether the printer fiscalised them.\n"
        "# TYPE sigrad_receipts_total counter\n";
    for (const auto& [labels, count] : receipts_) {
      text += "sigrad_receipts_total{printer=\"" + labels.first + "\",fiscalised=\"" +
              labels.second + "\"} " + std::to_string(count) + "\n";
    }
    text +=
        "# HELP sigrad_printer_errors_total Driver result codes other than 0, by printer.\n"
        "# TYPE sigrad_printer_errors_total counter\n";
    for (const auto& [labels, count] : errors_) {
      text += "sigrad_printer_errors_total{printer=\"" + labels.first + "\",code=\"" +
              std::to_string(labels.second) + "\"} " + std::to_string(count) + "\n";
    }
    text +=
        "# HELP sigrad_queue_length Requests waiting or running, by printer.\n"
        "# TYPE sigrad_queue_length gauge\n";
    for (const auto& printer : printers) {
      text += "sigrad_queue_length{printer=\"" + printer->Config().id + "\"} " +
              std::to_string(printer->QueueLength()) + "\n";
    }
    text +=
        "# HELP sigrad_printer_online Whether the printer answered its last request.\n"
        "# TYPE sigrad_printer_online gauge\n";
    for (const auto& printer : printers) {
      text += "sigrad_printer_online{printer=\"" + printer->Config().id + "\"} " +
              (printer->Online() ? "1" : "0") + "\n";
    }
    return text;
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::pair<std::string, int>, uint64_t> requests_;
  std::map<std::pair<std::string, std::string>, uint64_t> receipts_;
  std::map<std::pair<std::string, int32_t>, uint64_t> errors_;
};

// The route a path belongs to, for the metrics: printer ids and keys left out.
std::string RouteOf(const std::string& method, const std::string& path) {
  if (path.size() > kPathLimit) return method + " other";
  static const std::regex printer("^/v1/printers/[^/]+(/.*)?$");
  static const std::regex key("^/v1/printers/\\{id\\}/receipts/[^/]+$");
  std::string route = std::regex_replace(path, printer, "/v1/printers/{id}$1");
  route = std::regex_replace(route, key, "/v1/printers/{id}/receipts/{key}");
  static const std::set<std::string> known = {
      "/healthz", "/metrics", "/v1/openapi.json", "/v1/printers",
      "/v1/printers/{id}/status", "/v1/printers/{id}/receipts",
      "/v1/printers/{id}/receipts/{key}", "/v1/printers/{id}/reports/daily",
      "/v1/printers/{id}/reports/state", "/v1/printers/{id}/reports/periodic",
      "/v1/printers/{id}/clock", "/v1/printers/{id}/clock/shift", "/v1/printers/{id}/rates",
      "/v1/printers/{id}/counters", "/v1/printers/{id}/drawer"};
  return method + " " + (known.count(route) ? route : "other");
}

// A date "2026-01-31" as year (two digits), month, day.
bool ParseDate(const Json& value, int32_t out[3]) {
  static const std::regex date("^(\\d{4})-(\\d{2})-(\\d{2})$");
  std::smatch m;
  if (!value.is_string() || value.get<std::string>().size() != 10) return false;
  const std::string text = value.get<std::string>();
  if (!std::regex_match(text, m, date)) return false;
  const int year = std::stoi(m[1]);
  out[0] = year % 100;
  out[1] = std::stoi(m[2]);
  out[2] = std::stoi(m[3]);
  return year >= 2001 && year <= 2099 && out[1] >= 1 && out[1] <= 12 && out[2] >= 1 &&
         out[2] <= 31;
}

class Service {
 public:
  Service(const ServiceOptions& options, const std::string& program)
      : options_(options), journal_(options.journal) {
    journal_.Purge(options.retentionDays);
    for (const PrinterConfig& config : options.printers) {
      printers_.push_back(std::make_unique<Printer>(config, program, options.journal,
                                                    options.queueLimit, Fatal));
    }
    // Each printer's unfinished entries are settled, and the printer known,
    // before the first request is taken.
    for (const auto& printer : printers_) printer->AwaitStart(kJobLimit);
  }

  // Stops taking requests to the printers: those waiting are answered at
  // once, the ones running end.
  void Halt() {
    for (const auto& printer : printers_) printer->Halt();
  }

  // After Halt: waits until every printer's running request has been answered.
  void AwaitEnd() {
    for (const auto& printer : printers_) printer->AwaitEnd();
  }

  void Install(httplib::Server& server) {
    server.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    server.set_payload_max_length(kBodyLimit);
    server.set_read_timeout(std::chrono::seconds(10));
    server.set_write_timeout(std::chrono::seconds(10));
    server.set_keep_alive_timeout(5);
    // Headers and body go out in two writes: without this the second waits
    // for the client's delayed acknowledgement of the first on every request
    // of a kept-alive connection, some 40 ms.
    server.set_tcp_nodelay(true);
    server.set_pre_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) { return Gate(req, res); });
    // Called for every answer of 400 and above before it is written.
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& res) {
      using Handled = httplib::Server::HandlerResponse;
      if (res.get_header_value("Connection") == "close") {
        CloseAfter(res);
        return Handled::Handled;
      }
      if (!res.body.empty()) return Handled::Unhandled;
      const char* message = res.status == 413   ? "The request is larger than 64 KiB."
                            : res.status == 404 ? "No such route."
                            : res.status == 405 ? "Method not allowed."
                                                : "The request is not well-formed.";
      SendError(res, res.status, res.status, message);
      // The library answers a request line or a header line over 8 KiB, and a
      // method it does not know, before their bodies.
      if (res.status == 400 || res.status == 414) CloseAfter(res);
      return Handled::Handled;
    }));
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
          try {
            std::rethrow_exception(error);
          } catch (const JournalError& journal) {
            Fatal(journal.what());
          } catch (const std::exception& other) {
            SendError(res, 500, 500, other.what());
          }
        });
    server.set_logger(
        [this](const httplib::Request& req, const httplib::Response& res) { Log(req, res); });

    server.Get("/healthz", [](const httplib::Request&, httplib::Response& res) {
      Send(res, 200, {{"status", "ok"}});
    });
    server.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(metrics_.Text(printers_), "text/plain; version=0.0.4");
    });
    server.Get("/v1/openapi.json", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(OpenApiDocument(), "application/json");
    });
    server.Get("/v1/printers", [this](const httplib::Request&, httplib::Response& res) {
      Json list = Json::array();
      for (const auto& printer : printers_) {
        const Json info = printer->Info();
        list.push_back({{"id", printer->Config().id},
                        {"port", printer->Config().port},
                        {"speed", printer->Config().speed},
                        {"device_type", info["device_type"]},
                        {"device_name", info["device_name"]},
                        {"online", info["online"]}});
      }
      Send(res, 200, {{"printers", list}});
    });
    const auto simple = [this](const char* op) {
      return [this, op](const httplib::Request& req, httplib::Response& res) {
        if (Printer* printer = Find(req, res)) Run(*printer, {{"op", op}}, res);
      };
    };
    server.Get(R"(/v1/printers/([^/]+)/status)", simple("status"));
    server.Get(R"(/v1/printers/([^/]+)/clock)", simple("clock"));
    server.Get(R"(/v1/printers/([^/]+)/rates)", simple("rates"));
    server.Get(R"(/v1/printers/([^/]+)/counters)", simple("counters"));
    PostRoute(server, R"(/v1/printers/([^/]+)/receipts)",
              [this](const httplib::Request& req, httplib::Response& res) { Receipt(req, res); });
    server.Get(R"(/v1/printers/([^/]+)/receipts/([^/]+))",
               [this](const httplib::Request& req, httplib::Response& res) { Outcome(req, res); });
    PostRoute(server, R"(/v1/printers/([^/]+)/reports/daily)",
              [this](const httplib::Request& req, httplib::Response& res) { Daily(req, res); });
    PostRoute(server, R"(/v1/printers/([^/]+)/reports/state)",
              [this](const httplib::Request& req, httplib::Response& res) {
                if (Printer* printer = Find(req, res); printer && Body(req, res, {})) {
                  Run(*printer, {{"op", "state_report"}}, res);
                }
              });
    PostRoute(server, R"(/v1/printers/([^/]+)/reports/periodic)",
              [this](const httplib::Request& req, httplib::Response& res) { Periodic(req, res); });
    PostRoute(server, R"(/v1/printers/([^/]+)/clock/shift)",
              [this](const httplib::Request& req, httplib::Response& res) { Shift(req, res); });
    PostRoute(server, R"(/v1/printers/([^/]+)/drawer)",
              [this](const httplib::Request& req, httplib::Response& res) { Drawer(req, res); });
  }

 private:
  // Checks every request before its route: the origin, the token, the type
  // of a body; answers CORS preflights.
  httplib::Server::HandlerResponse Gate(const httplib::Request& req, httplib::Response& res) {
    t_note.start = std::chrono::steady_clock::now();
    t_note.id = req.get_header_value("X-Request-Id");
    if (t_note.id.empty() || t_note.id.size() > 128) t_note.id = NewRequestId();
    t_note.printer.clear();
    t_note.refusal.reset();
    res.set_header("X-Request-Id", t_note.id);
    using Handled = httplib::Server::HandlerResponse;
    // Before any pattern is matched against it: the routes' patterns are
    // matched by recursion as deep as the text is long. A body is left
    // unread, so the connection closes after the answer.
    if (req.path.size() > kPathLimit) {
      SendErrorAndClose(res, 414, 414, "The path is longer than 1024 characters.");
      return Handled::Handled;
    }
    if (!BodyRead(req.method) &&
        (req.has_header("Transfer-Encoding") ||
         (req.has_header("Content-Length") && req.get_header_value("Content-Length") != "0"))) {
      SendErrorAndClose(res, 400, kCodeBadRequest,
                        "A " + req.method + " request has no body.");
      return Handled::Handled;
    }
    static const std::regex printerPath("^/v1/printers/([^/]+)");
    std::smatch match;
    if (std::regex_search(req.path, match, printerPath)) t_note.printer = match[1];
    size_t headerBytes = 0;
    for (const auto& [name, value] : req.headers) headerBytes += name.size() + value.size() + 4;
    if (headerBytes > kHeaderLimit) {
      SendErrorAndClose(res, 431, 431, "The request's headers are larger than 64 KiB.");
      return Handled::Handled;
    }
    if (req.has_header("Origin")) {
      const std::string origin = req.get_header_value("Origin");
      bool allowed = false;
      for (const std::string& listed : options_.origins) allowed = allowed || listed == origin;
      if (!allowed) {
        return Refuse(req, res, {403, kCodeForbidden, "The origin " + origin + " is not allowed."});
      }
      res.set_header("Access-Control-Allow-Origin", origin);
      res.set_header("Vary", "Origin");
      res.set_header("Access-Control-Expose-Headers", "Idempotent-Replayed, X-Request-Id");
    }
    if (req.method == "OPTIONS") {
      res.status = 204;
      res.set_header("Access-Control-Allow-Methods", "GET, POST, OPTIONS");
      res.set_header("Access-Control-Allow-Headers",
                     "Authorization, Content-Type, Idempotency-Key, X-Request-Id");
      res.set_header("Access-Control-Max-Age", "600");
      if (req.has_header("Access-Control-Request-Private-Network")) {
        res.set_header("Access-Control-Allow-Private-Network", "true");
      }
      return Handled::Handled;
    }
    if (!options_.token.empty() && req.path != "/healthz") {
      const std::string given = req.get_header_value("Authorization");
      const std::string prefix = "Bearer ";
      if (given.rfind(prefix, 0) != 0 || !SameToken(given.substr(prefix.size()), options_.token)) {
        res.set_header("WWW-Authenticate", "Bearer");
        return Refuse(req, res, {401, kCodeUnauthorized, "A valid bearer token is needed."});
      }
    }
    if (req.method == "POST") {
      const std::string type = req.get_header_value("Content-Type");
      if (type.rfind("application/json", 0) != 0) {
        return Refuse(req, res, {415, kCodeUnsupportedType, "The body must be application/json."});
      }
    }
    return Handled::Unhandled;
  }

  // Answers a refused request at once when it has no body for the server to
  // read; otherwise its route answers the refusal once the body is read (the
  // gate runs before that), and the connection serves on.
  static httplib::Server::HandlerResponse Refuse(const httplib::Request& req,
                                                 httplib::Response& res, Refusal refusal) {
    if (!BodyRead(req.method)) {
      SendError(res, refusal.status, refusal.code, refusal.message);
      return httplib::Server::HandlerResponse::Handled;
    }
    t_note.refusal = std::move(refusal);
    return httplib::Server::HandlerResponse::Unhandled;
  }

  // A route taking a body: it answers the refusal the gate kept, if any.
  static void PostRoute(httplib::Server& server, const char* pattern,
                        httplib::Server::Handler handler) {
    server.Post(pattern, [handler = std::move(handler)](const httplib::Request& req,
                                                        httplib::Response& res) {
      if (t_note.refusal) {
        SendError(res, t_note.refusal->status, t_note.refusal->code, t_note.refusal->message);
        return;
      }
      handler(req, res);
    });
  }

  void Log(const httplib::Request& req, const httplib::Response& res) {
    metrics_.Request(RouteOf(req.method, req.path), res.status);
    const auto took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                                t_note.start);
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1fms", took.count());
    const std::string key = req.get_header_value("Idempotency-Key");
    const std::string line = Now() + " " + t_note.id + " " + req.method + " " + req.path + " " +
                             std::to_string(res.status) + " " + duration + " printer=" +
                             (t_note.printer.empty() ? "-" : t_note.printer) +
                             " key=" + (key.empty() ? "-" : Json(key).dump()) + "\n";
    std::fputs(line.c_str(), stderr);
  }

  Printer* Find(const httplib::Request& req, httplib::Response& res) {
    const std::string id = req.matches[1];
    for (const auto& printer : printers_) {
      if (printer->Config().id == id) return printer.get();
    }
    SendError(res, 404, kCodeNotFound, "No printer " + id + ".");
    return nullptr;
  }

  // The body as an object whose fields are among `fields`; an empty body
  // reads as {}. False after answering 400.
  std::optional<Json> Object(const httplib::Request& req, httplib::Response& res,
                             std::initializer_list<const char*> fields) {
    std::optional<Json> body = req.body.empty() ? Json::object() : ParseBody(req.body);
    if (!body) {
      SendError(res, 400, kCodeBadRequest, "The body is not JSON.");
      return std::nullopt;
    }
    if (!body->is_object()) {
      SendError(res, 400, kCodeBadRequest, "The body must be a JSON object.");
      return std::nullopt;
    }
    for (const auto& [name, value] : body->items()) {
      bool known = false;
      for (const char* field : fields) known = known || name == field;
      if (!known) {
        SendError(res, 400, kCodeBadRequest, "The body has an unknown field \"" + name + "\".");
        return std::nullopt;
      }
    }
    return body;
  }

  bool Body(const httplib::Request& req, httplib::Response& res,
            std::initializer_list<const char*> fields) {
    return Object(req, res, fields).has_value();
  }

  // What the printer said, counted in the metrics.
  Reply Wait(Printer& printer, std::future<Reply>& future) {
    Reply answer = future.get();
    if (answer.body.contains("error")) {
      metrics_.PrinterError(printer.Config().id, answer.body["error"].value("code", 0));
    }
    if (answer.body.contains("warning")) {
      metrics_.PrinterError(printer.Config().id, answer.body["warning"].value("code", 0));
    }
    return answer;
  }

  void QueueFull(httplib::Response& res, Json body) {
    res.set_header("Retry-After", std::to_string(kRetryAfterSeconds));
    Send(res, 503, body);
  }

  static Json QueueFullBody() {
    return ErrorBody(kCodeBusy, "The printer's queue is full; try again later.");
  }

  // Runs a request on the printer: what it says, none when its queue was
  // full (the answer then says so, with Retry-After).
  std::optional<Reply> Ask(Printer& printer, const Json& request, httplib::Response& res) {
    std::optional<std::future<Reply>> future = printer.Submit(request, kJobLimit);
    if (!future) {
      QueueFull(res, QueueFullBody());
      return std::nullopt;
    }
    return Wait(printer, *future);
  }

  void Run(Printer& printer, const Json& request, httplib::Response& res) {
    if (const std::optional<Reply> reply = Ask(printer, request, res)) {
      Send(res, reply->status, reply->body);
    }
  }

  void Replay(const Entry& entry, httplib::Response& res) {
    res.set_header("Idempotent-Replayed", "true");
    res.status = entry.httpStatus;
    res.set_content(entry.answer, "application/json");
  }

  // A receipt or a daily report under its Idempotency-Key: at most once on
  // the printer, its answer kept in the journal.
  void Keyed(Printer& printer, const std::string& kind, const Json& canonical,
             const std::string& bodyText, Json request, const httplib::Request& req,
             httplib::Response& res) {
    const std::string key = req.get_header_value("Idempotency-Key");
    if (key.empty() || key.size() > kKeyLength) {
      SendError(res, 400, kCodeBadRequest,
                "The Idempotency-Key header is needed, 1 to 200 characters.");
      return;
    }
    const std::string& id = printer.Config().id;
    const std::string digest = Digest(kind + "\n" + Canonical(canonical));
    std::unique_lock lock(keysMutex_);
    std::optional<Entry> entry = journal_.Find(id, key);
    if (entry && entry->digest != digest) {
      SendError(res, 422, kCodeKeyReused, "The key was used for another request.");
      return;
    }
    if (entry && (running_.count({id, key}) || entry->state != "done")) {
      SendError(res, 409, kCodeConflict, "The request under this key is still running.");
      return;
    }
    if (entry && !entry->fiscalised) {
      // Unknown: asked of the printer again before it is answered.
      lock.unlock();
      if (!Ask(printer, {{"op", "settle"}}, res)) return;
      lock.lock();
      entry = journal_.Find(id, key);
      if (!entry || entry->state != "done" || running_.count({id, key})) {
        SendError(res, 409, kCodeConflict, "The request under this key is still running.");
        return;
      }
    }
    if (entry && entry->fiscalised != false) {
      Replay(*entry, res);
      return;
    }
    journal_.Accept(id, key, kind, digest, bodyText);
    if (const auto now = std::chrono::steady_clock::now(); now - lastPurge_ > kPurgeEvery) {
      journal_.Purge(options_.retentionDays);
      lastPurge_ = now;
    }
    request["key"] = key;
    // Queued under the lock, so that a printer's requests keep their order.
    std::optional<std::future<Reply>> future = printer.Submit(request, kJobLimit);
    if (!future) {
      // Not queued: nothing was sent.
      Json body = QueueFullBody();
      body["key"] = key;
      body["printer"] = id;
      if (kind == "receipt") body["fiscalised"] = false;
      journal_.Done(id, key, false, 503, body.dump());
      QueueFull(res, body);
      return;
    }
    running_.insert({id, key});
    lock.unlock();
    const Reply reply = Wait(printer, *future);
    lock.lock();
    running_.erase({id, key});
    lock.unlock();
    if (kind == "receipt" && reply.body.contains("fiscalised")) {
      metrics_.Outcome(id, reply.body["fiscalised"]);
    }
    Send(res, reply.status, reply.body);
  }

  void Receipt(const httplib::Request& req, httplib::Response& res) {
    Printer* printer = Find(req, res);
    if (!printer) return;
    const std::optional<Json> body = ParseBody(req.body);
    if (!body) {
      SendError(res, 400, kCodeBadRequest, "The body is not JSON.");
      return;
    }
    const auto receipt = ReceiptFromBody(*body);
    if (const std::string* error = std::get_if<std::string>(&receipt)) {
      SendError(res, 400, kCodeBadRequest, *error);
      return;
    }
    Keyed(*printer, "receipt", *body, req.body, {{"op", "receipt"}, {"body", req.body}}, req, res);
  }

  void Daily(const httplib::Request& req, httplib::Response& res) {
    Printer* printer = Find(req, res);
    if (!printer) return;
    const std::optional<Json> body = Object(req, res, {"zero"});
    if (!body) return;
    const Json zero = body->value("zero", Json(false));
    if (!zero.is_boolean()) {
      SendError(res, 400, kCodeBadRequest, "zero must be true or false.");
      return;
    }
    Keyed(*printer, "daily_report", *body, req.body.empty() ? "{}" : req.body,
          {{"op", "daily"}, {"zero", zero}, {"body", req.body}}, req, res);
  }

  void Outcome(const httplib::Request& req, httplib::Response& res) {
    Printer* printer = Find(req, res);
    if (!printer) return;
    const std::string key = req.matches[2];
    const std::optional<Entry> entry = journal_.Find(printer->Config().id, key);
    if (!entry) {
      SendError(res, 404, kCodeNotFound, "No request under the key " + key + ".");
      return;
    }
    Json outcome = {{"key", key},
                    {"printer", entry->printer},
                    {"kind", entry->kind},
                    {"state", entry->state},
                    {"fiscalised", entry->state == "done" && entry->fiscalised
                                       ? Json(*entry->fiscalised)
                                       : Json(nullptr)}};
    if (entry->state == "done") {
      outcome["http_status"] = entry->httpStatus;
      outcome["answer"] = Json::parse(entry->answer, nullptr, false);
    }
    Send(res, 200, outcome);
  }

  void Periodic(const httplib::Request& req, httplib::Response& res) {
    Printer* printer = Find(req, res);
    if (!printer) return;
    const std::optional<Json> body =
        Object(req, res, {"detailed", "from", "to", "from_number", "to_number", "month"});
    if (!body) return;
    const Json detailed = body->value("detailed", Json(false));
    if (!detailed.is_boolean()) {
      SendError(res, 400, kCodeBadRequest, "detailed must be true or false.");
      return;
    }
    Json request = {{"op", "periodic"}, {"detailed", detailed}};
    const auto number = [&](const char* name, int32_t low, int32_t high, int32_t& out) {
      const auto found = body->find(name);
      if (found == body->end()) return false;
      const std::optional<std::string> text = NumberText(*found);
      return text && sale::ParseInteger(*text, low, high, out);
    };
    int32_t from[3];
    int32_t to[3];
    int32_t first = 0;
    int32_t last = 0;
    if (body->contains("from") || body->contains("to")) {
      if (!ParseDate(body->value("from", Json()), from) ||
          !ParseDate(body->value("to", Json()), to)) {
        SendError(res, 400, kCodeBadRequest, "from and to must be dates, 2001-01-01 to 2099-12-31.");
        return;
      }
      request["kind"] = "dates";
      request["values"] = {from[0], from[1], from[2], to[0], to[1], to[2]};
    } else if (body->contains("from_number") || body->contains("to_number")) {
      if (!number("from_number", 1, 65535, first) || !number("to_number", 1, 65535, last)) {
        SendError(res, 400, kCodeBadRequest, "from_number and to_number must be 1 to 65535.");
        return;
      }
      request["kind"] = "numbers";
      request["values"] = {first, last};
    } else if (body->contains("month")) {
      int32_t date[3];
      const Json month = body->value("month", Json());
      if (!month.is_string() || !ParseDate(month.get<std::string>() + "-01", date)) {
        SendError(res, 400, kCodeBadRequest, "month must be a month, 2001-01 to 2099-12.");
        return;
      }
      request["kind"] = "month";
      request["values"] = {date[0], date[1]};
    } else {
      SendError(res, 400, kCodeBadRequest,
                "The body needs from and to, from_number and to_number, or month.");
      return;
    }
    Run(*printer, request, res);
  }

  void Shift(const httplib::Request& req, httplib::Response& res) {
    Printer* printer = Find(req, res);
    if (!printer) return;
    const std::optional<Json> body = Object(req, res, {"minutes"});
    if (!body) return;
    const auto found = body->find("minutes");
    const std::optional<std::string> text =
        found == body->end() ? std::nullopt : NumberText(*found);
    int32_t minutes = 0;
    if (!text || !found->is_binary() ||
        !sale::ParseInteger(text->front() == '+' ? text->substr(1) : *text, -60, 60, minutes) ||
        minutes == 0) {
      SendError(res, 400, kCodeBadRequest, "minutes must be -60 to -1 or 1 to 60.");
      return;
    }
    Run(*printer, {{"op", "clock_shift"}, {"minutes", minutes}}, res);
  }

  void Drawer(const httplib::Request& req, httplib::Response& res) {
    Printer* printer = Find(req, res);
    if (!printer) return;
    const std::optional<Json> body = Object(req, res, {"drawer"});
    if (!body) return;
    int32_t drawer = 1;
    if (const auto found = body->find("drawer"); found != body->end()) {
      const std::optional<std::string> text = NumberText(*found);
      if (!text || !found->is_binary() || !sale::ParseInteger(*text, 1, 3, drawer)) {
        SendError(res, 400, kCodeBadRequest, "drawer must be 1, 2 or 3.");
        return;
      }
    }
    Run(*printer, {{"op", "drawer"}, {"drawer", drawer}}, res);
  }

  const ServiceOptions& options_;
  Journal journal_;
  std::vector<std::unique_ptr<Printer>> printers_;
  Metrics metrics_;
  std::mutex keysMutex_;
  std::set<std::pair<std::string, std::string>> running_;
  std::chrono::steady_clock::time_point lastPurge_ = std::chrono::steady_clock::now();
};

}  // namespace

int Serve(const ServiceOptions& options, const std::string& program) {
  signal(SIGPIPE, SIG_IGN);
  // SIGTERM and SIGINT are taken by a thread of their own, which stops the
  // service; every other thread starts with them blocked.
  sigset_t stopping;
  sigemptyset(&stopping);
  sigaddset(&stopping, SIGTERM);
  sigaddset(&stopping, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopping, nullptr);

  // A stop before the service serves ends the process at once: the
  // printers' processes may be waiting for printers that do not answer. They
  // die with the service, and whatever they left in the journal is settled
  // at the next start, as after a kill. Once it serves, the stop is the main
  // thread's.
  static std::mutex mutex;
  static std::condition_variable changed;
  static bool serving = false;
  static bool stopRequested = false;
  static std::atomic<bool> httpEnded = false;
  std::thread signals([stopping] {
    int signal = 0;
    sigwait(&stopping, &signal);
    std::lock_guard lock(mutex);
    if (!serving) {
      std::fflush(stderr);
      _exit(0);
    }
    stopRequested = true;
    changed.notify_all();
  });
  signals.detach();

  std::unique_ptr<Service> service;
  try {
    service = std::make_unique<Service>(options, program);
  } catch (const JournalError& error) {
    std::fprintf(stderr, "sigrad: %s; not starting (it never sells without its journal)\n",
                 error.what());
    return 1;
  }
  std::unique_ptr<httplib::Server> server;
  if (!options.tlsCert.empty()) {
    auto tls = std::make_unique<httplib::SSLServer>(options.tlsCert.c_str(),
                                                    options.tlsKey.c_str());
    if (!tls->is_valid()) {
      std::fprintf(stderr, "sigrad: cannot use the certificate %s with the key %s\n",
                   options.tlsCert.c_str(), options.tlsKey.c_str());
      return 1;
    }
    server = std::move(tls);
  } else {
    server = std::make_unique<httplib::Server>();
  }
  service->Install(*server);
  const int port = options.port == 0 ? server->bind_to_any_port(options.host)
                                     : (server->bind_to_port(options.host, options.port)
                                            ? options.port
                                            : -1);
  if (port < 0) {
    std::fprintf(stderr, "sigrad: cannot listen on %s:%d\n", options.host.c_str(), options.port);
    return 1;
  }
  std::fprintf(stderr, "sigrad: listening on %s://%s:%d\n",
               options.tlsCert.empty() ? "http" : "https", options.host.c_str(), port);
  std::fflush(stderr);
  std::thread http([&] {
    server->listen_after_bind();
    std::lock_guard lock(mutex);
    httpEnded = true;
    changed.notify_all();
  });
  std::unique_lock lock(mutex);
  serving = true;
  changed.wait(lock, [] { return stopRequested || httpEnded.load(); });
  lock.unlock();
  // The requests waiting for a printer are answered, the running ones end
  // with their own timeouts; stop() does nothing before the server runs.
  service->Halt();
  while (!httpEnded && !server->is_running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  server->stop();
  service->AwaitEnd();
  // A connection that has sent no request yet, or only part of one, holds
  // its server thread up to the timeouts (5 s, 10 s); the server waits for
  // every thread. Once the printers' last answers have had time to go out,
  // the service does not wait for those.
  lock.lock();
  if (!changed.wait_for(lock, kAnswersOut, [] { return httpEnded.load(); })) {
    std::fflush(stderr);
    _exit(0);
  }
  lock.unlock();
  http.join();
  return 0;
}

}  // namespace sigra::service
