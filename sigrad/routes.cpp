#include "sigrad/routes.h"

#include <chrono>
#include <regex>

#include "sigrad/answers.h"
#include "sigrad/calls.h"

namespace sigra::service {
namespace {

// A date "2026-01-31" that is one, 2001 to 2099, as year (two digits),
// month, day.
bool ParseDate(const std::string& text, int32_t out[3]) {
  static const std::regex date("^(\\d{4})-(\\d{2})-(\\d{2})$");
  std::smatch m;
  if (text.size() != 10 || !std::regex_match(text, m, date)) return false;
  const int year = std::stoi(m[1]);
  out[0] = year % 100;
  out[1] = std::stoi(m[2]);
  out[2] = std::stoi(m[3]);
  if (year < 2001 || year > 2099) return false;
  const std::chrono::year_month_day day{std::chrono::year(year),
                                        std::chrono::month(static_cast<unsigned>(out[1])),
                                        std::chrono::day(static_cast<unsigned>(out[2]))};
  return day.ok();
}

// The string `value` holds; none when it is none or holds no string.
const std::string* TextOf(const Value* value) {
  return value ? value->As<std::string>() : nullptr;
}

// The truth `name` of `body` says, false when absent; none when it holds
// anything else.
std::optional<bool> Flag(const Value& body, const char* name) {
  const Value* found = body.Find(name);
  if (!found) return false;
  if (const bool* given = found->As<bool>()) return *given;
  return std::nullopt;
}

}  // namespace

Service::Service(const ServiceOptions& options, const std::string& program)
    : options_(options), journal_(options.journal) {
  journal_.Purge(options.retentionDays);
  keys_.ForgetAccepted();
  for (const PrinterConfig& config : options.printers) {
    printers_.push_back(
        std::make_unique<Printer>(config, program, options.journal, options.queueLimit, Fatal));
  }
  // Each printer's unfinished entries are settled, and the printer known,
  // before the first request is taken.
  for (const auto& printer : printers_) printer->AwaitStart(kJobLimit);
}

void Service::Halt() {
  for (const auto& printer : printers_) printer->Halt();
}

void Service::AwaitEnd() {
  for (const auto& printer : printers_) printer->AwaitEnd();
}

void Service::Install(httplib::Server& server) {
  gate_.Install(server);
  // The service itself; with ?printers=1 also whether each printer answers
  // (as its last request or its last idle probe found it), 503 while one
  // does not.
  server.Get("/healthz", [this](const httplib::Request& req, httplib::Response& res) {
    const std::string asked = req.get_param_value("printers");
    if (asked != "1" && asked != "true") {
      Send(res, 200, {{"status", "ok"}});
      return;
    }
    Json printers = Json::array();
    Json unreachable = Json::array();
    for (const auto& printer : printers_) {
      const bool online = printer->Online();
      printers.push_back({{"id", printer->Config().id}, {"online", online}});
      if (!online) unreachable.push_back(printer->Config().id);
    }
    Send(res, unreachable.empty() ? 200 : 503,
         {{"status", unreachable.empty() ? "ok" : "printers_unreachable"},
          {"printers", printers},
          {"unreachable", unreachable}});
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
      if (Printer* printer = Find(req, res)) Run(metrics_, *printer, {{"op", op}}, res);
    };
  };
  server.Get(R"(/v1/printers/([^/]+)/status)", simple("status"));
  server.Get(R"(/v1/printers/([^/]+)/clock)", simple("clock"));
  server.Get(R"(/v1/printers/([^/]+)/rates)", simple("rates"));
  server.Get(R"(/v1/printers/([^/]+)/counters)", simple("counters"));
  Gate::Post(server, R"(/v1/printers/([^/]+)/receipts)",
             [this](const httplib::Request& req, httplib::Response& res) { Receipt(req, res); });
  // The path is matched decoded: a key holding "/" comes as %2F.
  server.Get(R"(/v1/printers/([^/]+)/receipts/(.+))",
             [this](const httplib::Request& req, httplib::Response& res) { Outcome(req, res); });
  Gate::Post(server, R"(/v1/printers/([^/]+)/reports/daily)",
             [this](const httplib::Request& req, httplib::Response& res) { Daily(req, res); });
  Gate::Post(server, R"(/v1/printers/([^/]+)/reports/state)",
             [this](const httplib::Request& req, httplib::Response& res) {
               if (Printer* printer = Find(req, res); printer && Body(req, res, {})) {
                 Run(metrics_, *printer, {{"op", "state_report"}}, res);
               }
             });
  Gate::Post(server, R"(/v1/printers/([^/]+)/reports/periodic)",
             [this](const httplib::Request& req, httplib::Response& res) { Periodic(req, res); });
  Gate::Post(server, R"(/v1/printers/([^/]+)/clock/shift)",
             [this](const httplib::Request& req, httplib::Response& res) { Shift(req, res); });
  Gate::Post(server, R"(/v1/printers/([^/]+)/drawer)",
             [this](const httplib::Request& req, httplib::Response& res) { Drawer(req, res); });
}

Printer* Service::Find(const httplib::Request& req, httplib::Response& res) {
  const std::string id = req.matches[1];
  for (const auto& printer : printers_) {
    if (printer->Config().id == id) return printer.get();
  }
  SendError(res, 404, kCodeNotFound, "No printer " + id + ".");
  return nullptr;
}

// The body as an object whose fields are among `fields`; an empty body
// reads as {}. False after answering 400.
std::optional<Value> Service::Object(const httplib::Request& req, httplib::Response& res,
                                     std::initializer_list<const char*> fields) {
  std::string fault;
  std::optional<Value> body =
      req.body.empty() ? Value{Value::Members()} : ParseBody(req.body, &fault);
  if (!body) {
    SendError(res, 400, kCodeBadRequest, fault);
    return std::nullopt;
  }
  const Value::Members* members = body->As<Value::Members>();
  if (!members) {
    SendError(res, 400, kCodeBadRequest, "The body must be a JSON object.");
    return std::nullopt;
  }
  for (const auto& [name, value] : *members) {
    bool known = false;
    for (const char* field : fields) known = known || name == field;
    if (!known) {
      SendError(res, 400, kCodeBadRequest, "The body has an unknown field \"" + name + "\".");
      return std::nullopt;
    }
  }
  return body;
}

bool Service::Body(const httplib::Request& req, httplib::Response& res,
                   std::initializer_list<const char*> fields) {
  return Object(req, res, fields).has_value();
}

void Service::Receipt(const httplib::Request& req, httplib::Response& res) {
  Printer* printer = Find(req, res);
  if (!printer) return;
  std::string fault;
  const std::optional<Value> body = ParseBody(req.body, &fault);
  if (!body) {
    SendError(res, 400, kCodeBadRequest, fault);
    return;
  }
  const auto receipt = ReceiptFromBody(*body);
  if (const std::string* error = std::get_if<std::string>(&receipt)) {
    if (!keys_.ReplayDone(*printer, "receipt", *body, req, res)) {
      SendError(res, 400, kCodeBadRequest, *error);
    }
    return;
  }
  keys_.Keyed(*printer, "receipt", *body, req.body, {{"op", "receipt"}, {"body", req.body}}, req,
              res);
}

void Service::Daily(const httplib::Request& req, httplib::Response& res) {
  Printer* printer = Find(req, res);
  if (!printer) return;
  const std::optional<Value> body = Object(req, res, {"zero"});
  if (!body) return;
  const std::optional<bool> zero = Flag(*body, "zero");
  if (!zero) {
    SendError(res, 400, kCodeBadRequest, "zero must be true or false.");
    return;
  }
  keys_.Keyed(*printer, "daily_report", *body, req.body.empty() ? "{}" : req.body,
              {{"op", "daily"}, {"zero", *zero}}, req, res);
}

void Service::Outcome(const httplib::Request& req, httplib::Response& res) {
  Printer* printer = Find(req, res);
  if (!printer) return;
  // The HTTP library percent-decodes header values, so the key a POST's
  // Idempotency-Key "a%2Fb" is kept under is "a/b"; the path, decoded once
  // already, is decoded as that header was, and a key is found again by its
  // percent-encoded form, whatever it holds.
  const std::string key = httplib::detail::decode_url(req.matches[2], false);
  const std::optional<Entry> entry = journal_.Find(printer->Config().id, key);
  if (!entry) {
    SendError(res, 404, kCodeNotFound, "No request under the key " + key + ".");
    return;
  }
  Json outcome = {
      {"key", key},
      {"printer", entry->printer},
      {"kind", entry->kind},
      {"state", keys_.Phase(*printer, *entry)},
      {"fiscalised",
       entry->state == "done" && entry->fiscalised ? Json(*entry->fiscalised) : Json(nullptr)}};
  if (entry->state == "done") {
    outcome["http_status"] = entry->httpStatus;
    outcome["answer"] = Json::parse(entry->answer, nullptr, false);
  }
  Send(res, 200, outcome);
}

void Service::Periodic(const httplib::Request& req, httplib::Response& res) {
  Printer* printer = Find(req, res);
  if (!printer) return;
  const std::optional<Value> body =
      Object(req, res, {"detailed", "from", "to", "from_number", "to_number", "month"});
  if (!body) return;
  const std::optional<bool> detailed = Flag(*body, "detailed");
  if (!detailed) {
    SendError(res, 400, kCodeBadRequest, "detailed must be true or false.");
    return;
  }
  Json request = {{"op", "periodic"}, {"detailed", *detailed}};
  const auto number = [&](const char* name, int32_t low, int32_t high, int32_t& out) {
    const Value* found = body->Find(name);
    if (!found) return false;
    const std::optional<std::string> text = NumberText(*found);
    return text && sale::ParseInteger(*text, low, high, out);
  };
  int32_t from[3];
  int32_t to[3];
  int32_t first = 0;
  int32_t last = 0;
  if (body->Find("from") || body->Find("to")) {
    const std::string* fromText = TextOf(body->Find("from"));
    const std::string* toText = TextOf(body->Find("to"));
    if (!fromText || !toText || !ParseDate(*fromText, from) || !ParseDate(*toText, to)) {
      SendError(res, 400, kCodeBadRequest,
                "from and to must be dates of the calendar, 2001-01-01 to 2099-12-31.");
      return;
    }
    if (*fromText > *toText) {
      SendError(res, 400, kCodeBadRequest, "from must not be after to.");
      return;
    }
    request["kind"] = "dates";
    request["values"] = {from[0], from[1], from[2], to[0], to[1], to[2]};
  } else if (body->Find("from_number") || body->Find("to_number")) {
    if (!number("from_number", 1, 65535, first) || !number("to_number", 1, 65535, last)) {
      SendError(res, 400, kCodeBadRequest, "from_number and to_number must be 1 to 65535.");
      return;
    }
    if (first > last) {
      SendError(res, 400, kCodeBadRequest, "from_number must not be above to_number.");
      return;
    }
    request["kind"] = "numbers";
    request["values"] = {first, last};
  } else if (const Value* month = body->Find("month")) {
    int32_t date[3];
    const std::string* text = TextOf(month);
    if (!text || !ParseDate(*text + "-01", date)) {
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
  Run(metrics_, *printer, request, res);
}

void Service::Shift(const httplib::Request& req, httplib::Response& res) {
  Printer* printer = Find(req, res);
  if (!printer) return;
  const std::optional<Value> body = Object(req, res, {"minutes"});
  if (!body) return;
  // A number, not a string.
  const Value* found = body->Find("minutes");
  const Number* number = found ? found->As<Number>() : nullptr;
  const std::string& text = number ? number->text : std::string();
  int32_t minutes = 0;
  if (!number ||
      !sale::ParseInteger(text.front() == '+' ? text.substr(1) : text, -60, 60, minutes) ||
      minutes == 0) {
    SendError(res, 400, kCodeBadRequest, "minutes must be -60 to -1 or 1 to 60.");
    return;
  }
  Run(metrics_, *printer, {{"op", "clock_shift"}, {"minutes", minutes}}, res);
}

void Service::Drawer(const httplib::Request& req, httplib::Response& res) {
  Printer* printer = Find(req, res);
  if (!printer) return;
  const std::optional<Value> body = Object(req, res, {"drawer"});
  if (!body) return;
  int32_t drawer = 1;
  if (const Value* found = body->Find("drawer")) {
    // A number, not a string.
    const Number* number = found->As<Number>();
    if (!number || !sale::ParseInteger(number->text, 1, 3, drawer)) {
      SendError(res, 400, kCodeBadRequest, "drawer must be 1, 2 or 3.");
      return;
    }
  }
  Run(metrics_, *printer, {{"op", "drawer"}, {"drawer", drawer}}, res);
}

}  // namespace sigra::service
