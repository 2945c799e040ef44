// sigrad's HTTP gate: what every request passes before its route, and how
// every answer goes out. The limits (body, headers, path), the connection
// closed after an answer given before its body was read, the request id,
// the origin and token checks, the body's type, CORS preflights, the error
// and exception answers, and the request log.
#ifndef SIGRA_SIGRAD_GATE_H
#define SIGRA_SIGRAD_GATE_H

#include <httplib.h>

#include <cstdint>
#include <string>

#include "sigrad/body.h"
#include "sigrad/life.h"
#include "sigrad/metrics.h"

namespace sigra::service {

constexpr size_t kPathLimit = 1024;

// A 503 or a 409 tells how long to wait before asking again (Retry-After),
// unless the answer says so already.
void SetRetryAfter(httplib::Response& res, int status);
void Send(httplib::Response& res, int status, const Json& body);
void SendError(httplib::Response& res, int status, int32_t code, const std::string& message);

// Ends the process at once: the service never sells without its journal.
[[noreturn]] void Fatal(const std::string& message);

class Gate {
 public:
  Gate(const ServiceOptions& options, Metrics& metrics) : options_(options), metrics_(metrics) {}

  // Sets the server's limits and timeouts, the check before every route, the
  // error and exception answers and the request log.
  void Install(httplib::Server& server);

  // A route taking a body: it answers the refusal the gate kept, if any.
  static void Post(httplib::Server& server, const char* pattern, httplib::Server::Handler handler);

 private:
  bool HostAllowed(const std::string& host) const;
  httplib::Server::HandlerResponse Check(const httplib::Request& req, httplib::Response& res);
  void Log(const httplib::Request& req, const httplib::Response& res);

  const ServiceOptions& options_;
  Metrics& metrics_;
};

}  // namespace sigra::service

#endif
