#include "sigrad/gate.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <regex>

#include "sigrad/answers.h"
#include "sigrad/connections.h"
#include "sigrad/journal.h"
#include "sigrad/platform.h"
#include "sigrad/threads.h"

namespace sigra::service {
namespace {

constexpr size_t kBodyLimit = 64 * 1024;
constexpr size_t kHeaderLimit = 64 * 1024;
// What a 503 or a 409 asks a client to wait before it asks again.
constexpr int kRetryAfterSeconds = 1;

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
  res.set_content_provider(body->size(), type,
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
#ifdef _WIN32
  gmtime_s(&utc, &seconds);
#else
  gmtime_r(&seconds, &utc);
#endif
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  char full[48];
  std::snprintf(full, sizeof full, "%s.%03lldZ", text, static_cast<long long>(millis));
  return full;
}

// The methods a path is served with, for Allow ("GET, HEAD, OPTIONS"); empty
// for a path no route serves. OPTIONS is answered for every path (CORS).
std::string AllowedMethods(const std::string& path) {
  if (path.size() > kPathLimit) return "";
  static const std::regex get(
      "^/(healthz|metrics|v1/openapi\\.json|v1/printers|"
      "v1/printers/[^/]+/(status|clock|rates|counters|receipts/.+))$");
  static const std::regex post(
      "^/v1/printers/[^/]+/(receipts|reports/(daily|state|periodic)|clock/shift|drawer)$");
  if (std::regex_match(path, get)) return "GET, HEAD, OPTIONS";
  if (std::regex_match(path, post)) return "POST, OPTIONS";
  return "";
}

// Equal tokens, in a time that does not depend on where they differ.
bool SameToken(const std::string& given, const std::string& token) {
  const std::string a = Digest(given);
  const std::string b = Digest(token);
  return platform::SameBytes(a.data(), b.data(), a.size());
}

// Answers a refused request at once when it has no body for the server to
// read; otherwise its route answers the refusal once the body is read (the
// gate runs before that), and the connection serves on.
httplib::Server::HandlerResponse Refuse(const httplib::Request& req, httplib::Response& res,
                                        Refusal refusal) {
  if (!BodyRead(req.method)) {
    SendError(res, refusal.status, refusal.code, refusal.message);
    return httplib::Server::HandlerResponse::Handled;
  }
  t_note.refusal = std::move(refusal);
  return httplib::Server::HandlerResponse::Unhandled;
}

}  // namespace

[[noreturn]] void Fatal(const std::string& message) {
  std::fprintf(stderr, "sigrad: %s; stopping (it never sells without its journal)\n",
               message.c_str());
  std::fflush(stderr);
  _exit(1);
}

void SetRetryAfter(httplib::Response& res, int status) {
  if ((status == 503 || status == 409) && !res.has_header("Retry-After")) {
    res.set_header("Retry-After", std::to_string(kRetryAfterSeconds));
  }
}

void Send(httplib::Response& res, int status, const Json& body) {
  res.status = status;
  SetRetryAfter(res, status);
  // A message may quote a path or header holding bytes that are not UTF-8
  // ("No such printer \x80"): they are written as U+FFFD, not thrown on.
  res.set_content(body.dump(-1, ' ', false, Json::error_handler_t::replace), "application/json");
}

void SendError(httplib::Response& res, int status, int32_t code, const std::string& message) {
  Send(res, status, ErrorBody(code, message));
}

void Gate::Install(httplib::Server& server) {
  server.new_task_queue = [this] {
    return new Threads(options_.printers.size(), options_.queueLimit);
  };
  server.set_payload_max_length(kBodyLimit);
  // The longest pause within a request; the whole of its headers and body
  // is bounded too (see connections.h).
  server.set_read_timeout(std::chrono::seconds(10));
  server.set_write_timeout(std::chrono::seconds(10));
  server.set_keep_alive_timeout(kKeepAliveTime.count());
  // Headers and body go out in two writes: without this the second waits
  // for the client's delayed acknowledgement of the first on every request
  // of a kept-alive connection, some 40 ms.
  server.set_tcp_nodelay(true);
  server.set_pre_routing_handler(
      [this](const httplib::Request& req, httplib::Response& res) { return Check(req, res); });
  // Called for every answer of 400 and above before it is written.
  server.set_error_handler(
      httplib::Server::HandlerWithResponse([](const httplib::Request& req, httplib::Response& res) {
        using Handled = httplib::Server::HandlerResponse;
        if (res.get_header_value("Connection") == "close") {
          CloseAfter(res);
          return Handled::Handled;
        }
        if (!res.body.empty()) return Handled::Unhandled;
        // No route of this method; a known path's other method is 405.
        if (res.status == 404) {
          if (const std::string allowed = AllowedMethods(req.path); !allowed.empty()) {
            res.set_header("Allow", allowed);
            SendError(res, 405, kCodeMethodNotAllowed,
                      req.method + " is not served here; " + allowed + " are.");
            return Handled::Handled;
          }
        }
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
}

// Checks every request before its route: the origin, the token, the type
// of a body; answers CORS preflights.
httplib::Server::HandlerResponse Gate::Check(const httplib::Request& req, httplib::Response& res) {
  t_note.start = std::chrono::steady_clock::now();
  Server::HeadersRead(BodyRead(req.method));
  t_note.id = req.get_header_value("X-Request-Id");
  if (t_note.id.empty() || t_note.id.size() > 128 ||
      std::any_of(t_note.id.begin(), t_note.id.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; })) {
    t_note.id = NewRequestId();
  }
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
    SendErrorAndClose(res, 400, kCodeBadRequest, "A " + req.method + " request has no body.");
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
  if (req.has_header("Host") && !HostAllowed(req.get_header_value("Host"))) {
    return Refuse(req, res,
                  {421, kCodeMisdirected,
                   "The host " + req.get_header_value("Host") + " is not served here."});
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
    res.set_header("Access-Control-Expose-Headers",
                   "Idempotent-Replayed, X-Request-Id, Retry-After, Location");
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

// Whether a Host header names this service: the address it listens on,
// a loopback name or address, or a name given with --allow-host, with or
// without a port. A page's script sent here through a name of its own (DNS
// rebinding) names that, and is refused.
bool Gate::HostAllowed(const std::string& host) const {
  std::string name = host;
  if (const size_t colon = name.rfind(':');
      colon != std::string::npos && name.find(']', colon) == std::string::npos) {
    const std::string port = name.substr(colon + 1);
    if (port.empty() || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
    name.resize(colon);
  }
  std::transform(name.begin(), name.end(), name.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  if (name == "localhost" || name == "127.0.0.1" || name == "[::1]") return true;
  const std::string listening =
      options_.host.find(':') != std::string::npos ? "[" + options_.host + "]" : options_.host;
  if (name == listening) return true;
  for (const std::string& allowed : options_.hosts) {
    if (name == allowed) return true;
  }
  return false;
}

// A route taking a body: the body is read here, under the same limit
// however it comes (the HTTP library holds a body sent with Content-Length to
// it, but not a chunked one), then the refusal the gate kept is answered, if
// any, else the route.
void Gate::Post(httplib::Server& server, const char* pattern, httplib::Server::Handler handler) {
  server.Post(pattern, [handler = std::move(handler)](const httplib::Request& req,
                                                      httplib::Response& res,
                                                      const httplib::ContentReader& content) {
    std::string body;
    bool tooLarge = false;
    const bool read = content([&](const char* data, size_t length) {
      if (body.size() + length > kBodyLimit) {
        tooLarge = true;
        return false;
      }
      body.append(data, length);
      return true;
    });
    Server::BodyRead();
    if (tooLarge || res.status == 413) {
      SendErrorAndClose(res, 413, kCodeTooLarge, "The request is larger than 64 KiB.");
      return;
    }
    if (!read) {
      SendErrorAndClose(res, 400, kCodeBadRequest, "The body could not be read.");
      return;
    }
    if (t_note.refusal) {
      SendError(res, t_note.refusal->status, t_note.refusal->code, t_note.refusal->message);
      return;
    }
    // The library hands a route taking its own body the request without it;
    // the request is the server's, and only this route's.
    const_cast<httplib::Request&>(req).body = std::move(body);
    handler(req, res);
  });
}

// A text from a request as the log shows it: one line whatever it holds,
// each control character, quote and byte above 126 written \xNN (a
// backslash as \\), at most kLogged characters of it, then "...".
static std::string Logged(std::string_view text) {
  constexpr size_t kLogged = 256;
  std::string shown;
  for (size_t i = 0; i < text.size() && i < kLogged; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\\') {
      shown += "\\\\";
    } else if (byte < 0x20 || byte >= 0x7f || byte == '"') {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      shown += escaped;
    } else {
      shown += static_cast<char>(byte);
    }
  }
  if (text.size() > kLogged) shown += "...";
  return shown;
}

void Gate::Log(const httplib::Request& req, const httplib::Response& res) {
  Server::Answered();
  metrics_.Request(RouteOf(req.method, req.path), res.status);
  // A request refused before the gate saw it (its headers never complete,
  // or malformed) has no note: no time and no id of its own.
  char duration[32] = "-";
  if (t_note.start != std::chrono::steady_clock::time_point{}) {
    const auto took =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t_note.start);
    std::snprintf(duration, sizeof duration, "%.1fms", took.count());
  }
  const std::string key = req.get_header_value("Idempotency-Key");
  const std::string line =
      Now() + " " + (t_note.id.empty() ? "-" : Logged(t_note.id)) + " " + Logged(req.method) +
      " " + Logged(req.path) + " " + std::to_string(res.status) + " " + duration +
      " printer=" + (t_note.printer.empty() ? "-" : Logged(t_note.printer)) +
      " key=" + (key.empty() ? "-" : "\"" + Logged(key) + "\"") + "\n";
  std::fputs(line.c_str(), stderr);
  t_note = RequestNote{};
}

}  // namespace sigra::service
