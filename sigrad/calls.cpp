#include "sigrad/calls.h"

#include <string>

#include "sigrad/answers.h"
#include "sigrad/gate.h"

namespace sigra::service {
namespace {

constexpr int kRetryAfterSeconds = 2;

}  // namespace

Reply Wait(Metrics& metrics, Printer& printer, std::future<Reply>& future) {
  Reply answer = future.get();
  if (answer.body.contains("error")) {
    metrics.PrinterError(printer.Config().id, answer.body["error"].value("code", 0));
  }
  if (answer.body.contains("warning")) {
    metrics.PrinterError(printer.Config().id, answer.body["warning"].value("code", 0));
  }
  return answer;
}

void QueueFull(httplib::Response& res, Json body) {
  res.set_header("Retry-After", std::to_string(kRetryAfterSeconds));
  Send(res, 503, body);
}

Json QueueFullBody() {
  return ErrorBody(kCodeBusy, "The printer's queue is full; try again later.", kIdQueueFull);
}

std::optional<Reply> Ask(Metrics& metrics, Printer& printer, const Json& request,
                         httplib::Response& res) {
  std::optional<std::future<Reply>> future = printer.Submit(request, kJobLimit);
  if (!future) {
    QueueFull(res, QueueFullBody());
    return std::nullopt;
  }
  return Wait(metrics, printer, *future);
}

void Run(Metrics& metrics, Printer& printer, const Json& request, httplib::Response& res) {
  if (const std::optional<Reply> reply = Ask(metrics, printer, request, res)) {
    Send(res, reply->status, reply->body);
  }
}

}  // namespace sigra::service
