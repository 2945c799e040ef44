// Requests to a printer's process as the routes make them: queued, waited
// for, a full queue answered 503 with Retry-After, the driver's result codes
// counted in the metrics.
#ifndef SIGRA_SIGRAD_CALLS_H
#define SIGRA_SIGRAD_CALLS_H

#include <httplib.h>

#include <chrono>
#include <future>
#include <optional>

#include "sigrad/body.h"
#include "sigrad/metrics.h"
#include "sigrad/printers.h"

namespace sigra::service {

// How long a request may take once the printer's process has begun it.
constexpr auto kJobLimit = std::chrono::seconds(180);

// What the printer said, counted in the metrics.
Reply Wait(Metrics& metrics, Printer& printer, std::future<Reply>& future);

// Answers 503 with Retry-After and `body`.
void QueueFull(httplib::Response& res, Json body);
Json QueueFullBody();

// Runs a request on the printer: what it says, none when its queue was
// full (the answer then says so, with Retry-After).
std::optional<Reply> Ask(Metrics& metrics, Printer& printer, const Json& request,
                         httplib::Response& res);

// Runs a request on the printer and answers what it says.
void Run(Metrics& metrics, Printer& printer, const Json& request, httplib::Response& res);

}  // namespace sigra::service

#endif
