// sigrad's metrics, in the Prometheus text format: requests by route and
// status, receipts by outcome, the driver's error codes, each printer's
// queue and whether it is online.
#ifndef SIGRA_SIGRAD_METRICS_H
#define SIGRA_SIGRAD_METRICS_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "sigrad/printers.h"

namespace sigra::service {

class Metrics {
 public:
  void Request(const std::string& route, int status);
  // `fiscalised`: true, false or null (not known).
  void Outcome(const std::string& printer, const nlohmann::json& fiscalised);
  void PrinterError(const std::string& printer, int32_t code);
  std::string Text(const std::vector<std::unique_ptr<Printer>>& printers) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::pair<std::string, int>, uint64_t> requests_;
  std::map<std::pair<std::string, std::string>, uint64_t> receipts_;
  std::map<std::pair<std::string, int32_t>, uint64_t> errors_;
};

// The route a path belongs to, for the metrics: printer ids and keys left out.
std::string RouteOf(const std::string& method, const std::string& path);

}  // namespace sigra::service

#endif
