#include "sigrad/answers.h"

#include "client/sale.h"

namespace sigra::service {

int HttpStatusOf(int32_t code) {
  if (code > 0 && code < 100) return 503;
  if (code >= 100 && code < 300) return 422;
  return 500;
}

nlohmann::json ErrorBody(int32_t code, const std::string& message) {
  return {{"error", {{"code", code}, {"message", message}}}};
}

nlohmann::json DriverError(int32_t code) {
  std::string message = sale::Message(code);
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
    message.pop_back();
  }
  return ErrorBody(code, message);
}

}  // namespace sigra::service
