// sigrad's life as a process: its options, the signals that stop it, TLS,
// the address it listens on, and the order in which it stops (the printers'
// waiting requests answered, the running ones ended, then the server).
#ifndef SIGRA_SIGRAD_LIFE_H
#define SIGRA_SIGRAD_LIFE_H

#include <cstdint>
#include <string>
#include <vector>

#include "sigrad/printers.h"

namespace sigra::service {

struct ServiceOptions {
  std::vector<PrinterConfig> printers;
  std::string host = "127.0.0.1";
  int port = 8420;
  std::string journal;
  std::string token;  // empty: none asked
  std::vector<std::string> origins;
  // Host header values served beside the listening address and loopback,
  // lower case, without a port.
  std::vector<std::string> hosts;
  std::string tlsCert;
  std::string tlsKey;
  size_t queueLimit = 32;
  int retentionDays = 30;
};

// Serves until asked to stop (see platform.h); the exit status. `program` is this
// executable, started again for each printer.
int Serve(const ServiceOptions& options, const std::string& program);

// The OpenAPI 3 description of the routes.
const char* OpenApiDocument();

}  // namespace sigra::service

#endif
