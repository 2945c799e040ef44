#include "sigrad/answers.h"

#include <map>

#include "client/sale.h"

namespace sigra::service {

int HttpStatusOf(int32_t code) {
  if (code > 0 && code < 100) return 503;
  if (code >= 100 && code < 300) return 422;
  return 500;
}

std::string ErrorId(int32_t code) {
  static const std::map<int32_t, const char*> kIds = {
      // The port and the line.
      {2, "port_unavailable"},
      {5, "port_unavailable"},
      {31, "port_unavailable"},
      // The printer's conditions and refusals.
      {100, "no_maker_data"},
      {101, "service_jumper"},
      {102, "controller_lost"},
      {103, "printer_failure"},
      {104, "no_user_data"},
      {105, "fiscal_memory_read_only"},
      {106, "no_customer_display"},
      {107, "clock_memory_erased"},
      {108, "daily_report_due"},
      {109, "paper_out"},
      {113, "no_tax_rates"},
      {200, "receipt_open"},
      {201, "receipt_not_open"},
      {210, "receipt_cancelled"},
      {211, "no_receipts_today"},
      {218, "receipts_issued_today"},
      {226, "rate_undefined"},
      {228, "training_mode"},
      {237, "euro_changeover_due"},
      // The service's own.
      {400, "bad_request"},
      {401, "unauthorized"},
      {403, "origin_not_allowed"},
      {404, "not_found"},
      {405, "method_not_allowed"},
      {409, "still_running"},
      {413, "body_too_large"},
      {414, "path_too_long"},
      {415, "unsupported_media_type"},
      {421, "misdirected_host"},
      {422, "key_reused"},
      {431, "headers_too_large"},
      {503, "unavailable"},
  };
  if (const auto found = kIds.find(code); found != kIds.end()) return found->second;
  if (code > 0 && code < 100) return "printer_unreachable";
  if (code >= 100 && code < 300) return "printer_refused";
  return "internal_error";
}

nlohmann::json ErrorBody(int32_t code, const std::string& message) {
  return ErrorBody(code, message, ErrorId(code));
}

nlohmann::json ErrorBody(int32_t code, const std::string& message, const std::string& id) {
  return {{"error", {{"code", code}, {"id", id}, {"message", message}}}};
}

nlohmann::json DriverError(int32_t code) {
  std::string message = sale::Message(code);
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
    message.pop_back();
  }
  return ErrorBody(code, message);
}

}  // namespace sigra::service
