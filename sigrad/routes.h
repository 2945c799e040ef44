// sigrad's routes: each request's body checked and turned into a request to
// its printer's process, the keyed ones (receipts, daily reports) through
// the journal's idempotency; the printers, their processes and the journal
// the routes share.
#ifndef SIGRA_SIGRAD_ROUTES_H
#define SIGRA_SIGRAD_ROUTES_H

#include <httplib.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sigrad/body.h"
#include "sigrad/gate.h"
#include "sigrad/idempotency.h"
#include "sigrad/journal.h"
#include "sigrad/life.h"
#include "sigrad/metrics.h"
#include "sigrad/printers.h"

namespace sigra::service {

class Service {
 public:
  // Opens the journal (throws JournalError), starts each printer's process
  // and waits until each has settled its unfinished entries.
  Service(const ServiceOptions& options, const std::string& program);

  // Stops taking requests to the printers: those waiting are answered at
  // once, the ones running end.
  void Halt();
  // After Halt: waits until every printer's running request has been answered.
  void AwaitEnd();

  // The gate and the routes.
  void Install(httplib::Server& server);

 private:
  Printer* Find(const httplib::Request& req, httplib::Response& res);
  // The body as an object whose fields are among `fields`; an empty body
  // reads as {}. None after answering 400.
  std::optional<Value> Object(const httplib::Request& req, httplib::Response& res,
                              std::initializer_list<const char*> fields);
  bool Body(const httplib::Request& req, httplib::Response& res,
            std::initializer_list<const char*> fields);
  void Receipt(const httplib::Request& req, httplib::Response& res);
  void Daily(const httplib::Request& req, httplib::Response& res);
  void Outcome(const httplib::Request& req, httplib::Response& res);
  void Periodic(const httplib::Request& req, httplib::Response& res);
  void Shift(const httplib::Request& req, httplib::Response& res);
  void Drawer(const httplib::Request& req, httplib::Response& res);

  const ServiceOptions& options_;
  Journal journal_;
  std::vector<std::unique_ptr<Printer>> printers_;
  Metrics metrics_;
  Gate gate_{options_, metrics_};
  Idempotency keys_{journal_, metrics_, options_.retentionDays};
};

}  // namespace sigra::service

#endif
