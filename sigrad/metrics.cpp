#include "sigrad/metrics.h"

#include <regex>
#include <set>

#include "sigrad/gate.h"

namespace sigra::service {

void Metrics::Request(const std::string& route, int status) {
  std::lock_guard lock(mutex_);
  ++requests_[{route, status}];
}

void Metrics::Outcome(const std::string& printer, const nlohmann::json& fiscalised) {
  std::lock_guard lock(mutex_);
  ++receipts_[{printer, fiscalised.is_null() ? "unknown" : fiscalised.get<bool>() ? "yes" : "no"}];
}

void Metrics::PrinterError(const std::string& printer, int32_t code) {
  std::lock_guard lock(mutex_);
  ++errors_[{printer, code}];
}

std::string Metrics::Text(const std::vector<std::unique_ptr<Printer>>& printers) const {
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
    text += "sigrad_receipts_total{printer=\"" + labels.first + "\",fiscalised=\"" + labels.second +
            "\"} " + std::to_string(count) + "\n";
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
      "# HELP sigrad_printer_online Whether the printer answered its last request or idle probe.\n"
      "# TYPE sigrad_printer_online gauge\n";
  for (const auto& printer : printers) {
    text += "sigrad_printer_online{printer=\"" + printer->Config().id + "\"} " +
            (printer->Online() ? "1" : "0") + "\n";
  }
  return text;
}

std::string RouteOf(const std::string& method, const std::string& path) {
  if (path.size() > kPathLimit) return method + " other";
  static const std::regex printer("^/v1/printers/[^/]+(/.*)?$");
  static const std::regex key("^/v1/printers/\\{id\\}/receipts/[^/]+$");
  std::string route = std::regex_replace(path, printer, "/v1/printers/{id}$1");
  route = std::regex_replace(route, key, "/v1/printers/{id}/receipts/{key}");
  static const std::set<std::string> known = {"/healthz",
                                              "/metrics",
                                              "/v1/openapi.json",
                                              "/v1/printers",
                                              "/v1/printers/{id}/status",
                                              "/v1/printers/{id}/receipts",
                                              "/v1/printers/{id}/receipts/{key}",
                                              "/v1/printers/{id}/reports/daily",
                                              "/v1/printers/{id}/reports/state",
                                              "/v1/printers/{id}/reports/periodic",
                                              "/v1/printers/{id}/clock",
                                              "/v1/printers/{id}/clock/shift",
                                              "/v1/printers/{id}/rates",
                                              "/v1/printers/{id}/counters",
                                              "/v1/printers/{id}/drawer"};
  return method + " " + (known.count(route) ? route : "other");
}

}  // namespace sigra::service
